#include "fastcode/FastMove.h"

namespace toravex {

void PrepareFastMove() {}

}  // namespace toravex
