// The routine table: for every replaceable runtime routine, the variant
// chosen for this processor's routine target, kept in one slot per routine.
// The runtime patch set puts each slot's routine in place of the host
// export the slot is named after.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "fastcode/CompareMem.h"
#include "fastcode/CompareStr.h"
#include "fastcode/CompareText.h"
#include "fastcode/FillChar.h"
#include "fastcode/LowerCase.h"
#include "fastcode/MaxInt.h"
#include "fastcode/Pos.h"
#include "fastcode/PosEx.h"
#include "fastcode/StrComp.h"
#include "fastcode/StrCopy.h"
#include "fastcode/StrIComp.h"
#include "fastcode/StrLen.h"
#include "fastcode/StrToInt.h"
#include "fastcode/StringReplace.h"
#include "fastcode/UpperCase.h"

namespace toravex {

using StringReplaceRoutine = decltype(&StringReplace);

// The fifteen slots, each named after the host export it replaces. Nil
// until the table is filled; nil also for a routine a build does not replace.
struct RoutineSlots {
    StringReplaceRoutine StringReplace;
    CompareMemRoutine CompareMem;
    CompareStrRoutine CompareStr;
    CompareTextRoutine CompareText;
    FillCharRoutine FillChar;
    LowerCaseRoutine LowerCase;
    PosRoutine Pos;  // the counted-string position helper LStrPos
    PosExRoutine PosEx;
    StrCompRoutine StrComp;
    StrCopyRoutine StrCopy;
    StrICompRoutine StrIComp;
    StrLenRoutine StrLen;
    StrToIntRoutine StrToInt;
    UpperCaseRoutine UpperCase;
    MaxRoutine Max;
};

// Read by the runtime patch set and the C runtime adapters (by name from
// assembly: _toravex_Slots, fields in the order above).
extern "C" RoutineSlots toravex_Slots;
inline RoutineSlots& Slots = toravex_Slots;

// The slots with their names, in the order above.
struct NamedSlot {
    const char* name;
    const void* routine;
};
std::array<NamedSlot, 15> NamedSlots(const RoutineSlots& slots);

// Puts routine into the slot of that name; false when no slot has it.
bool SetNamedSlot(RoutineSlots& slots, std::string_view name, const void* routine);

// The row of the table for a target: every slot filled for the ten
// produced targets, all nil for any other code.
RoutineSlots RoutineRow(uint8_t target);

// The fixed set of the builds without a routine table (package version 50):
// blended routines whatever the processor; StrIComp, PosEx and StrToInt are
// not replaced.
RoutineSlots FixedRoutineSet();

// Module preparation: with "BlendedFastCode" set, the routine target becomes
// Generic; then the slots are filled from the target's row (or the build's
// fixed set). Without "BlendedFastCode", routines tuned for this very
// processor (toravex-cpuinfo --tune) then take the place of the row's and of
// the block move's choice, when they are stored and valid.
void PrepareRoutineTable();

}  // namespace toravex
