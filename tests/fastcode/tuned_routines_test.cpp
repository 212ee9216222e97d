// Routines tuned to the machine: the routine slots, the move slot and the
// large-move threshold take exactly what is stored for the processor it was
// measured on; whenever anything about the stored tuning is in doubt, the
// table's choices stand, and BlendedFastCode wins over both.
#include <gtest/gtest.h>

#include <functional>

#include "TestSupport.h"
#include "base/BuildProfile.h"
#include "base/Options.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/RoutineVariants.h"
#include "fastcode/TunedRoutines.h"

using namespace toravex;

namespace {

const std::string kKey = std::string(Profile().optionsKey).substr(1);

// AMD family 15, base model 11 with SSE3 (target AmdF15Sse3): runs every variant.
ProcessorInfo AmdWithSse3() {
    ProcessorInfo cpu{};
    cpu.vendor = VendorAMD;
    cpu.signature = 0x00020FB1;
    cpu.family = 15;
    cpu.model = 0x2B;
    cpu.baseModel = 11;
    cpu.l2CacheKB = 512;
    cpu.features = FeatureFPU | FeatureTSC | FeatureCX8 | FeatureSEP | FeatureCMOV | FeatureMMX | FeatureFXSR |
                   FeatureSSE | FeatureSSE2 | FeatureSSE3 | FeatureCX16 | FeatureLongMode | FeatureMMXExtensions |
                   FeatureExtended3DNow | FeatureThreeDNow;
    return cpu;
}

// Intel family 6 model 8 (target SSE): no SSE2, so several variants do not run.
ProcessorInfo IntelWithSseOnly() {
    ProcessorInfo cpu{};
    cpu.vendor = VendorIntel;
    cpu.signature = 0x00000683;
    cpu.family = 6;
    cpu.model = 8;
    cpu.baseModel = 8;
    cpu.l2CacheKB = 256;
    cpu.features =
        FeatureFPU | FeatureTSC | FeatureCX8 | FeatureSEP | FeatureCMOV | FeatureMMX | FeatureFXSR | FeatureSSE;
    return cpu;
}

// What the slots, the move slot and the threshold hold.
struct Choices {
    std::vector<std::string> names;  // the fifteen slots, then Move
    int32_t threshold;
    bool operator==(const Choices&) const = default;
};

std::string NameOf(const void* routine) {
    const RoutineVariant* v = FindVariant(routine);
    return v ? v->name : "?";
}

Choices Current() {
    Choices c;
    for (const NamedSlot& slot : NamedSlots(Slots)) c.names.push_back(NameOf(slot.routine));
    c.names.push_back(NameOf(reinterpret_cast<const void*>(MoveSlot)));
    c.threshold = LargeMoveThreshold;
    return c;
}

// The table's choices for cpu, worked out without the preparations.
Choices TableOf(const ProcessorInfo& cpu, uint8_t target) {
    Choices c;
    for (const NamedSlot& slot : NamedSlots(RoutineRow(target))) c.names.push_back(NameOf(slot.routine));
    c.names.push_back(NameOf(reinterpret_cast<const void*>(SelectMoveVariant(cpu.features))));
    c.threshold = LargeMoveThresholdFor(cpu.l2CacheKB);
    return c;
}

// A tuning for cpu that differs from the table wherever a family lets it:
// per slot the last variant cpu runs that is not the table's.
StoredTuning OtherThanTheTable(const ProcessorInfo& cpu) {
    StoredTuning t = TuningIdentity(cpu);
    t.largeMoveBytes = 3 << 20;
    const Choices table = TableOf(cpu, SelectRoutineTarget(cpu));
    size_t slot = 0;
    for (const RoutineFamily& family : RoutineFamilies()) {
        std::string chosen = table.names[slot++];
        for (const RoutineVariant& v : family.variants)
            if (!(v.needs & ~cpu.features) && v.name != table.names[slot - 1]) chosen = v.name;
        t.choices.push_back({family.slot, chosen});
    }
    return t;
}

Choices ExpectedFrom(const StoredTuning& t) {
    Choices c;
    for (const SlotChoice& choice : t.choices) c.names.push_back(choice.variant);
    c.threshold = -t.largeMoveBytes;
    return c;
}

class TunedRoutinesTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::DeleteKeyTree(kKey); }
    void TearDown() override {
        testsupport::DeleteKeyTree(kKey);
        PrepareProcessorDetection();
        PrepareFastMove();
    }
    // The module preparations of the processor, block move and routine table.
    static Choices PrepareFor(const ProcessorInfo& cpu) {
        Processor = cpu;
        RoutineTarget = SelectRoutineTarget(cpu);
        PrepareFastMove();
        PrepareRoutineTable();
        return Current();
    }
    static void Store(const std::string& text) { testsupport::WriteString(kKey, kTunedRoutinesValue, text); }
};

}  // namespace

TEST_F(TunedRoutinesTest, TheSlotsTheMoveAndTheThresholdAreFilledExactlyAsStored) {
    for (const ProcessorInfo& cpu : {AmdWithSse3(), IntelWithSseOnly()}) {
        SCOPED_TRACE(VendorString(cpu.vendor));
        const StoredTuning tuned = OtherThanTheTable(cpu);
        const Choices table = TableOf(cpu, SelectRoutineTarget(cpu));
        const Choices expected = ExpectedFrom(tuned);
        int differences = 0;
        for (size_t i = 0; i < table.names.size(); ++i) differences += table.names[i] != expected.names[i];
        ASSERT_GE(differences, 9) << "a tuning the table could be mistaken for proves nothing";

        EXPECT_EQ(PrepareFor(cpu), table) << "nothing stored";
        Store(FormatTuning(tuned));
        EXPECT_EQ(PrepareFor(cpu), expected);
    }
}

TEST_F(TunedRoutinesTest, AnythingInDoubtLeavesTheTablesChoices) {
    const ProcessorInfo cpu = IntelWithSseOnly();
    const StoredTuning valid = OtherThanTheTable(cpu);
    Store(FormatTuning(valid));
    ASSERT_EQ(PrepareFor(cpu), ExpectedFrom(valid));

    auto choose = [](const char* slot, const char* variant) {
        return [=](StoredTuning& t) {
            for (SlotChoice& c : t.choices)
                if (c.slot == slot) c.variant = variant;
        };
    };
    const std::pair<const char*, std::function<void(StoredTuning&)>> doubts[] = {
        {"another vendor", [](StoredTuning& t) { t.vendor = "AuthenticAMD"; }},
        {"an unrecognised vendor", [](StoredTuning& t) { t.vendor = ""; }},
        {"another family", [](StoredTuning& t) { t.family = 15; }},
        {"another model", [](StoredTuning& t) { t.model = 7; }},
        {"another stepping", [](StoredTuning& t) { t.stepping = 6; }},
        {"more features", [](StoredTuning& t) { t.features |= FeatureSSE2; }},
        {"fewer features", [](StoredTuning& t) { t.features &= ~FeatureSEP; }},
        {"Move needing SSE2", choose("Move", "MoveSSE2")},
        {"Pos needing SSE2", choose("Pos", "PosB")},
        {"CompareMem needing SSE3", choose("CompareMem", "CompareMemA")},
        {"a variant of another family", choose("CompareStr", "PosA")},
        {"an unknown variant", choose("StrLen", "StrLenZ")},
        {"the move variant in a routine slot", choose("Max", "MoveMMX")},
        {"a slot missing", [](StoredTuning& t) { t.choices.erase(t.choices.begin() + 3); }},
        {"Move missing", [](StoredTuning& t) { t.choices.pop_back(); }},
        {"an unknown slot", [](StoredTuning& t) { t.choices.push_back({"StrScan", "StrScanA"}); }},
    };
    const Choices table = TableOf(cpu, SelectRoutineTarget(cpu));
    for (const auto& [doubt, change] : doubts) {
        StoredTuning t = valid;
        change(t);
        Store(FormatTuning(t));
        EXPECT_EQ(PrepareFor(cpu), table) << doubt;
        TunedRoutines unused;
        EXPECT_NE(ResolveTuning(t, cpu, unused), nullptr) << doubt;
    }
    for (const std::string& text : {FormatTuning(valid) + ";", FormatTuning(valid).substr(1), std::string("tuned")}) {
        Store(text);
        EXPECT_EQ(PrepareFor(cpu), table) << text;
    }
    testsupport::DeleteKeyTree(kKey);
    testsupport::WriteDword(kKey, kTunedRoutinesValue, 1);
    EXPECT_EQ(PrepareFor(cpu), table) << "a DWORD";
}

TEST_F(TunedRoutinesTest, BlendedFastCodeWinsOverTunedRoutines) {
    const ProcessorInfo cpu = AmdWithSse3();
    Store(FormatTuning(OtherThanTheTable(cpu)));
    testsupport::WriteDword(kKey, "BlendedFastCode", 1);
    EXPECT_EQ(PrepareFor(cpu), TableOf(cpu, TargetGeneric)) << "the Generic row; Move as the features say";
    EXPECT_EQ(RoutineTarget, TargetGeneric);
}
