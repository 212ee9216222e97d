#include "ide/Utils.h"

namespace toravex {

void PrepareUtils() {}
void TeardownUtils() {}

}  // namespace toravex
