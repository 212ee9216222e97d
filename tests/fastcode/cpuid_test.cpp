// Processor detection from supplied CPUID answers, the routine target rules,
// and the probes on this machine.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "fastcode/FastcodeCPUID.h"

using namespace toravex;

namespace {

// Leaf 1 EDX and ECX bits.
constexpr uint32_t FPU = 1u << 0, TSC = 1u << 4, CX8 = 1u << 8, SEP = 1u << 11, CMOV = 1u << 15, MMX = 1u << 23,
                   FXSR = 1u << 24, SSE = 1u << 25, SSE2 = 1u << 26;
constexpr uint32_t SSE3 = 1u << 0, MONITOR = 1u << 3, CX16 = 1u << 13;
constexpr uint32_t kP6 = FPU | TSC | CX8 | SEP | CMOV | MMX | FXSR;
constexpr uint32_t kSse2Processor = kP6 | SSE | SSE2;

// A processor that answers CPUID from lists: the n-th question for a leaf
// gets the n-th answer of its list (the last one again after that).
class SimulatedProcessor final : public ProcessorProbe {
public:
    bool cpuid = true, fpu = true, xmm = true;
    uint32_t raiseAtLeaf = 0;  // raises an illegal instruction there when not 0
    std::map<uint32_t, std::vector<CpuidRegisters>> answers;
    std::vector<uint32_t> asked;

    SimulatedProcessor& Vendor(const char* twelve, uint32_t highestLeaf) {
        CpuidRegisters r{highestLeaf, 0, 0, 0};
        std::memcpy(&r.ebx, twelve, 4);
        std::memcpy(&r.edx, twelve + 4, 4);
        std::memcpy(&r.ecx, twelve + 8, 4);
        answers[0] = {r};
        return *this;
    }
    SimulatedProcessor& Leaf1(uint32_t signature, uint32_t edx, uint32_t ecx = 0) {
        answers[1] = {{signature, 0, ecx, edx}};
        return *this;
    }
    SimulatedProcessor& Extended(uint32_t highest, uint32_t edx = 0) {
        answers[0x80000000] = {{highest, 0, 0, 0}};
        answers[0x80000001] = {{0, 0, 0, edx}};
        return *this;
    }
    SimulatedProcessor& Answer(uint32_t leaf, std::vector<CpuidRegisters> list) {
        answers[leaf] = std::move(list);
        return *this;
    }
    int TimesAsked(uint32_t leaf) const { return static_cast<int>(std::count(asked.begin(), asked.end(), leaf)); }

    bool HasCpuid() override { return cpuid; }
    CpuidRegisters Cpuid(uint32_t leaf) override {
        asked.push_back(leaf);
        if (raiseAtLeaf != 0 && leaf == raiseAtLeaf) RaiseException(EXCEPTION_ILLEGAL_INSTRUCTION, 0, 0, nullptr);
        const std::vector<CpuidRegisters>& list = answers[leaf];
        if (list.empty()) return {};
        const size_t n = static_cast<size_t>(TimesAsked(leaf)) - 1;
        return list[std::min(n, list.size() - 1)];
    }
    bool HasFpu() override { return fpu; }
    bool XmmStateUsable() override { return xmm; }

    ProcessorInfo Detect() {
        ProcessorInfo info;
        std::memset(&info, 0xCC, sizeof info);  // detection must clear it
        DetectProcessor(*this, info);
        return info;
    }
};

SimulatedProcessor Intel(uint32_t signature, uint32_t edx, uint32_t ecx = 0) {
    SimulatedProcessor p;
    p.Vendor("GenuineIntel", 2).Leaf1(signature, edx, ecx).Extended(0x80000004);
    return p;
}
SimulatedProcessor Amd(uint32_t signature, uint32_t edx, uint32_t ecx = 0) {
    SimulatedProcessor p;
    p.Vendor("AuthenticAMD", 1).Leaf1(signature, edx, ecx).Extended(0x80000008);
    return p;
}

// Leaf 2 answer: the call count in AL, then descriptor bytes in order
// (EAX bytes 1-3, then EBX, ECX, EDX from the low byte).
CpuidRegisters Descriptors(uint8_t calls, std::vector<uint8_t> bytes) {
    uint8_t all[16] = {calls};
    std::copy(bytes.begin(), bytes.end(), all + 1);
    CpuidRegisters r;
    std::memcpy(&r, all, 16);
    return r;
}

}  // namespace

TEST(DetectionTest, VendorIsTheIndexOfTheMatchingVendorString) {
    const std::pair<const char*, int> cases[] = {
        {"AuthenticAMD", VendorAMD},   {"CentaurHauls", VendorCentaur}, {"CyrixInstead", VendorCyrix},
        {"GenuineIntel", VendorIntel}, {"GenuineTMx86", VendorTransmeta}, {"NexGenDriven", VendorNexGen},
        {"RiseRiseRise", VendorRise},  {"UMC UMC UMC ", VendorUMC},     {"Geode by NSC", VendorNSC},
        // Stored with 11 characters, the SiS entry never equals a CPUID string.
        {"SiS SiS SiS ", VendorUnknown}, {"GenuineIntex", VendorUnknown}};
    for (const auto& [text, vendor] : cases) {
        SimulatedProcessor p;
        p.Vendor(text, 0);
        EXPECT_EQ(p.Detect().vendor, vendor) << text;
        EXPECT_STREQ(VendorString(static_cast<uint8_t>(vendor)), vendor ? text : "");
    }
}

TEST(DetectionTest, SignatureGivesEffectiveFamilyAndModel) {
    struct Case {
        uint32_t signature;
        int family, model, baseModel;
    } const cases[] = {
        {0x000006D8, 6, 13, 13}, {0x000906E9, 6, 14, 14},  // extended model only counts for family 15
        {0x00000F29, 15, 2, 2},  {0x00020F32, 15, 0x23, 3}, {0x00100F22, 16, 2, 2}, {0x00A10F11, 25, 0x11, 1}};
    for (const Case& c : cases) {
        const ProcessorInfo info = Amd(c.signature, kP6).Detect();
        EXPECT_EQ(info.signature, c.signature);
        EXPECT_EQ(info.family, c.family) << std::hex << c.signature;
        EXPECT_EQ(info.model, c.model) << std::hex << c.signature;
        EXPECT_EQ(info.baseModel, c.baseModel) << std::hex << c.signature;
    }
}

TEST(DetectionTest, FeatureFlagsFollowTheirBitsAndVendorRules) {
    const uint16_t leaf1 = FeatureFPU | FeatureTSC | FeatureCX8 | FeatureSEP | FeatureCMOV | FeatureMMX | FeatureFXSR |
                           FeatureSSE | FeatureSSE2 | FeatureSSE3 | FeatureCX16;
    SimulatedProcessor amd = Amd(0xF48, kSse2Processor, SSE3 | MONITOR | CX16);
    amd.Extended(0x80000001, (1u << 29) | (1u << 22) | (1u << 30) | (1u << 31));
    EXPECT_EQ(amd.Detect().features, leaf1 | FeatureLongMode | FeatureMMXExtensions | FeatureExtended3DNow |
                                         FeatureThreeDNow);  // no MONITOR outside Intel
    EXPECT_EQ(Intel(0xF43, kSse2Processor, SSE3 | MONITOR | CX16).Detect().features, leaf1 | FeatureMONITOR);

    // SEP is cleared on Intel parts below signature 0x633 (bits 14-15 and
    // 28-31 masked off); other vendors keep it.
    const std::pair<uint32_t, bool> sep[] = {{0x633, true}, {0x632, false}, {0xC632, false}, {0x1632, true},
                                             {0x52, false}, {0x10632, true}, {0xF0000632, false}};
    for (const auto& [signature, kept] : sep)
        EXPECT_EQ(Intel(signature, kP6).Detect().Has(FeatureSEP), kept) << std::hex << signature;
    EXPECT_TRUE(Amd(0x632, kP6).Detect().Has(FeatureSEP));
}

TEST(DetectionTest, LeafTwoIsAskedAsOftenAsItsFirstAnswerSaysAndLaterDescriptorsWin) {
    SimulatedProcessor p = Intel(0x6D8, kSse2Processor);
    // The register validity bit (bit 31) is not examined.
    p.Answer(2, {Descriptors(2, {0x2C, 0x30, 0x43, 0, 0, 0, 0x80, 0x22}), Descriptors(1, {0x44, 0x0A, 0x06})});
    const ProcessorInfo info = p.Detect();
    EXPECT_EQ(p.TimesAsked(2), 2);
    EXPECT_EQ(info.l2CacheKB, 1024);
    EXPECT_EQ(info.l1DataCacheKB, 8);
    EXPECT_EQ(info.l1InstructionCacheKB, 8);
    EXPECT_EQ(info.l3CacheKB, 512);

    SimulatedProcessor none = Intel(0x6D8, kSse2Processor);
    none.Answer(2, {Descriptors(0, {0x43})});
    EXPECT_EQ(none.Detect().l2CacheKB, 0);
    EXPECT_EQ(none.TimesAsked(2), 1);
}

TEST(DetectionTest, DescriptorFortyClearsLevelThreeOnlyAfterALevelTwoDescriptor) {
    SimulatedProcessor after = Intel(0xF29, kSse2Processor);
    after.Answer(2, {Descriptors(1, {0x22, 0x43, 0x40})});
    EXPECT_EQ(after.Detect().l3CacheKB, 0);
    SimulatedProcessor before = Intel(0xF29, kSse2Processor);
    before.Answer(2, {Descriptors(1, {0x22, 0x40, 0x43})});
    EXPECT_EQ(before.Detect().l3CacheKB, 512);
    EXPECT_EQ(before.Detect().l2CacheKB, 512);
}

TEST(DetectionTest, CyrixAndNscReadTheirOwnDescriptors) {
    const std::pair<const char*, bool> vendors[] = {
        {"CyrixInstead", true}, {"Geode by NSC", true}, {"GenuineIntel", false}};
    for (const auto& [vendor, cyrix] : vendors) {
        SimulatedProcessor p;
        p.Vendor(vendor, 2).Leaf1(0x540, FPU | MMX).Answer(2, {Descriptors(1, {0x80})});
        EXPECT_EQ(p.Detect().l1DataCacheKB, cyrix ? 8 : 0) << vendor;
        p.Answer(2, {Descriptors(1, {0x70})});
        EXPECT_EQ(p.Detect().l1InstructionCacheKB, cyrix ? 0 : 12) << vendor;
    }
}

TEST(DetectionTest, ExtendedLeavesGiveCacheSizesByVendor) {
    const CpuidRegisters l1{0, 0, 64u << 24, 32u << 24};
    const CpuidRegisters l2{0, 0, 0x40120000, 0};
    auto detect = [&](SimulatedProcessor p) {
        p.Extended(0x80000006).Answer(0x80000005, {l1}).Answer(0x80000006, {l2});
        return p.Detect();
    };
    const ProcessorInfo amd = detect(Amd(0x6A0, kP6));
    EXPECT_EQ(amd.l1DataCacheKB, 64);
    EXPECT_EQ(amd.l1InstructionCacheKB, 32);
    EXPECT_EQ(amd.l2CacheKB, 0x4012);
    EXPECT_EQ(detect(Amd(0x630, kP6)).l2CacheKB, 64);  // whatever the leaf says
    EXPECT_EQ(detect(Amd(0x10630, kP6)).l2CacheKB, 64);

    SimulatedProcessor centaur;
    centaur.Vendor("CentaurHauls", 1).Leaf1(0x678, kP6);
    EXPECT_EQ(detect(centaur).l2CacheKB, 0x40);
    EXPECT_EQ(detect(centaur).l1DataCacheKB, 64);

    const ProcessorInfo intel = detect(Intel(0x6E8, kSse2Processor));
    EXPECT_EQ(intel.l1DataCacheKB, 0);  // Intel's level-1 sizes come from leaf 2 only
    EXPECT_EQ(intel.l2CacheKB, 0x4012);

    SimulatedProcessor older = Amd(0x6A0, kP6);
    older.Extended(0x80000005).Answer(0x80000006, {l2});
    EXPECT_EQ(older.Detect().l2CacheKB, 0);
    EXPECT_EQ(older.TimesAsked(0x80000006), 0);
}

TEST(DetectionTest, WithoutCpuidOnlyTheFpuProbeCounts) {
    SimulatedProcessor p;
    p.cpuid = false;
    ProcessorInfo info = p.Detect();
    EXPECT_EQ(info.features, FeatureFPU);
    EXPECT_EQ(info.vendor, VendorUnknown);
    EXPECT_EQ(info.l2CacheKB, 0);
    EXPECT_TRUE(p.asked.empty());
    EXPECT_EQ(SelectRoutineTarget(info), TargetGeneric);
    p.fpu = false;
    EXPECT_EQ(p.Detect().features, 0);
}

TEST(DetectionTest, AnExceptionEndsDetectionAndKeepsWhatWasFound) {
    SimulatedProcessor p = Intel(0xF29, kSse2Processor);
    p.raiseAtLeaf = 0x80000000;
    const ProcessorInfo info = p.Detect();
    EXPECT_EQ(info.vendor, VendorIntel);
    EXPECT_EQ(info.family, 15);
    EXPECT_TRUE(info.Has(FeatureSSE2));
    EXPECT_EQ(info.l2CacheKB, 0);
    EXPECT_EQ(p.asked.back(), 0x80000000u);
}

TEST(TargetTest, EachRuleOfTheRoutineTarget) {
    struct Case {
        const char* what;
        SimulatedProcessor processor;
        uint8_t target;
    };
    SimulatedProcessor noXmm = Intel(0xF12, kSse2Processor);
    noXmm.xmm = false;
    SimulatedProcessor noXmmNoMmx = Intel(0xF12, FPU | SSE | SSE2);
    noXmmNoMmx.xmm = false;
    SimulatedProcessor unknown;
    unknown.Vendor("SomeNewVendr", 1).Leaf1(0xF65, kSse2Processor);
    SimulatedProcessor sseWithoutOs = Amd(0x6A0, kP6 | SSE);
    sseWithoutOs.xmm = false;
    const Case cases[] = {
        {"Intel F6 M13", Intel(0x6D8, kSse2Processor), TargetIntelF6M13},
        {"Intel F6 M14", Intel(0x6E8, kSse2Processor, SSE3), TargetIntelF6M14},
        {"Intel F6 M15", Intel(0x6FB, kSse2Processor, SSE3), TargetSSE2},
        {"Intel F15 M0", Intel(0xF07, kSse2Processor), TargetIntelF15Early},
        {"Intel F15 M1", Intel(0xF12, kSse2Processor), TargetIntelF15Early},
        {"Intel F15 M2", Intel(0xF29, kSse2Processor), TargetIntelF15Early},
        {"Intel F15 M3", Intel(0xF34, kSse2Processor, SSE3), TargetSSE2},
        {"Intel F15 M4 with SSE3", Intel(0xF43, kSse2Processor, SSE3), TargetSSE2},
        {"Intel F15 M6", Intel(0xF65, kSse2Processor, SSE3), TargetIntelF15M6},
        {"Intel F6 M8, SSE only", Intel(0x686, kP6 | SSE), TargetSSE},
        {"Intel F6 M3, MMX", Intel(0x633, kP6), TargetMMX},
        {"MMX without CMOV", Intel(0x543, FPU | TSC | CX8 | MMX), TargetGeneric},
        {"AMD F15 M3 with SSE3", Amd(0x20F32, kSse2Processor, SSE3), TargetAmdF15Sse3},
        {"AMD F15 M11 with SSE3", Amd(0x40FB2, kSse2Processor, SSE3), TargetAmdF15Sse3},
        {"AMD F15 M11 without SSE3", Amd(0x40FB2, kSse2Processor), TargetAmdF15},
        {"AMD F15 M4 with SSE3", Amd(0xF48, kSse2Processor, SSE3), TargetAmdF15},
        {"AMD F16", Amd(0x100F22, kSse2Processor, SSE3), TargetSSE2},
        {"AMD F6 SSE, XMM probe failing", sseWithoutOs, TargetMMX},
        // The vendor and model rows all hold SSE2 routines: without usable
        // XMM registers the feature rule stands.
        {"Intel F15 M1, XMM probe failing", noXmm, TargetMMX},
        {"Intel F15 M1 without MMX, XMM probe failing", noXmmNoMmx, TargetGeneric},
        {"unknown vendor", unknown, TargetSSE2},
    };
    for (Case c : cases) {
        const ProcessorInfo info = c.processor.Detect();
        EXPECT_EQ(SelectRoutineTarget(info), c.target) << c.what;
        if (!c.processor.xmm) {
            EXPECT_FALSE(info.features & (FeatureSSE | FeatureSSE2 | FeatureSSE3)) << c.what;
        }
    }
}

namespace {
void IllegalInstruction() { __asm__ volatile("ud2"); }
void Nothing() {}
uint16_t ControlWord() {
    uint16_t cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}
}  // namespace

TEST(ThisMachineTest, ProbesRunSafelyAndDetectionMatchesCpuid) {
    EXPECT_FALSE(RunGuarded(IllegalInstruction));
    EXPECT_TRUE(RunGuarded(Nothing));

    ProcessorProbe& cpu = RunningProcessor();
    ASSERT_TRUE(cpu.HasCpuid());
    const uint16_t before = ControlWord();
    EXPECT_TRUE(cpu.HasFpu());
    EXPECT_EQ(ControlWord(), before) << "the FPU probe must restore the caller's state";
    EXPECT_TRUE(cpu.XmmStateUsable());

    PrepareProcessorDetection();
    const CpuidRegisters leaf0 = cpu.Cpuid(0), leaf1 = cpu.Cpuid(1);
    char vendor[13] = {};
    std::memcpy(vendor, &leaf0.ebx, 4);
    std::memcpy(vendor + 4, &leaf0.edx, 4);
    std::memcpy(vendor + 8, &leaf0.ecx, 4);
    if (Processor.vendor) {
        EXPECT_STREQ(VendorString(Processor.vendor), vendor);
    }
    EXPECT_EQ(Processor.signature, leaf1.eax);
    EXPECT_EQ(Processor.Has(FeatureSSE2), (leaf1.edx & SSE2) != 0);
    EXPECT_EQ(RoutineTarget, SelectRoutineTarget(Processor));
    EXPECT_STRNE(RoutineTargetName(RoutineTarget), "");
}
