#include "patching/PatchLib.h"

namespace toravex {

void PreparePatchPrimitives() { ProcessHandle = Platform().CurrentProcess(); }

}  // namespace toravex
