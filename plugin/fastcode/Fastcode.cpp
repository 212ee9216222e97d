#include "fastcode/Fastcode.h"

namespace toravex {

void PrepareRoutineTable() {}

}  // namespace toravex
