#include "runtime/FastObjRoutines.h"

#include "fastcode/FastcodeCPUID.h"
#include "fastcode/RoutineVariants.h"
#include "runtime/FastSysRoutines.h"

extern "C" {
void*(HOSTCALL* toravex_ObjectGetMem)(int32_t size) = nullptr;
int32_t(HOSTCALL* toravex_ObjectFreeMem)(void* p) = nullptr;
}

namespace toravex {

namespace {

uint32_t* NewBlock(const TObjectAccelerator* a) {
    return static_cast<uint32_t*>(ObjectHost.getMem(a->InstanceSize));
}
uint32_t ClassWord(const TObjectAccelerator* a) { return reinterpret_cast<uint32_t>(a->AcceleratedClass); }

}  // namespace

void* HOSTCALL AllocClassOnly(TObjectAccelerator* a) {
    uint32_t* p = NewBlock(a);
    if (p) p[0] = ClassWord(a);
    return p;
}

void* HOSTCALL AllocSmallZeroed(TObjectAccelerator* a) {
    uint32_t* p = NewBlock(a);
    if (!p) return p;
    p[0] = ClassWord(a);
    for (int32_t i = a->InstanceSize / 4 - 1; i >= 1; --i) p[i] = 0;
    return p;
}

void* HOSTCALL AllocZeroed(TObjectAccelerator* a) {
    uint32_t* p = NewBlock(a);
    if (!p) return p;
    const int32_t words = a->InstanceSize / 4;
    for (int32_t i = 0; i < words; ++i) p[i] = 0;
    p[0] = ClassWord(a);
    return p;
}

void* HOSTCALL AllocSmallCopy(TObjectAccelerator* a) {
    uint32_t* p = NewBlock(a);
    if (!p) return p;
    const auto* t = static_cast<const uint32_t*>(a->Template);
    for (int32_t i = a->InstanceSize / 4 - 1; i >= 0; --i) p[i] = t[i];
    return p;
}

void* HOSTCALL AllocCopyPrefix(TObjectAccelerator* a) {
    uint32_t* p = NewBlock(a);
    if (!p) return p;
    const auto* t = static_cast<const uint32_t*>(a->Template);
    const int32_t words = a->InstanceSize / 4;
    int32_t i = 0;
    for (; i < a->CopyDwords; ++i) p[i] = t[i];
    for (; i < words; ++i) p[i] = 0;
    return p;
}

void HOSTCALL FreeWithFields(TObjectAccelerator* a, void* instance) {
    const ManagedField* field = a->ManagedFields;
    for (uint32_t i = 0; i < a->ManagedFieldCount; ++i, ++field)
        FinalizeOne(static_cast<char*>(instance) + field->Offset, field->TypeInfo);
    ObjectHost.freeMem(instance);
}

namespace {

// The two ways of each routine with the instruction-set features their code
// uses (the processor check of the deliverables reads these rows): the MMX
// one first, the one every processor runs second.
#define VARIANT(routine, needs) {#routine, reinterpret_cast<const void*>(&routine), needs}
const RoutineVariant kZeroedAllocation[] = {VARIANT(toravex_AllocZeroedMmx, FeatureMMX), VARIANT(AllocZeroed, 0)};
const RoutineVariant kPrefixAllocation[] = {VARIANT(toravex_AllocCopyPrefixMmx, FeatureMMX),
                                            VARIANT(AllocCopyPrefix, 0)};
#undef VARIANT

}  // namespace

const void* ZeroedAllocation(bool mmx) { return kZeroedAllocation[mmx ? 0 : 1].routine; }
const void* PrefixAllocation(bool mmx) { return kPrefixAllocation[mmx ? 0 : 1].routine; }

}  // namespace toravex
