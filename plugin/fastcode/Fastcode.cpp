#include "fastcode/Fastcode.h"

#include "base/BuildProfile.h"
#include "base/Options.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/TunedRoutines.h"

namespace toravex {

RoutineSlots toravex_Slots = {};

// Each family knows which of its variants a target uses; the table gathers
// them. StringReplace is one routine for every target.
RoutineSlots RoutineRow(uint8_t target) {
    RoutineSlots row{};
    if (!CompareStrFor(target)) return row;  // not a produced target
    row.StringReplace = &StringReplace;
    row.CompareMem = CompareMemFor(target);
    row.CompareStr = CompareStrFor(target);
    row.CompareText = CompareTextFor(target);
    row.FillChar = FillCharFor(target);
    row.LowerCase = LowerCaseFor(target);
    row.Pos = PosFor(target);
    row.PosEx = PosExFor(target);
    row.StrComp = StrCompFor(target);
    row.StrCopy = StrCopyFor(target);
    row.StrIComp = StrICompFor(target);
    row.StrLen = StrLenFor(target);
    row.StrToInt = StrToIntFor(target);
    row.UpperCase = UpperCaseFor(target);
    row.Max = MaxFor(target);
    return row;
}

// Every slot, in the order of RoutineSlots; the slot's name is its field's.
#define ROUTINE_SLOTS(X)                                                                                 \
    X(StringReplace) X(CompareMem) X(CompareStr) X(CompareText) X(FillChar) X(LowerCase) X(Pos) X(PosEx) \
    X(StrComp) X(StrCopy) X(StrIComp) X(StrLen) X(StrToInt) X(UpperCase) X(Max)

std::array<NamedSlot, 15> NamedSlots(const RoutineSlots& s) {
#define NAMED_SLOT(field) NamedSlot{#field, reinterpret_cast<const void*>(s.field)},
    return {ROUTINE_SLOTS(NAMED_SLOT)};
#undef NAMED_SLOT
}

bool SetNamedSlot(RoutineSlots& s, std::string_view name, const void* routine) {
#define SET_SLOT(field)                                                              \
    if (name == #field) {                                                            \
        s.field = reinterpret_cast<decltype(s.field)>(const_cast<void*>(routine));   \
        return true;                                                                 \
    }
    ROUTINE_SLOTS(SET_SLOT)
#undef SET_SLOT
    return false;
}

RoutineSlots FixedRoutineSet() {
    RoutineSlots set = RoutineRow(TargetGeneric);
    set.StrComp = &StrCompB;
    set.StrLen = &StrLenB;
    set.Max = &MaxB;
    set.FillChar = &FillCharD;
    set.StrIComp = nullptr;
    set.PosEx = nullptr;
    set.StrToInt = nullptr;
    return set;
}

void PrepareRoutineTable() {
    const bool blended = ReadBlendedFastCode();
    if (blended) RoutineTarget = TargetGeneric;
    if (!Profile().hasRoutineTable) {
        toravex_Slots = FixedRoutineSet();
        return;
    }
    toravex_Slots = RoutineRow(RoutineTarget);
    // The blended routines are asked for by name: nothing tuned replaces them.
    if (blended) return;
    TunedRoutines tuned{};
    if (const std::optional<StoredTuning> stored = ReadTuning())
        if (!ResolveTuning(*stored, Processor, tuned)) UseTunedRoutines(tuned);
}

}  // namespace toravex
