// Code redirection primitives, executable memory and call-site stubs.
#pragma once

#include "patching/CallSiteStub.h"
#include "patching/CpuHelpers.h"
#include "patching/HeapAllocator.h"
#include "patching/InstructionShapes.h"
#include "patching/PatchPlatform.h"
#include "patching/ProcessMemory.h"
#include "patching/Redirect.h"

namespace toravex {

// Keeps the current-process handle every process-memory write uses.
void PreparePatchPrimitives();

}  // namespace toravex
