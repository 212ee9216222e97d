#include "fastcode/StringOptimize.h"

namespace toravex {

void PrepareStringOptimize() {}

}  // namespace toravex
