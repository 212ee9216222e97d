// What the stubs of an accelerated class lead to. Allocation routines take
// the accelerator (EAX) and return a new instance from the host's GetMem, as
// the host's NewInstance would have made it; release routines take the
// accelerator (EAX) and the instance (EDX), finalize its managed fields from
// the accelerator's flat list and give the memory back to the host's FreeMem.
#pragma once

#include "HostCall.h"
#include "runtime/FastObjAccelerator.h"

namespace toravex {

// The class reference alone (instances of 4 bytes).
void* HOSTCALL AllocClassOnly(TObjectAccelerator* a);
// The class reference, then the other words zeroed from the last down
// (below 24 bytes).
void* HOSTCALL AllocSmallZeroed(TObjectAccelerator* a);
// Every word zeroed, then the class reference (24 bytes or more).
void* HOSTCALL AllocZeroed(TObjectAccelerator* a);
// The whole template copied, from the last word down (below 24 bytes).
void* HOSTCALL AllocSmallCopy(TObjectAccelerator* a);
// The template's first CopyDwords words copied, the rest zeroed.
void* HOSTCALL AllocCopyPrefix(TObjectAccelerator* a);

void HOSTCALL FreeWithFields(TObjectAccelerator* a, void* instance);

// AllocZeroed and AllocCopyPrefix with MMX stores when mmx, else without.
const void* ZeroedAllocation(bool mmx);
const void* PrefixAllocation(bool mmx);

}  // namespace toravex

// AllocZeroed and AllocCopyPrefix with MMX stores, and FreePlain: only the
// instance given to the host's FreeMem (FastObjRoutines.S).
extern "C" {
void* HOSTCALL toravex_AllocZeroedMmx(toravex::TObjectAccelerator* a);
void* HOSTCALL toravex_AllocCopyPrefixMmx(toravex::TObjectAccelerator* a);
void HOSTCALL toravex_FreePlain(toravex::TObjectAccelerator* a, void* instance);
// The host's GetMem and FreeMem, as those routines call them.
extern void*(HOSTCALL* toravex_ObjectGetMem)(int32_t size);
extern int32_t(HOSTCALL* toravex_ObjectFreeMem)(void* p);
}
