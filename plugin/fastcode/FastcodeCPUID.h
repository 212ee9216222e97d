// Processor detection and the routine target: what the processor is, once,
// at load, condensed into the one-byte target the routine table selects by.
//
// Detection asks the processor through a ProcessorProbe, so that any
// processor can be simulated by supplying its CPUID results.
#pragma once

#include <cstdint>

namespace toravex {

enum ProcessorVendor : uint8_t {
    VendorUnknown = 0,
    VendorAMD = 1,
    VendorCentaur = 2,
    VendorCyrix = 3,
    VendorIntel = 4,
    VendorTransmeta = 5,
    VendorNexGen = 6,
    VendorRise = 7,
    VendorUMC = 8,
    VendorNSC = 9,
    VendorSiS = 10,
};

// Feature flags (ProcessorInfo::features).
enum ProcessorFeature : uint16_t {
    FeatureFPU = 0x0001,
    FeatureTSC = 0x0002,
    FeatureCX8 = 0x0004,
    FeatureSEP = 0x0008,
    FeatureCMOV = 0x0010,
    FeatureMMX = 0x0020,
    FeatureFXSR = 0x0040,
    FeatureSSE = 0x0080,
    FeatureSSE2 = 0x0100,
    FeatureSSE3 = 0x0200,
    FeatureMONITOR = 0x0400,
    FeatureCX16 = 0x0800,
    FeatureLongMode = 0x1000,
    FeatureMMXExtensions = 0x2000,
    FeatureExtended3DNow = 0x4000,
    FeatureThreeDNow = 0x8000,
};

struct ProcessorInfo {
    uint8_t vendor;      // ProcessorVendor
    uint32_t signature;  // EAX of CPUID leaf 1
    uint8_t family;      // effective family
    uint8_t model;       // effective model
    uint8_t baseModel;   // bits 4-7 of the signature
    uint16_t l1InstructionCacheKB;
    uint16_t l1DataCacheKB;
    uint16_t l2CacheKB;
    uint16_t l3CacheKB;
    uint16_t features;   // ProcessorFeature flags

    bool Has(uint16_t feature) const { return (features & feature) == feature; }
};

// Routine targets; codes 1, 4, 6 and 7 are never produced.
enum RoutineTargetCode : uint8_t {
    TargetGeneric = 0,
    TargetMMX = 2,
    TargetSSE = 3,
    TargetSSE2 = 5,
    TargetIntelF6M13 = 8,
    TargetIntelF6M14 = 9,
    TargetIntelF15Early = 10,
    TargetIntelF15M6 = 11,
    TargetAmdF15 = 12,
    TargetAmdF15Sse3 = 13,
};

// The produced targets in the order the routine table's rows list them.
inline constexpr uint8_t kRoutineTargets[10] = {TargetGeneric,    TargetMMX,        TargetSSE,
                                                TargetSSE2,       TargetIntelF6M13, TargetIntelF6M14,
                                                TargetIntelF15Early, TargetIntelF15M6, TargetAmdF15,
                                                TargetAmdF15Sse3};

// A family's row: its variant for each target in the order of
// kRoutineTargets; nil for a code never produced.
template <class Routine>
Routine ByTarget(uint8_t target, const Routine (&row)[10]) {
    for (int i = 0; i < 10; ++i)
        if (kRoutineTargets[i] == target) return row[i];
    return nullptr;
}

// Filled once by the module preparation; read-only afterwards (the routine
// table may overwrite RoutineTarget with TargetGeneric before selecting).
extern ProcessorInfo Processor;
extern uint8_t RoutineTarget;

// Detects this processor into Processor and selects RoutineTarget, once.
void PrepareProcessorDetection();

// One CPUID result: the 16-byte register block, in this order.
struct CpuidRegisters {
    uint32_t eax, ebx, ecx, edx;
};

// The processor operations detection needs. RunningProcessor() answers for
// this machine; tests answer with a simulated processor.
class ProcessorProbe {
public:
    // Whether bit 21 of EFLAGS can be toggled.
    virtual bool HasCpuid() = 0;
    // CPUID with `leaf` in EAX and 0 in ECX.
    virtual CpuidRegisters Cpuid(uint32_t leaf) = 0;
    // The floating-point unit probe, asked only when there is no CPUID.
    virtual bool HasFpu() = 0;
    // Whether the operating system saves the XMM registers: one SSE
    // instruction run under an exception handler.
    virtual bool XmmStateUsable() = 0;

protected:
    ~ProcessorProbe() = default;
};

ProcessorProbe& RunningProcessor();

// Runs code under a structured exception handler; false when it raised
// any exception (an illegal instruction, an access violation ...).
bool RunGuarded(void (*code)());

// Fills info from what probe answers. Never fails outward: an exception
// ends detection and keeps what was recorded until then.
void DetectProcessor(ProcessorProbe& probe, ProcessorInfo& info);
// The routine target for a processor record.
uint8_t SelectRoutineTarget(const ProcessorInfo& info);

// This machine into Processor, and Processor into RoutineTarget.
void DetectProcessor();
void SelectRoutineTarget();

// For diagnostics: "SSE2", "IntelF6M13" ...; "" for a code never produced.
const char* RoutineTargetName(uint8_t target);
// The vendor string of a ProcessorVendor index; "" for 0.
const char* VendorString(uint8_t vendor);

}  // namespace toravex
