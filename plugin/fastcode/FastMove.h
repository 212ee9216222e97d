// The block-move routine chosen for this processor.
#pragma once

namespace toravex {

// Picks the Move variant and the large-move threshold.
void PrepareFastMove();

}  // namespace toravex
