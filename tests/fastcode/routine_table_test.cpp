// The routine table: every produced target fills all fifteen slots with the
// variants of its row; BlendedFastCode gives the Generic row.
#include <gtest/gtest.h>

#include <map>

#include "TestSupport.h"
#include "base/BuildProfile.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"

using namespace toravex;

namespace {

// The table as it is specified, one letter per target in the order
// Generic, MMX, SSE, SSE2, IntelF6M13, IntelF6M14, IntelF15Early,
// IntelF15M6, AmdF15, AmdF15Sse3.
constexpr uint8_t kTargets[10] = {TargetGeneric,    TargetMMX,        TargetSSE,           TargetSSE2,
                                  TargetIntelF6M13, TargetIntelF6M14, TargetIntelF15Early, TargetIntelF15M6,
                                  TargetAmdF15,     TargetAmdF15Sse3};
const std::map<std::string, const char*> kTable = {
    {"CompareMem", "FFFCDDBAEE"}, {"CompareStr", "CCCCCBAACD"}, {"CompareText", "BBBBCCAABB"},
    {"FillChar", "DCEBCCBAAB"},   {"LowerCase", "BAAAAAAABB"},  {"Pos", "AAAABBAAAA"},
    {"PosEx", "AAAABBAAAA"},      {"StrComp", "BBBBBBBAAA"},    {"StrCopy", "BBBBAABBCA"},
    {"StrIComp", "AAAAAAAAAA"},   {"StrLen", "BBBCAACAAA"},     {"StrToInt", "EEEECCBABD"},
    {"UpperCase", "DCBBCCBACC"},  {"Max", "AAAAAAABAA"},
};

// The routine a slot holds for a variant letter.
const void* Variant(const std::string& slot, char letter) {
    static const std::map<std::string, std::vector<const void*>> variants = {
        {"CompareMem", {(void*)CompareMemA, (void*)CompareMemB, (void*)CompareMemC, (void*)CompareMemD,
                        (void*)CompareMemE, (void*)CompareMemF}},
        {"CompareStr", {(void*)CompareStrA, (void*)CompareStrB, (void*)CompareStrC, (void*)CompareStrD}},
        {"CompareText", {(void*)CompareTextA, (void*)CompareTextB, (void*)CompareTextC}},
        {"FillChar", {(void*)FillCharA, (void*)FillCharB, (void*)FillCharC, (void*)FillCharD, (void*)FillCharE}},
        {"LowerCase", {(void*)LowerCaseA, (void*)LowerCaseB}},
        {"Pos", {(void*)PosA, (void*)PosB}},
        {"PosEx", {(void*)PosExA, (void*)PosExB}},
        {"StrComp", {(void*)StrCompA, (void*)StrCompB}},
        {"StrCopy", {(void*)StrCopyA, (void*)StrCopyB, (void*)StrCopyC}},
        {"StrIComp", {(void*)StrICompA}},
        {"StrLen", {(void*)StrLenA, (void*)StrLenB, (void*)StrLenC}},
        {"StrToInt", {(void*)StrToIntA, (void*)StrToIntB, (void*)StrToIntC, (void*)StrToIntD, (void*)StrToIntE}},
        {"UpperCase", {(void*)UpperCaseA, (void*)UpperCaseB, (void*)UpperCaseC, (void*)UpperCaseD}},
        {"Max", {(void*)MaxA, (void*)MaxB}},
    };
    return variants.at(slot).at(static_cast<size_t>(letter - 'A'));
}

std::map<std::string, const void*> SlotsOf(const RoutineSlots& s) {
    return {{"CompareMem", (void*)s.CompareMem}, {"CompareStr", (void*)s.CompareStr},
            {"CompareText", (void*)s.CompareText}, {"FillChar", (void*)s.FillChar},
            {"LowerCase", (void*)s.LowerCase},   {"Pos", (void*)s.Pos},
            {"PosEx", (void*)s.PosEx},           {"StrComp", (void*)s.StrComp},
            {"StrCopy", (void*)s.StrCopy},       {"StrIComp", (void*)s.StrIComp},
            {"StrLen", (void*)s.StrLen},         {"StrToInt", (void*)s.StrToInt},
            {"UpperCase", (void*)s.UpperCase},   {"Max", (void*)s.Max}};
}

const std::string kOptionsKey = std::string(Profile().optionsKey).substr(1);

}  // namespace

TEST(RoutineTable, EveryTargetFillsEverySlotWithItsRow) {
    for (int column = 0; column < 10; ++column) {
        const RoutineSlots row = RoutineRow(kTargets[column]);
        SCOPED_TRACE(RoutineTargetName(kTargets[column]));
        EXPECT_EQ(row.StringReplace, &StringReplace);
        for (const auto& [slot, routine] : SlotsOf(row)) {
            ASSERT_NE(routine, nullptr) << slot;
            EXPECT_EQ(routine, Variant(slot, kTable.at(slot)[column])) << slot;
        }
    }
    for (uint8_t unused : {1, 4, 6, 7, 14, 255}) EXPECT_EQ(RoutineRow(unused).CompareStr, nullptr);
}

TEST(RoutineTable, FixedSetOfTheBuildsWithoutATable) {
    const RoutineSlots set = FixedRoutineSet();
    EXPECT_EQ(set.StrComp, &StrCompB);
    EXPECT_EQ(set.StrLen, &StrLenB);
    EXPECT_EQ(set.Max, &MaxB);
    EXPECT_EQ(set.FillChar, &FillCharD);
    EXPECT_EQ(set.StrIComp, nullptr);
    EXPECT_EQ(set.PosEx, nullptr);
    EXPECT_EQ(set.StrToInt, nullptr);
    EXPECT_NE(set.StringReplace, nullptr);
    EXPECT_NE(set.CompareStr, nullptr);
}

TEST(RoutineTable, BlendedOptionGivesTheGenericRowAndLeavesMoveAlone) {
    testsupport::DeleteKeyTree(kOptionsKey);
    MoveSlot = &MoveSSE2;
    RoutineTarget = TargetIntelF15M6;
    PrepareRoutineTable();
    EXPECT_EQ(RoutineTarget, TargetIntelF15M6);
    EXPECT_EQ(Slots.Max, &MaxB);
    EXPECT_EQ(Slots.FillChar, &FillCharA);

    testsupport::WriteDword(kOptionsKey, "BlendedFastCode", 1);
    PrepareRoutineTable();
    EXPECT_EQ(RoutineTarget, TargetGeneric);
    EXPECT_EQ(Slots.Max, &MaxA);
    EXPECT_EQ(SlotsOf(Slots), SlotsOf(RoutineRow(TargetGeneric)));
    EXPECT_EQ(MoveSlot, &MoveSSE2);

    testsupport::WriteDword(kOptionsKey, "BlendedFastCode", 0);
    RoutineTarget = TargetAmdF15;
    PrepareRoutineTable();
    EXPECT_EQ(Slots.StrLen, &StrLenA);
    testsupport::DeleteKeyTree(kOptionsKey);
}
