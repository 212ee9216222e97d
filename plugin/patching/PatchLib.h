// Code redirection primitives.
#pragma once

namespace toravex {

// Keeps the current-process handle every process-memory write uses.
void PreparePatchPrimitives();

}  // namespace toravex
