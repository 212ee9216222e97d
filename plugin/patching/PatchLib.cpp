#include "patching/PatchLib.h"

namespace toravex {

void PreparePatchPrimitives() {}

}  // namespace toravex
