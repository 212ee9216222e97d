// Code redirection primitives, executable memory and call-site stubs.
#pragma once

#include "base/Cpuid.h"
#include "base/SystemPlatform.h"
#include "patching/CallSiteStub.h"
#include "patching/HeapAllocator.h"
#include "patching/InstructionShapes.h"
#include "patching/ProcessMemory.h"
#include "patching/Redirect.h"

namespace toravex {

// Keeps the current-process handle every process-memory write uses.
void PreparePatchPrimitives();

}  // namespace toravex
