// The accelerator of one class: what its generated NewInstance and
// FreeInstance stubs hand to the allocation and release routines
// (FastObjRoutines.h), how it is built from the class, and how it gives the
// class its slots back.
//
// Stubs, written into the code heap:
//   NewInstance   B8 <accelerator> E9 <rel32>          10 bytes (11 allocated)
//   FreeInstance  89 C2 B8 <accelerator> E9 <rel32>    12 bytes (13 allocated)
// so an allocation routine receives the accelerator in EAX, a release
// routine the accelerator in EAX and the instance in EDX.
#pragma once

#include <cstddef>
#include <cstdint>

#include "HostCall.h"
#include "base/HostRuntime.h"

namespace toravex {

class THeapAllocator;

// One managed field of an instance: its type information and offset.
struct ManagedField {
    const void* TypeInfo;
    int32_t Offset;
};
static_assert(sizeof(ManagedField) == 8);

struct TObjectAccelerator {
    void* AcceleratedClass;       // nil after a set-up that replaced nothing
    void* PreviousNewInstance;    // where the NewInstance slot led before
    void* PreviousFreeInstance;   // the same for FreeInstance; nil when it is not replaced
    int32_t InstanceSize;         // a multiple of 4
    int32_t CopyDwords;           // leading words copied from Template
    void* Template;               // a prepared instance image, or nil
    ManagedField* ManagedFields;  // the chain's managed fields, most derived class first
    uint32_t ManagedFieldCount;
    // The stubs this accelerator put into the class (nil: none), so that
    // only its own code is taken back, and the slots' values before them,
    // which the release writes back as they were (an import thunk stays an
    // import thunk; a slot that named a redirected entry never comes to name
    // this library's code).
    uint8_t* NewInstanceStub;
    uint8_t* FreeInstanceStub;
    void* NewInstanceSlotValue;
    void* FreeInstanceSlotValue;
};
// The allocation and release routines in assembly read these offsets.
static_assert(offsetof(TObjectAccelerator, InstanceSize) == 12 && offsetof(TObjectAccelerator, CopyDwords) == 16 &&
              offsetof(TObjectAccelerator, Template) == 20 && offsetof(TObjectAccelerator, ManagedFields) == 24 &&
              offsetof(TObjectAccelerator, ManagedFieldCount) == 28);

constexpr size_t kNewInstanceStubSize = 10;
constexpr size_t kFreeInstanceStubSize = 12;
constexpr int32_t kNewInstanceSlot = -12;
constexpr int32_t kFreeInstanceSlot = -8;
constexpr int32_t kInitTableSlot = -64;

// What the accelerator calls of the host, bound by the object accelerator's
// preparation.
struct ObjectRuntime {
    void*(HOSTCALL* getMem)(int32_t size);
    int32_t(HOSTCALL* freeMem)(void* p);
    void*(HOSTCALL* reallocMem)(void** p, int32_t size);
    void*(HOSTCALL* initInstance)(const void* classRef, void* memory);
    void(HOSTCALL* cleanupInstance)(void* instance);
    int32_t(HOSTCALL* instanceSize)(const void* classRef);
    const void*(HOSTCALL* classParent)(const void* classRef);
    uint32_t(HOSTCALL* findHInstance)(const void* address);
    // The entries of the routines an accelerated class may have inherited.
    void* tobjectNewInstance;
    void* tobjectFreeInstance;
    void* interfacedNewInstance;
};
extern ObjectRuntime ObjectHost;
extern const HostNeeds ObjectRuntimeNeeds;
void BindObjectRuntime();

// Fills the zeroed accelerator a for classRef: its template made through
// the class's own NewInstance slot, the allocation routine its size and
// template call for, the managed fields of its chain, stubs from codeHeap
// stored into its slots. AcceleratedClass is nil afterwards when no slot was
// replaced. The host's errors (a code heap that cannot protect a block, no
// memory) leave a half-built accelerator that ReleaseAccelerator takes back.
void BuildAccelerator(TObjectAccelerator* a, const void* classRef, THeapAllocator& codeHeap);

// Gives the class its slots back where they still hold this accelerator's
// stubs (and the class is readable), frees those stubs, then the template,
// the field list and the accelerator.
void ReleaseAccelerator(TObjectAccelerator* accelerator, THeapAllocator& codeHeap);

// The allocation and release routines a new accelerator's stubs lead to use
// the processor's MMX instructions when this is set (by the preparation,
// from the processor; tests set either).
extern bool UseMmxRoutines;

}  // namespace toravex
