// The managed-data routines that stand in for the host's New, Dispose,
// InitializeArray, FinalizeArray, DynArrayClear and IsClass. They read the
// host's type information (HostLayout.h), dispatch on its kind through a
// jump table, handle a single element without a loop and a static array of
// one element as its element type, and clear every reference before
// releasing what it held, so one pass suffices. Host register convention,
// the host routines' signatures and results. A kind they do not handle (the
// 64-bit integer included) is the host's invalid-pointer runtime error.
#pragma once

#include <cstdint>

#include "HostCall.h"
#include "base/HostRuntime.h"

namespace toravex {

void* HOSTCALL FastNew(int32_t size, const void* typeInfo);
void HOSTCALL FastDispose(void* p, const void* typeInfo);
void* HOSTCALL FastInitializeArray(void* p, const void* typeInfo, uint32_t count);
void* HOSTCALL FastFinalizeArray(void* p, const void* typeInfo, uint32_t count);
void** HOSTCALL FastDynArrayClear(void** a, const void* typeInfo);
bool HOSTCALL FastIsClass(const void* instance, const void* classRef);

// P is the address of the value (or of the first of count values).
void HOSTCALL FinalizeOne(void* p, const void* typeInfo);
void HOSTCALL FinalizeMany(void* p, const void* typeInfo, uint32_t count);
void HOSTCALL InitializeOne(void* p, const void* typeInfo);
void HOSTCALL InitializeMany(void* p, const void* typeInfo, uint32_t count);

// What the routines call of the host: its memory manager, VarClear and the
// runtime error (System.Error, or in the oldest runtime @RunError).
struct ManagedDataHost {
    void*(HOSTCALL* getMem)(int32_t size);
    int32_t(HOSTCALL* freeMem)(void* p);
    void*(HOSTCALL* varClear)(void* v);
    void(HOSTCALL* error)(uint8_t runtimeError);  // System.Error; nil in the oldest runtime
    void(HOSTCALL* runError)(uint8_t errorCode);  // System.@RunError
};
extern ManagedDataHost ManagedHost;
extern const HostNeeds ManagedDataNeeds;
// Looks those routines up; the routines above are usable once it ran and
// ManagedDataNeeds are all there.
void BindManagedDataHost();

}  // namespace toravex
