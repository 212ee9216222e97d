// String assignment and comparison helpers of the host, replaced at load.
#pragma once

namespace toravex {

// Replaces the assignment, wide-store and comparison helpers.
void PrepareStringOptimize();

}  // namespace toravex
