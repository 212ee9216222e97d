#include "runtime/FastObjAccelerator.h"

#include "HostLayout.h"
#include "base/Cpuid.h"
#include "base/SystemPlatform.h"
#include "patching/CodeWriter.h"
#include "patching/HeapAllocator.h"
#include "patching/InstructionShapes.h"
#include "patching/ProcessMemory.h"
#include "runtime/FastObjRoutines.h"

namespace toravex {

ObjectRuntime ObjectHost;
bool UseMmxRoutines = false;

const HostNeeds ObjectRuntimeNeeds = {{&hostnames::System_TObject_InitInstance,
                                       &hostnames::System_TObject_CleanupInstance,
                                       &hostnames::System_TObject_InstanceSize, &hostnames::System_TObject_ClassParent,
                                       &hostnames::System_FindHInstance, &hostnames::System_ReallocMem,
                                       &hostnames::System_TObject_FreeInstance}};

void BindObjectRuntime() {
    using namespace hostnames;
    ObjectRuntime& h = ObjectHost;
    h.getMem = reinterpret_cast<decltype(h.getMem)>(FindHostExport(System_GetMem));
    h.freeMem = reinterpret_cast<decltype(h.freeMem)>(FindHostExport(System_FreeMem));
    h.reallocMem = reinterpret_cast<decltype(h.reallocMem)>(FindHostExport(System_ReallocMem));
    h.initInstance = reinterpret_cast<decltype(h.initInstance)>(FindHostExport(System_TObject_InitInstance));
    h.cleanupInstance = reinterpret_cast<decltype(h.cleanupInstance)>(FindHostExport(System_TObject_CleanupInstance));
    h.instanceSize = reinterpret_cast<decltype(h.instanceSize)>(FindHostExport(System_TObject_InstanceSize));
    h.classParent = reinterpret_cast<decltype(h.classParent)>(FindHostExport(System_TObject_ClassParent));
    h.findHInstance = reinterpret_cast<decltype(h.findHInstance)>(FindHostExport(System_FindHInstance));
    h.tobjectNewInstance = ResolveEntry(FindHostExport(System_TObject_NewInstance));
    h.tobjectFreeInstance = ResolveEntry(FindHostExport(System_TObject_FreeInstance));
    h.interfacedNewInstance = ResolveEntry(FindHostExport(System_TInterfacedObject_NewInstance));
    toravex_ObjectGetMem = h.getMem;
    toravex_ObjectFreeMem = h.freeMem;
}

namespace {

using NewInstanceFn = void*(HOSTCALL*)(const void* classRef);

void* Slot(const void* classRef, int32_t offset) {
    return reinterpret_cast<void*>(ReadPointerAt(classRef, offset));
}

const hostabi::RecordTypeData* InitTableOf(const void* classRef) {
    const void* table = Slot(classRef, kInitTableSlot);
    return table ? reinterpret_cast<const hostabi::RecordTypeData*>(hostabi::TypeDataOf(table)) : nullptr;
}

// The managed fields of the class chain in one flat list: the class first,
// then each parent up to the root, each in the order of its InitTable.
void CollectManagedFields(TObjectAccelerator* a, const void* classRef) {
    uint32_t total = 0;
    for (const void* c = classRef; c; c = ObjectHost.classParent(c))
        if (const hostabi::RecordTypeData* t = InitTableOf(c)) total += static_cast<uint32_t>(t->managedFieldCount);
    if (total == 0) return;
    a->ManagedFields = static_cast<ManagedField*>(ObjectHost.getMem(static_cast<int32_t>(total * sizeof(ManagedField))));
    if (!a->ManagedFields) return;
    for (const void* c = classRef; c; c = ObjectHost.classParent(c)) {
        const hostabi::RecordTypeData* t = InitTableOf(c);
        if (!t) continue;
        for (int32_t f = 0; f < t->managedFieldCount && a->ManagedFieldCount < total; ++f)
            a->ManagedFields[a->ManagedFieldCount++] = {*t->fields[f].typeRef, t->fields[f].offset};
    }
}

// The 1-based index of the template's last non-zero word, 0 when all are zero.
int32_t LastNonZeroWord(const void* instance, int32_t size) {
    const auto* words = static_cast<const uint32_t*>(instance);
    for (int32_t i = size / 4; i > 0; --i)
        if (words[i - 1]) return i;
    return 0;
}

// Picks the allocation routine (and trims the template) as the template's
// content and the instance size say.
const void* ChooseAllocation(TObjectAccelerator* a) {
    if (a->CopyDwords <= 1) {  // nothing but the class reference is set
        ObjectHost.freeMem(a->Template);
        a->Template = nullptr;
        if (a->InstanceSize <= 4) return reinterpret_cast<const void*>(&AllocClassOnly);
        if (a->InstanceSize < 24) return reinterpret_cast<const void*>(&AllocSmallZeroed);
        return ZeroedAllocation(UseMmxRoutines);
    }
    if (a->InstanceSize < 24) return reinterpret_cast<const void*>(&AllocSmallCopy);
    // Copy a prefix such that the zero tail is a whole number of 32-byte blocks.
    const int32_t tail = RoundToMultiple(a->InstanceSize - 4 * a->CopyDwords, 32, false);
    const int32_t prefix = a->InstanceSize - tail;
    a->CopyDwords = prefix / 4;
    if (tail > 64) ObjectHost.reallocMem(&a->Template, prefix);
    return PrefixAllocation(UseMmxRoutines);
}

// Writes a stub into block: prefix (none, or 89 C2), B8 <accelerator>, E9 <routine>.
bool WriteStub(uint8_t* block, bool withInstanceMove, const TObjectAccelerator* a, const void* routine) {
    uint8_t code[kFreeInstanceStubSize];
    size_t at = 0;
    if (withInstanceMove) code[at++] = 0x89, code[at++] = 0xC2;  // mov edx, eax
    code[at++] = 0xB8;                                            // mov eax, accelerator
    const uint32_t accelerator = reinterpret_cast<uint32_t>(a);
    __builtin_memcpy(code + at, &accelerator, 4);
    at += 4;
    const JumpBytes jump = EncodeJump(reinterpret_cast<uintptr_t>(block + at), reinterpret_cast<uintptr_t>(routine));
    for (uint8_t b : jump.bytes) code[at++] = b;
    return StoreCode(block, code, at);
}

}  // namespace

void BuildAccelerator(TObjectAccelerator* a, const void* classRef, THeapAllocator& codeHeap) {
    a->AcceleratedClass = const_cast<void*>(classRef);
    a->InstanceSize = RoundToMultiple(ObjectHost.instanceSize(classRef), 4, true);
    a->NewInstanceSlotValue = Slot(classRef, kNewInstanceSlot);
    a->FreeInstanceSlotValue = Slot(classRef, kFreeInstanceSlot);
    a->PreviousNewInstance = ResolveEntry(a->NewInstanceSlotValue);
    a->PreviousFreeInstance = ResolveEntry(a->FreeInstanceSlotValue);

    // The template, made the way the class makes its instances.
    a->Template = reinterpret_cast<NewInstanceFn>(a->NewInstanceSlotValue)(classRef);
    if (!a->Template) {
        a->AcceleratedClass = nullptr;
        return;
    }
    a->CopyDwords = LastNonZeroWord(a->Template, a->InstanceSize);
    ObjectHost.cleanupInstance(a->Template);

    a->NewInstanceStub = static_cast<uint8_t*>(codeHeap.Allocate(kNewInstanceStubSize + 1));
    const void* allocation = ChooseAllocation(a);

    const void* release = nullptr;
    if (a->PreviousFreeInstance == ObjectHost.tobjectFreeInstance) {
        CollectManagedFields(a, classRef);
        a->FreeInstanceStub = static_cast<uint8_t*>(codeHeap.Allocate(kFreeInstanceStubSize + 1));
        release = a->ManagedFieldCount > 0 ? reinterpret_cast<const void*>(&FreeWithFields)
                                           : reinterpret_cast<const void*>(&toravex_FreePlain);
    } else {
        a->PreviousFreeInstance = nullptr;  // a class with its own FreeInstance keeps it
    }

    void* cls = a->AcceleratedClass;
    bool stored = false;
    if (a->NewInstanceStub && WriteStub(a->NewInstanceStub, false, a, allocation) &&
        WritePointerAt(cls, kNewInstanceSlot, reinterpret_cast<uint32_t>(a->NewInstanceStub))) {
        stored = true;
    } else {
        codeHeap.Release(a->NewInstanceStub);
        a->NewInstanceStub = nullptr;
    }
    if (a->FreeInstanceStub && WriteStub(a->FreeInstanceStub, true, a, release) &&
        WritePointerAt(cls, kFreeInstanceSlot, reinterpret_cast<uint32_t>(a->FreeInstanceStub))) {
        stored = true;
    } else {
        codeHeap.Release(a->FreeInstanceStub);
        a->FreeInstanceStub = nullptr;
    }
    if (!stored) a->AcceleratedClass = nullptr;
}

namespace {

// Puts the slot's value back and frees the stub, when the slot still holds
// this accelerator's stub; a slot someone else has taken over since keeps
// what it holds, and so does the stub, which that code may lead to.
void RestoreSlot(void* cls, bool readable, int32_t offset, uint8_t*& stub, void* original, THeapAllocator& heap) {
    if (!stub) return;
    if (readable) {
        if (Slot(cls, offset) != stub) return;
        WritePointerAt(cls, offset, reinterpret_cast<uint32_t>(original));
    }
    heap.Release(stub);
    stub = nullptr;
}

}  // namespace

void ReleaseAccelerator(TObjectAccelerator* a, THeapAllocator& codeHeap) {
    if (!a) return;
    void* cls = a->AcceleratedClass;
    const bool readable = cls && Platform().IsReadable(static_cast<char*>(cls) + kNewInstanceSlot, -kNewInstanceSlot);
    RestoreSlot(cls, readable, kNewInstanceSlot, a->NewInstanceStub, a->NewInstanceSlotValue, codeHeap);
    RestoreSlot(cls, readable, kFreeInstanceSlot, a->FreeInstanceStub, a->FreeInstanceSlotValue, codeHeap);
    if (a->ManagedFields) ObjectHost.freeMem(a->ManagedFields);
    if (a->Template) ObjectHost.freeMem(a->Template);
    delete a;
}

}  // namespace toravex
