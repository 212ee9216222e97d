#include "fastcode/FastcodeCPUID.h"

#include <windows.h>

#include "base/Cpuid.h"
#include "base/HostException.h"

// Processor operations, in assembly (ProcessorProbes.S); CPUID itself is the
// patching primitives' (HasCpuid, ReadCpuid).
extern "C" {
int toravex_fpu_present();
void toravex_sse_instruction();
}

namespace toravex {

ProcessorInfo Processor = {};
uint8_t RoutineTarget = TargetGeneric;

namespace {

// Vendor strings by ProcessorVendor index, length first. The SiS entry is
// 11 characters long, so the 12-character CPUID string never matches it.
struct VendorEntry {
    uint8_t length;
    char text[13];
};
constexpr VendorEntry kVendors[] = {
    {0, ""},
    {12, "AuthenticAMD"},
    {12, "CentaurHauls"},
    {12, "CyrixInstead"},
    {12, "GenuineIntel"},
    {12, "GenuineTMx86"},
    {12, "NexGenDriven"},
    {12, "RiseRiseRise"},
    {12, "UMC UMC UMC "},
    {12, "Geode by NSC"},
    {11, "SiS SiS SiS"},
};

uint8_t MatchVendor(const CpuidRegisters& leaf0) {
    char text[12];
    const uint32_t parts[3] = {leaf0.ebx, leaf0.edx, leaf0.ecx};
    for (int i = 0; i < 12; ++i) text[i] = static_cast<char>(parts[i / 4] >> (8 * (i % 4)));
    for (uint8_t v = VendorSiS; v >= 1; --v) {
        const VendorEntry& e = kVendors[v];
        if (e.length != 12) continue;
        bool equal = true;
        for (int i = 0; i < 12 && equal; ++i) equal = text[i] == e.text[i];
        if (equal) return v;
    }
    return VendorUnknown;
}

struct FeatureBit {
    uint8_t bit;
    uint16_t flag;
};
constexpr FeatureBit kLeaf1Edx[] = {
    {0, FeatureFPU},   {4, FeatureTSC},   {8, FeatureCX8},   {11, FeatureSEP},  {15, FeatureCMOV},
    {23, FeatureMMX},  {24, FeatureFXSR}, {25, FeatureSSE},  {26, FeatureSSE2},
};
constexpr FeatureBit kLeaf1Ecx[] = {{0, FeatureSSE3}, {3, FeatureMONITOR}, {13, FeatureCX16}};
constexpr FeatureBit kExtendedEdx[] = {
    {29, FeatureLongMode}, {22, FeatureMMXExtensions}, {30, FeatureExtended3DNow}, {31, FeatureThreeDNow}};

template <size_t N>
uint16_t FeaturesOf(uint32_t reg, const FeatureBit (&bits)[N]) {
    uint16_t features = 0;
    for (const FeatureBit& b : bits)
        if (reg & (1u << b.bit)) features |= b.flag;
    return features;
}

constexpr uint16_t kSseFamily = FeatureSSE | FeatureSSE2 | FeatureSSE3;

void ReadSignatureAndFeatures(const CpuidRegisters& leaf1, ProcessorInfo& info) {
    const uint32_t signature = leaf1.eax;
    info.signature = signature;
    unsigned family = (signature >> 8) & 0xF;
    unsigned model = (signature >> 4) & 0xF;
    info.baseModel = static_cast<uint8_t>(model);
    if (family == 15) {
        model += ((signature >> 16) & 0xF) << 4;
        family += (signature >> 20) & 0xFF;
    }
    info.family = static_cast<uint8_t>(family);
    info.model = static_cast<uint8_t>(model);

    uint16_t features = FeaturesOf(leaf1.edx, kLeaf1Edx) | FeaturesOf(leaf1.ecx, kLeaf1Ecx);
    // Early Pentium Pro parts report SEP without supporting it.
    if (info.vendor == VendorIntel && (signature & 0x0FFF3FFF) < 0x633) features &= ~FeatureSEP;
    if (info.vendor != VendorIntel) features &= ~FeatureMONITOR;
    info.features |= features;
}

// Cache descriptors of CPUID leaf 2.
enum class CacheEffect : uint8_t {
    L1Instruction,
    L1Data,
    L2,
    L3,
    NoL3WhenL2,                // 0x40: no level-3 cache, when a level-2 cache was named
    L1InstructionUnlessCyrix,  // 0x70: a trace cache elsewhere
    L1BothOnlyCyrix,           // 0x80: a unified level-1 cache on Cyrix and NSC parts
};
struct CacheDescriptor {
    uint8_t code;
    CacheEffect effect;
    uint16_t kb;
};
constexpr CacheDescriptor kCacheDescriptors[] = {
    {0x06, CacheEffect::L1Instruction, 8},  {0x08, CacheEffect::L1Instruction, 16},
    {0x0A, CacheEffect::L1Data, 8},         {0x0C, CacheEffect::L1Data, 16},
    {0x22, CacheEffect::L3, 512},           {0x23, CacheEffect::L3, 1024},
    {0x25, CacheEffect::L3, 2048},          {0x29, CacheEffect::L3, 4096},
    {0x2C, CacheEffect::L1Data, 32},        {0x30, CacheEffect::L1Instruction, 32},
    {0x39, CacheEffect::L2, 128},           {0x3B, CacheEffect::L2, 128},
    {0x3C, CacheEffect::L2, 256},           {0x40, CacheEffect::NoL3WhenL2, 0},
    {0x41, CacheEffect::L2, 128},           {0x42, CacheEffect::L2, 256},
    {0x43, CacheEffect::L2, 512},           {0x44, CacheEffect::L2, 1024},
    {0x45, CacheEffect::L2, 2048},          {0x60, CacheEffect::L1Data, 16},
    {0x66, CacheEffect::L1Data, 8},         {0x67, CacheEffect::L1Data, 16},
    {0x68, CacheEffect::L1Data, 32},        {0x70, CacheEffect::L1InstructionUnlessCyrix, 12},
    {0x71, CacheEffect::L1Instruction, 16}, {0x72, CacheEffect::L1Instruction, 32},
    {0x78, CacheEffect::L2, 1024},          {0x79, CacheEffect::L2, 128},
    {0x7A, CacheEffect::L2, 256},           {0x7B, CacheEffect::L2, 512},
    {0x7C, CacheEffect::L2, 1024},          {0x7D, CacheEffect::L2, 2048},
    {0x7F, CacheEffect::L2, 512},           {0x80, CacheEffect::L1BothOnlyCyrix, 8},
    {0x82, CacheEffect::L2, 256},           {0x83, CacheEffect::L2, 512},
    {0x84, CacheEffect::L2, 1024},          {0x85, CacheEffect::L2, 2048},
    {0x86, CacheEffect::L2, 512},           {0x87, CacheEffect::L2, 1024},
};

bool IsCyrixOrNsc(const ProcessorInfo& info) { return info.vendor == VendorCyrix || info.vendor == VendorNSC; }

void ApplyCacheDescriptor(uint8_t code, ProcessorInfo& info) {
    for (const CacheDescriptor& d : kCacheDescriptors) {
        if (d.code != code) continue;
        switch (d.effect) {
            case CacheEffect::L1Instruction: info.l1InstructionCacheKB = d.kb; break;
            case CacheEffect::L1Data: info.l1DataCacheKB = d.kb; break;
            case CacheEffect::L2: info.l2CacheKB = d.kb; break;
            case CacheEffect::L3: info.l3CacheKB = d.kb; break;
            case CacheEffect::NoL3WhenL2:
                if (info.l2CacheKB != 0) info.l3CacheKB = 0;
                break;
            case CacheEffect::L1InstructionUnlessCyrix:
                if (!IsCyrixOrNsc(info)) info.l1InstructionCacheKB = d.kb;
                break;
            case CacheEffect::L1BothOnlyCyrix:
                if (IsCyrixOrNsc(info)) info.l1InstructionCacheKB = info.l1DataCacheKB = d.kb;
                break;
        }
        return;
    }
}

// Leaf 2: the low byte of EAX of the first call says how many calls give
// the full list; later descriptors overwrite earlier ones.
void DecodeCacheDescriptors(ProcessorProbe& probe, ProcessorInfo& info) {
    CpuidRegisters r = probe.Cpuid(2);
    const unsigned calls = r.eax & 0xFF;
    for (unsigned i = 1; i <= calls; ++i) {
        const uint32_t regs[4] = {r.eax, r.ebx, r.ecx, r.edx};
        for (int b = 1; b < 16; ++b) ApplyCacheDescriptor(static_cast<uint8_t>(regs[b / 4] >> (8 * (b % 4))), info);
        if (i < calls) r = probe.Cpuid(2);
    }
}

void ReadExtendedCaches(ProcessorProbe& probe, ProcessorInfo& info) {
    const CpuidRegisters l1 = probe.Cpuid(0x80000005);
    if (info.vendor != VendorCyrix && info.vendor != VendorIntel) {
        info.l1InstructionCacheKB = static_cast<uint16_t>(l1.edx >> 24);
        info.l1DataCacheKB = static_cast<uint16_t>(l1.ecx >> 24);
    }
    const CpuidRegisters l2 = probe.Cpuid(0x80000006);
    if (info.vendor == VendorAMD && (info.signature & 0xFFF) == 0x630)
        info.l2CacheKB = 64;  // early Duron parts report their level-2 cache wrongly
    else if (info.vendor == VendorCentaur && info.family == 6 && (info.model == 7 || info.model == 8))
        info.l2CacheKB = static_cast<uint16_t>(l2.ecx >> 24);
    else
        info.l2CacheKB = static_cast<uint16_t>(l2.ecx >> 16);
}

void Detect(ProcessorProbe& probe, ProcessorInfo& info) {
    if (!probe.HasCpuid()) {
        if (probe.HasFpu()) info.features |= FeatureFPU;
        return;
    }
    const CpuidRegisters leaf0 = probe.Cpuid(0);
    const uint32_t highestLeaf = leaf0.eax;
    info.vendor = MatchVendor(leaf0);
    if (highestLeaf >= 1) ReadSignatureAndFeatures(probe.Cpuid(1), info);
    if (highestLeaf >= 2) DecodeCacheDescriptors(probe, info);

    const uint32_t highestExtended = probe.Cpuid(0x80000000).eax;
    if (highestExtended >= 0x80000001) info.features |= FeaturesOf(probe.Cpuid(0x80000001).edx, kExtendedEdx);
    if ((info.features & FeatureSSE) && !probe.XmmStateUsable()) info.features &= ~kSseFamily;
    if (highestExtended >= 0x80000006) ReadExtendedCaches(probe, info);
}

int AnyException(const EXCEPTION_RECORD*, void*) { return 1; }

class ThisProcessor final : public ProcessorProbe {
public:
    bool HasCpuid() override { return toravex::HasCpuid(); }
    CpuidRegisters Cpuid(uint32_t leaf) override {
        uint32_t r[4];
        ReadCpuid(leaf, r);
        return {r[0], r[1], r[2], r[3]};
    }
    bool HasFpu() override { return toravex_fpu_present() != 0; }
    bool XmmStateUsable() override { return RunGuarded(toravex_sse_instruction); }
};

}  // namespace

ProcessorProbe& RunningProcessor() {
    static ThisProcessor processor;
    return processor;
}

bool RunGuarded(void (*code)()) {
    host::CaughtException caught;
    return !host::TryExcept([code] { code(); }, caught, AnyException);
}

void DetectProcessor(ProcessorProbe& probe, ProcessorInfo& info) {
    info = {};
    host::CaughtException caught;
    host::TryExcept([&] { Detect(probe, info); }, caught, AnyException);
}

uint8_t SelectRoutineTarget(const ProcessorInfo& info) {
    uint8_t target = TargetGeneric;
    if (info.Has(FeatureSSE2))
        target = TargetSSE2;
    else if (info.Has(FeatureSSE))
        target = TargetSSE;
    else if (info.Has(FeatureFPU | FeatureCMOV | FeatureMMX))
        target = TargetMMX;

    // Every vendor and model target has SSE2 variants in its row: they are
    // chosen only when SSE2 is usable, so a processor whose operating system
    // faults on SSE instructions keeps the feature-based target above.
    if (!info.Has(FeatureSSE2)) return target;
    if (info.vendor == VendorAMD && info.family == 15)
        return (info.baseModel == 3 || info.baseModel == 11) && info.Has(FeatureSSE3) ? TargetAmdF15Sse3
                                                                                       : TargetAmdF15;
    if (info.vendor == VendorIntel) {
        if (info.family == 6 && info.model == 13) return TargetIntelF6M13;
        if (info.family == 6 && info.model == 14) return TargetIntelF6M14;
        if (info.family == 15 && info.model <= 2) return TargetIntelF15Early;
        if (info.family == 15 && info.model == 6) return TargetIntelF15M6;
    }
    return target;
}

void DetectProcessor() { DetectProcessor(RunningProcessor(), Processor); }

void SelectRoutineTarget() { RoutineTarget = SelectRoutineTarget(Processor); }

void PrepareProcessorDetection() {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    DetectProcessor();
    SelectRoutineTarget();
}

const char* RoutineTargetName(uint8_t target) {
    switch (target) {
        case TargetGeneric: return "Generic";
        case TargetMMX: return "MMX";
        case TargetSSE: return "SSE";
        case TargetSSE2: return "SSE2";
        case TargetIntelF6M13: return "IntelF6M13";
        case TargetIntelF6M14: return "IntelF6M14";
        case TargetIntelF15Early: return "IntelF15Early";
        case TargetIntelF15M6: return "IntelF15M6";
        case TargetAmdF15: return "AmdF15";
        case TargetAmdF15Sse3: return "AmdF15Sse3";
        default: return "";
    }
}

const char* VendorString(uint8_t vendor) { return vendor <= VendorSiS ? kVendors[vendor].text : ""; }

}  // namespace toravex
