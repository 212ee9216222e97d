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
constexpr uint32_t FPU = 1u << 0, SEP = 1u << 11, CMOV = 1u << 15, MMX = 1u << 23, SSE = 1u << 25, SSE2 = 1u << 26;
constexpr uint32_t SSE3 = 1u << 0, MONITOR = 1u << 3, CX16 = 1u << 13;
constexpr uint32_t kP6 = FPU | (1u << 4) | (1u << 8) | SEP | CMOV | MMX | (1u << 24);
constexpr uint32_t kSse2 = kP6 | SSE | SSE2;

// Answers CPUID from lists: the n-th question for a leaf gets the n-th
// answer of its list (the last one again after that).
class SimulatedProcessor final : public ProcessorProbe {
public:
    bool cpuid = true, fpu = true, xmm = true;
    uint32_t raiseAtLeaf = 0;  // raises an illegal instruction there when not 0
    std::map<uint32_t, std::vector<CpuidRegisters>> answers;
    std::vector<uint32_t> asked;

    SimulatedProcessor(const char* vendor, uint32_t highestLeaf, uint32_t signature = 0, uint32_t edx = 0,
                       uint32_t ecx = 0) {
        CpuidRegisters r{highestLeaf, 0, 0, 0};
        std::memcpy(&r.ebx, vendor, 4);
        std::memcpy(&r.edx, vendor + 4, 4);
        std::memcpy(&r.ecx, vendor + 8, 4);
        answers[0] = {r};
        answers[1] = {{signature, 0, ecx, edx}};
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
        return list.empty() ? CpuidRegisters{} : list[std::min<size_t>(TimesAsked(leaf) - 1, list.size() - 1)];
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
    return SimulatedProcessor("GenuineIntel", 2, signature, edx, ecx).Answer(0x80000000, {{0x80000004, 0, 0, 0}});
}
SimulatedProcessor Amd(uint32_t signature, uint32_t edx, uint32_t ecx = 0) {
    return SimulatedProcessor("AuthenticAMD", 1, signature, edx, ecx).Answer(0x80000000, {{0x80000001, 0, 0, 0}});
}

// Leaf 2: the call count in AL, then descriptor bytes (EAX bytes 1-3,
// then EBX, ECX, EDX from the low byte).
CpuidRegisters Descriptors(uint8_t calls, std::vector<uint8_t> bytes) {
    uint8_t all[16] = {calls};
    std::copy(bytes.begin(), bytes.end(), all + 1);
    CpuidRegisters r;
    std::memcpy(&r, all, 16);
    return r;
}

}  // namespace

TEST(DetectionTest, VendorSignatureAndFeatures) {
    const std::pair<const char*, int> vendors[] = {
        {"AuthenticAMD", VendorAMD}, {"CentaurHauls", VendorCentaur}, {"CyrixInstead", VendorCyrix},
        {"GenuineIntel", VendorIntel}, {"Geode by NSC", VendorNSC}, {"UMC UMC UMC ", VendorUMC},
        // Stored with 11 characters, the SiS entry never equals a CPUID string.
        {"SiS SiS SiS ", VendorUnknown}, {"GenuineIntex", VendorUnknown}};
    for (const auto& [text, vendor] : vendors) {
        EXPECT_EQ(SimulatedProcessor(text, 0).Detect().vendor, vendor) << text;
        EXPECT_STREQ(VendorString(static_cast<uint8_t>(vendor)), vendor ? text : "");
    }

    // Extended family and model count only for base family 15.
    const uint32_t signatures[][4] = {{0x6D8, 6, 13, 13},        {0x906E9, 6, 14, 14},   {0xF29, 15, 2, 2},
                                      {0x20F32, 15, 0x23, 3},    {0x100F22, 16, 2, 2},   {0xA10F11, 25, 0x11, 1}};
    for (const auto& s : signatures) {
        const ProcessorInfo info = Amd(s[0], kP6).Detect();
        EXPECT_EQ(info.signature, s[0]);
        EXPECT_EQ(info.family, s[1]) << std::hex << s[0];
        EXPECT_EQ(info.model, s[2]) << std::hex << s[0];
        EXPECT_EQ(info.baseModel, s[3]) << std::hex << s[0];
    }

    const uint16_t leaf1 = FeatureFPU | FeatureTSC | FeatureCX8 | FeatureSEP | FeatureCMOV | FeatureMMX | FeatureFXSR |
                           FeatureSSE | FeatureSSE2 | FeatureSSE3 | FeatureCX16;
    SimulatedProcessor amd = Amd(0xF48, kSse2, SSE3 | MONITOR | CX16);
    amd.Answer(0x80000001, {{0, 0, 0, 0xF0400000}});
    EXPECT_EQ(amd.Detect().features, leaf1 | FeatureLongMode | FeatureMMXExtensions | FeatureExtended3DNow |
                                         FeatureThreeDNow);  // MONITOR only on Intel
    EXPECT_EQ(Intel(0xF43, kSse2, SSE3 | MONITOR | CX16).Detect().features, leaf1 | FeatureMONITOR);

    // SEP is cleared on Intel parts below signature 0x633 (bits 14-15 and
    // 28-31 masked off); other vendors keep it.
    const std::pair<uint32_t, bool> sep[] = {{0x633, true}, {0x632, false},     {0xC632, false},
                                             {0x1632, true}, {0x10632, true}, {0xF0000632, false}};
    for (const auto& [signature, kept] : sep)
        EXPECT_EQ(Intel(signature, kP6).Detect().Has(FeatureSEP), kept) << std::hex << signature;
    EXPECT_TRUE(Amd(0x632, kP6).Detect().Has(FeatureSEP));
}

TEST(DetectionTest, CacheDescriptorsOfLeafTwo) {
    // Asked as often as the first answer says; later descriptors win; the
    // register validity bit is not examined.
    SimulatedProcessor p = Intel(0x6D8, kSse2);
    p.Answer(2, {Descriptors(2, {0x2C, 0x30, 0x43, 0, 0, 0, 0x80, 0x22}), Descriptors(1, {0x44, 0x0A, 0x06})});
    ProcessorInfo info = p.Detect();
    EXPECT_EQ(p.TimesAsked(2), 2);
    EXPECT_EQ(info.l2CacheKB, 1024);
    EXPECT_EQ(info.l1DataCacheKB, 8);
    EXPECT_EQ(info.l1InstructionCacheKB, 8);
    EXPECT_EQ(info.l3CacheKB, 512);

    EXPECT_EQ(p.Answer(2, {Descriptors(0, {0x43})}).Detect().l2CacheKB, 0);
    // 0x40 (no level-3 cache) counts only after a level-2 descriptor.
    EXPECT_EQ(p.Answer(2, {Descriptors(1, {0x22, 0x43, 0x40})}).Detect().l3CacheKB, 0);
    EXPECT_EQ(p.Answer(2, {Descriptors(1, {0x22, 0x40, 0x43})}).Detect().l3CacheKB, 512);

    // 0x80 is a level-1 cache only on Cyrix and NSC parts, 0x70 only elsewhere.
    for (const char* vendor : {"CyrixInstead", "Geode by NSC", "GenuineIntel"}) {
        const bool cyrix = std::strcmp(vendor, "GenuineIntel") != 0;
        SimulatedProcessor q(vendor, 2, 0x540, FPU | MMX);
        EXPECT_EQ(q.Answer(2, {Descriptors(1, {0x80})}).Detect().l1DataCacheKB, cyrix ? 8 : 0) << vendor;
        EXPECT_EQ(q.Answer(2, {Descriptors(1, {0x70})}).Detect().l1InstructionCacheKB, cyrix ? 0 : 12) << vendor;
    }
}

TEST(DetectionTest, ExtendedLeavesGiveCacheSizesByVendor) {
    auto detect = [](SimulatedProcessor p, uint32_t highest = 0x80000006) {
        p.Answer(0x80000000, {{highest, 0, 0, 0}})
            .Answer(0x80000005, {{0, 0, 64u << 24, 32u << 24}})
            .Answer(0x80000006, {{0, 0, 0x40120000, 0}});
        return p.Detect();
    };
    const ProcessorInfo amd = detect(Amd(0x6A0, kP6));
    EXPECT_EQ(amd.l1DataCacheKB, 64);
    EXPECT_EQ(amd.l1InstructionCacheKB, 32);
    EXPECT_EQ(amd.l2CacheKB, 0x4012);
    EXPECT_EQ(detect(Amd(0x630, kP6)).l2CacheKB, 64);  // whatever the leaf says
    EXPECT_EQ(detect(Amd(0x10630, kP6)).l2CacheKB, 64);
    EXPECT_EQ(detect(SimulatedProcessor("CentaurHauls", 1, 0x678, kP6)).l2CacheKB, 0x40);
    const ProcessorInfo intel = detect(Intel(0x6E8, kSse2));
    EXPECT_EQ(intel.l1DataCacheKB, 0);  // Intel's level-1 sizes come from leaf 2 only
    EXPECT_EQ(intel.l2CacheKB, 0x4012);
    EXPECT_EQ(detect(Amd(0x6A0, kP6), 0x80000005).l2CacheKB, 0);
}

TEST(DetectionTest, NoCpuidAndExceptions) {
    SimulatedProcessor p("", 0);
    p.cpuid = false;
    const ProcessorInfo info = p.Detect();
    EXPECT_EQ(info.features, FeatureFPU);
    EXPECT_EQ(info.vendor, VendorUnknown);
    EXPECT_TRUE(p.asked.empty());
    EXPECT_EQ(SelectRoutineTarget(info), TargetGeneric);
    p.fpu = false;
    EXPECT_EQ(p.Detect().features, 0);

    // An exception ends detection and keeps what was found until then.
    SimulatedProcessor raising = Intel(0xF29, kSse2);
    raising.raiseAtLeaf = 0x80000000;
    const ProcessorInfo partial = raising.Detect();
    EXPECT_EQ(partial.vendor, VendorIntel);
    EXPECT_EQ(partial.family, 15);
    EXPECT_TRUE(partial.Has(FeatureSSE2));
    EXPECT_EQ(raising.asked.back(), 0x80000000u);
}

TEST(TargetTest, EachRuleOfTheRoutineTarget) {
    auto noXmm = [](SimulatedProcessor p) {
        p.xmm = false;
        return p;
    };
    const struct {
        const char* what;
        SimulatedProcessor processor;
        uint8_t target;
    } cases[] = {
        {"Intel F6 M13", Intel(0x6D8, kSse2), TargetIntelF6M13},
        {"Intel F6 M14", Intel(0x6E8, kSse2, SSE3), TargetIntelF6M14},
        {"Intel F6 M15", Intel(0x6FB, kSse2, SSE3), TargetSSE2},
        {"Intel F15 M0", Intel(0xF07, kSse2), TargetIntelF15Early},
        {"Intel F15 M2", Intel(0xF29, kSse2), TargetIntelF15Early},
        {"Intel F15 M3", Intel(0xF34, kSse2, SSE3), TargetSSE2},
        {"Intel F15 M4 with SSE3", Intel(0xF43, kSse2, SSE3), TargetSSE2},
        {"Intel F15 M6", Intel(0xF65, kSse2, SSE3), TargetIntelF15M6},
        {"SSE only", Intel(0x686, kP6 | SSE), TargetSSE},
        {"FPU, CMOV, MMX", Intel(0x633, kP6), TargetMMX},
        {"MMX without CMOV", Intel(0x543, FPU | MMX), TargetGeneric},
        {"AMD F15 M3 with SSE3", Amd(0x20F32, kSse2, SSE3), TargetAmdF15Sse3},
        {"AMD F15 M11 with SSE3", Amd(0x40FB2, kSse2, SSE3), TargetAmdF15Sse3},
        {"AMD F15 M11 without SSE3", Amd(0x40FB2, kSse2), TargetAmdF15},
        {"AMD F15 M4 with SSE3", Amd(0xF48, kSse2, SSE3), TargetAmdF15},
        {"AMD F16", Amd(0x100F22, kSse2, SSE3), TargetSSE2},
        {"SSE, XMM probe failing", noXmm(Amd(0x6A0, kP6 | SSE)), TargetMMX},
        // Every vendor and model row holds SSE2 routines: without usable
        // XMM registers the feature rule stands.
        {"Intel F15 M1, XMM probe failing", noXmm(Intel(0xF12, kSse2)), TargetMMX},
        {"Intel F15 M1 without MMX, XMM probe failing", noXmm(Intel(0xF12, FPU | SSE | SSE2)), TargetGeneric},
        {"unknown vendor", SimulatedProcessor("SomeNewVendr", 1, 0xF65, kSse2), TargetSSE2},
    };
    for (auto c : cases) {
        const ProcessorInfo info = c.processor.Detect();
        EXPECT_EQ(SelectRoutineTarget(info), c.target) << c.what;
        EXPECT_EQ(info.Has(FeatureSSE), c.processor.xmm && c.target != TargetMMX && c.target != TargetGeneric) << c.what;
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
    EXPECT_STREQ(VendorString(Processor.vendor), Processor.vendor ? vendor : "");
    EXPECT_EQ(Processor.signature, leaf1.eax);
    EXPECT_EQ(Processor.Has(FeatureSSE2), (leaf1.edx & SSE2) != 0);
    EXPECT_EQ(RoutineTarget, SelectRoutineTarget(Processor));
}
