// toravex-cpuinfo: prints what the plug-in decides about this machine's
// processor: the raw CPUID answers, the processor record, the routine
// target and, for every routine slot, the table's variant, the tuned one and
// the one the plug-in uses. What to ask first when a replaced routine
// misbehaves on one machine only.
//
// --tune measures the variants on this machine and stores the fastest under
// the options key (Tuning.h); --untune removes them.
//
// The report is a list of sections; each part of the plug-in that chooses
// by processor adds its own section to kSections.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "Tuning.h"
#include "base/BuildProfile.h"
#include "base/Options.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/RoutineVariants.h"
#include "fastcode/TunedRoutines.h"

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

const char* StoredVariant(const std::optional<StoredTuning>& stored, const char* slot) {
    if (stored)
        for (const SlotChoice& c : stored->choices)
            if (c.slot == slot) return c.variant.c_str();
    return "-";
}

// Why the plug-in uses what it uses, from what is stored.
std::string TuningVerdict(bool blended, const std::optional<std::string>& text,
                          const std::optional<StoredTuning>& stored) {
    if (!Profile().hasRoutineTable) return "the build's fixed routines (it has no routine table)";
    if (blended) return "the Generic row: BlendedFastCode is set, tuned routines are not used";
    if (!text) return "the table: no tuning is stored (toravex-cpuinfo --tune measures and stores one)";
    if (!stored) return "the table: the stored tuning is malformed (run toravex-cpuinfo --tune again)";
    TunedRoutines tuned;
    if (const char* problem = ResolveTuning(*stored, Processor, tuned))
        return std::string("the table: the stored tuning cannot be used, ") + problem;
    return "the tuned routines";
}

// The table's choice, the stored tuning and what the plug-in fills the slots
// with for this user: its own preparation runs here.
void PrintSlots() {
    const RoutineSlots table = RoutineRow(RoutineTarget);
    const std::optional<std::string> text = ReadTuningText();
    const std::optional<StoredTuning> stored = text ? ParseTuning(*text) : std::nullopt;
    const bool blended = ReadBlendedFastCode();
    PrepareFastMove();
    PrepareRoutineTable();

    std::printf("  %-14s %-15s %-15s %s\n", "slot", "table", "tuned", "used");
    const auto tableSlots = NamedSlots(table), usedSlots = NamedSlots(Slots);
    for (size_t i = 0; i < tableSlots.size(); ++i)
        std::printf("  %-14s %-15s %-15s %s\n", tableSlots[i].name, VariantName(tableSlots[i].routine),
                    StoredVariant(stored, tableSlots[i].name), VariantName(usedSlots[i].routine));
    const void* tableMove = reinterpret_cast<const void*>(SelectMoveVariant(Processor.features));
    std::printf("  %-14s %-15s %-15s %s\n", "Move", VariantName(tableMove), StoredVariant(stored, "Move"),
                VariantName(reinterpret_cast<const void*>(MoveSlot)));
    const std::string storedBytes = stored ? std::to_string(stored->largeMoveBytes) : "-";
    std::printf("  %-14s %-15d %-15s %d\n", "large move", -LargeMoveThresholdFor(Processor.l2CacheKB),
                storedBytes.c_str(), -LargeMoveThreshold);
    std::printf("  (large move: block parts above this many bytes bypass the cache)\n");
    if (stored) {
        const StoredTuning here = TuningIdentity(Processor);
        std::printf("  tuned on    %s family %u model %u stepping %u features %04X\n", stored->vendor.c_str(),
                    stored->family, stored->model, stored->stepping, stored->features);
        std::printf("  this one    %s family %u model %u stepping %u features %04X\n", here.vendor.c_str(),
                    here.family, here.model, here.stepping, here.features);
    }
    std::printf("  The plug-in uses %s.\n", TuningVerdict(blended, text, stored).c_str());
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

// The options key of this build, without its leading backslash, as the
// registry functions take it.
const char* OptionsKeyPath() { return Profile().optionsKey + 1; }

bool StoreTuning(const std::string& text) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, OptionsKeyPath(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool stored = RegSetValueExA(key, kTunedRoutinesValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return stored;
}

// 1 removed, 0 nothing was stored, -1 failed.
int RemoveTuning() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, OptionsKeyPath(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return 0;
    const LONG result = RegDeleteValueA(key, kTunedRoutinesValue);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? 1 : result == ERROR_FILE_NOT_FOUND ? 0 : -1;
}

// The runtime package makes the host strings that case conversions return.
// Found on the DLL search path (the IDE's "bin" folder is on it after the
// IDE's installation) and initialized as the host's package loader does.
void LoadRuntimePackage() {
    HMODULE rtl = LoadLibraryA(Profile().runtimePackage);
    if (!rtl) {
        std::printf("(%s not found on the search path: case conversions keep the table's choice)\n",
                    Profile().runtimePackage);
        return;
    }
    using PackageInitialize = void(HOSTCALL*)();
    if (auto initialize = reinterpret_cast<PackageInitialize>(GetProcAddress(rtl, "Initialize"))) initialize();
}

int Tune(bool quick) {
    LoadRuntimePackage();
    std::printf("Measuring every variant this processor runs%s...\n", quick ? " (quick: not a tuning)" : "");
    const std::optional<StoredTuning> tuned = tuning::TuneThisMachine(quick, stdout);
    if (!tuned) {
        std::printf("Nothing stored.\n");
        return 1;
    }
    const std::string text = FormatTuning(*tuned);
    if (!StoreTuning(text)) {
        std::fprintf(stderr, "cannot write HKEY_CURRENT_USER\\%s\\%s\n", OptionsKeyPath(), kTunedRoutinesValue);
        return 1;
    }
    std::printf("Stored as HKEY_CURRENT_USER\\%s\\%s:\n  %s\n", OptionsKeyPath(), kTunedRoutinesValue, text.c_str());
    std::printf("The plug-in uses them from the next start of the IDE. Installing Toravex again clears them.\n");
    return 0;
}

int Untune() {
    switch (RemoveTuning()) {
        case 1: std::printf("Tuned routines removed: the plug-in uses the table's choices.\n"); return 0;
        case 0: std::printf("No tuned routines were stored.\n"); return 0;
        default: std::fprintf(stderr, "cannot remove %s\n", kTunedRoutinesValue); return 1;
    }
}

void Report() {
    for (const Section& s : kSections) {
        std::printf("%s\n", s.title);
        s.print();
    }
}

constexpr char kUsage[] =
    "usage: %s [--tune [--quick] | --untune]\n"
    "Prints this machine's processor record, routine target and routine slots: the table's\n"
    "choice, the tuned choice and the one the plug-in uses.\n"
    "  --tune    measures every variant this processor runs and the large-move size, and\n"
    "            stores the fastest for the plug-in (--quick: a short smoke run)\n"
    "  --untune  removes the stored tuning\n";

}  // namespace

int main(int argc, char** argv) {
    bool tune = false, untune = false, quick = false, help = false, bad = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--tune") tune = true;
        else if (arg == "--untune") untune = true;
        else if (arg == "--quick") quick = true;
        else if (arg == "--help") help = true;
        else bad = true;
    }
    if (help || bad || (tune && untune) || (quick && !tune)) {
        std::fprintf(help ? stdout : stderr, kUsage, argv[0]);
        return help && !bad ? 0 : 2;
    }
    PrepareProcessorDetection();
    if (untune) return Untune();
    if (tune) {
        const int result = Tune(quick);
        if (result != 0) return result;
        std::printf("\n");
    }
    Report();
    return 0;
}
