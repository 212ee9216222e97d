// toravex-cpuinfo: prints what the plug-in decides about this machine's
// processor: the raw CPUID answers, the processor record, the routine
// target and the variant in every routine slot. What to ask first when a replaced routine misbehaves on one
// machine only.
//
// The output is a list of sections; each part of the plug-in that chooses
// by processor adds its own section to kSections.
#include <cstdio>
#include <cstring>

#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/RoutineVariants.h"

namespace {

using namespace toravex;

void PrintCpuid() {
    ProcessorProbe& cpu = RunningProcessor();
    if (!cpu.HasCpuid()) {
        std::printf("  no CPUID instruction\n");
        return;
    }
    auto print = [&](uint32_t leaf) {
        const CpuidRegisters r = cpu.Cpuid(leaf);
        std::printf("  %08X: eax %08X ebx %08X ecx %08X edx %08X\n", leaf, r.eax, r.ebx, r.ecx, r.edx);
        return r;
    };
    const uint32_t highest = print(0).eax;
    for (uint32_t leaf = 1; leaf <= highest && leaf <= 2; ++leaf) print(leaf);
    const uint32_t highestExtended = print(0x80000000).eax;
    for (uint32_t leaf = 0x80000001; leaf <= highestExtended && leaf <= 0x80000006; ++leaf) print(leaf);
}

void PrintProcessor() {
    const ProcessorInfo& p = Processor;
    std::printf("  vendor      %u (%s)\n", p.vendor, p.vendor ? VendorString(p.vendor) : "not recognised");
    std::printf("  signature   %08X\n", p.signature);
    std::printf("  family      %u\n  model       %u\n  base model  %u\n", p.family, p.model, p.baseModel);
    std::printf("  caches      L1 instruction %u KB, L1 data %u KB, L2 %u KB, L3 %u KB\n",
                p.l1InstructionCacheKB, p.l1DataCacheKB, p.l2CacheKB, p.l3CacheKB);
    static const char* const kFeatureNames[16] = {"FPU",  "TSC",  "CX8",     "SEP",  "CMOV",     "MMX",
                                                  "FXSR", "SSE",  "SSE2",    "SSE3", "MONITOR",  "CX16",
                                                  "LongMode", "MMXExtensions", "Extended3DNow", "3DNow"};
    std::printf("  features    %04X", p.features);
    for (int bit = 0; bit < 16; ++bit)
        if (p.features & (1u << bit)) std::printf(" %s", kFeatureNames[bit]);
    std::printf("\n");
}

void PrintTarget() { std::printf("  %u (%s)\n", RoutineTarget, RoutineTargetName(RoutineTarget)); }

// The variant a slot holds, by name.
const char* VariantName(const void* routine) {
    if (!routine) return "(not replaced)";
    const RoutineVariant* v = FindVariant(routine);
    return v ? v->name : "(unknown)";
}

// The slots as the plug-in fills them for this user: the routine target,
// unless the BlendedFastCode option replaces it with Generic.
void PrintSlots() {
    const uint8_t detected = RoutineTarget;
    PrepareFastMove();
    PrepareRoutineTable();
    if (RoutineTarget != detected) std::printf("  (BlendedFastCode is set: the Generic row)\n");
    for (const NamedSlot& slot : NamedSlots(Slots)) std::printf("  %-14s %s\n", slot.name, VariantName(slot.routine));
    std::printf("  %-14s %s\n", "Move", VariantName(reinterpret_cast<const void*>(MoveSlot)));
}

struct Section {
    const char* title;
    void (*print)();
};
constexpr Section kSections[] = {
    {"CPUID", PrintCpuid},
    {"Processor record", PrintProcessor},
    {"Routine target", PrintTarget},
    {"Routine slots", PrintSlots},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        std::fprintf(stderr, "usage: %s\nPrints this machine's processor record, routine target and routine slots.\n", argv[0]);
        return std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
    }
    PrepareProcessorDetection();
    for (const Section& s : kSections) {
        std::printf("%s\n", s.title);
        s.print();
    }
    return 0;
}
