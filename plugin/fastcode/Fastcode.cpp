#include "fastcode/Fastcode.h"

#include "base/BuildProfile.h"
#include "base/Options.h"
#include "fastcode/FastcodeCPUID.h"

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

std::array<NamedSlot, 15> NamedSlots(const RoutineSlots& s) {
    auto slot = [](const char* name, auto routine) { return NamedSlot{name, reinterpret_cast<const void*>(routine)}; };
    return {slot("StringReplace", s.StringReplace), slot("CompareMem", s.CompareMem),
            slot("CompareStr", s.CompareStr),       slot("CompareText", s.CompareText),
            slot("FillChar", s.FillChar),           slot("LowerCase", s.LowerCase),
            slot("Pos", s.Pos),                     slot("PosEx", s.PosEx),
            slot("StrComp", s.StrComp),             slot("StrCopy", s.StrCopy),
            slot("StrIComp", s.StrIComp),           slot("StrLen", s.StrLen),
            slot("StrToInt", s.StrToInt),           slot("UpperCase", s.UpperCase),
            slot("Max", s.Max)};
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
    if (ReadBlendedFastCode()) RoutineTarget = TargetGeneric;
    toravex_Slots = Profile().hasRoutineTable ? RoutineRow(RoutineTarget) : FixedRoutineSet();
}

}  // namespace toravex
