// The routine table: every produced target fills all fifteen slots, each with
// a variant of that slot's family whose instruction-set features the target
// guarantees; BlendedFastCode gives the Generic row.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/BuildProfile.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/RoutineVariants.h"

using namespace toravex;

namespace {

constexpr uint8_t kTargets[] = {TargetGeneric,       TargetMMX,        TargetSSE,    TargetSSE2,
                                TargetIntelF6M13,    TargetIntelF6M14, TargetIntelF15Early,
                                TargetIntelF15M6,    TargetAmdF15,     TargetAmdF15Sse3};

// The family a variant belongs to, by its code.
const char* FamilyOf(const void* routine) {
    for (const RoutineFamily& family : RoutineFamilies())
        for (const RoutineVariant& v : family.variants)
            if (v.routine == routine) return family.slot;
    return nullptr;
}

const std::string kOptionsKey = std::string(Profile().optionsKey).substr(1);

}  // namespace

TEST(RoutineTable, EveryTargetFillsEverySlotWithAVariantItsProcessorsRun) {
    for (uint8_t target : kTargets) {
        SCOPED_TRACE(RoutineTargetName(target));
        const uint16_t guaranteed = TargetGuarantees(target);
        ASSERT_NE(guaranteed, 0);
        for (const NamedSlot& slot : NamedSlots(RoutineRow(target))) {
            ASSERT_NE(slot.routine, nullptr) << slot.name;
            EXPECT_STREQ(FamilyOf(slot.routine), slot.name);
            const RoutineVariant* v = FindVariant(slot.routine);
            ASSERT_NE(v, nullptr) << slot.name;
            EXPECT_EQ(v->needs & ~guaranteed, 0) << v->name << " uses features the target does not guarantee";
        }
    }
    for (uint8_t unused : {1, 4, 6, 7, 14, 255}) EXPECT_EQ(RoutineRow(unused).CompareStr, nullptr);

    // Generic is the target of processors with nothing beyond the baseline
    // (a Pentium without MMX or CMOV).
    ProcessorInfo pentium{};
    pentium.vendor = VendorIntel;
    pentium.family = 5;
    pentium.features = FeatureFPU | FeatureTSC | FeatureCX8;
    EXPECT_EQ(SelectRoutineTarget(pentium), TargetGeneric);
    EXPECT_EQ(TargetGuarantees(TargetGeneric), FeatureFPU);
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
    // It runs on every processor.
    for (const NamedSlot& slot : NamedSlots(set))
        if (slot.routine) EXPECT_EQ(FindVariant(slot.routine)->needs & ~TargetGuarantees(TargetGeneric), 0);
}

TEST(RoutineTable, BlendedOptionGivesTheGenericRowAndLeavesMoveAlone) {
    auto names = [](const RoutineSlots& s) {
        std::vector<const void*> v;
        for (const NamedSlot& slot : NamedSlots(s)) v.push_back(slot.routine);
        return v;
    };
    testsupport::DeleteKeyTree(kOptionsKey);
    MoveSlot = &MoveSSE2;
    RoutineTarget = TargetIntelF15M6;
    PrepareRoutineTable();
    EXPECT_EQ(RoutineTarget, TargetIntelF15M6);
    EXPECT_EQ(names(Slots), names(RoutineRow(TargetIntelF15M6)));

    testsupport::WriteDword(kOptionsKey, "BlendedFastCode", 1);
    PrepareRoutineTable();
    EXPECT_EQ(RoutineTarget, TargetGeneric);
    EXPECT_EQ(names(Slots), names(RoutineRow(TargetGeneric)));
    EXPECT_EQ(MoveSlot, &MoveSSE2);

    testsupport::WriteDword(kOptionsKey, "BlendedFastCode", 0);
    RoutineTarget = TargetAmdF15;
    PrepareRoutineTable();
    EXPECT_EQ(names(Slots), names(RoutineRow(TargetAmdF15)));
    testsupport::DeleteKeyTree(kOptionsKey);
}
