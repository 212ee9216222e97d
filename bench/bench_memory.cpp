// Move, FillChar and CompareMem: every variant, the one chosen for this
// processor, the emulated host's routine, the C runtime (memmove, memset,
// memcmp) and the string instructions' bandwidth (rep movsb / rep stosb),
// from 1 byte to 16 MB. Ends with the goals: the chosen Move and FillChar
// not slower than the C runtime at any size, and from 1 MB at least 90% of
// the string instructions' bandwidth. With routines tuned to this machine
// stored (toravex-cpuinfo --tune), the "tuned" column measures them (Move
// with its tuned large-move threshold); their goals: Move at least 0.95 of
// memmove from 16 B to 16 MB, FillChar and CompareMem within 10% of their
// family's fastest variant at 64, 256 and 4096 bytes.

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "BenchHarness.h"
#include "HostNames.h"
#include "TunedColumn.h"
#include "base/HostRuntime.h"
#include "fastcode/CompareMem.h"
#include "fastcode/FastMove.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/FillChar.h"

using namespace toravex;

namespace {

void HOSTCALL RepMovsb(const void* source, void* dest, int32_t count) {
    __asm__ volatile("rep movsb" : "+S"(source), "+D"(dest), "+c"(count) : : "memory");
}
void HOSTCALL RepStosb(void* dest, int32_t count, char value) {
    __asm__ volatile("rep stosb" : "+D"(dest), "+c"(count) : "a"(value) : "memory");
}

// The C runtime's routines, called through pointers so that the compiler
// cannot replace them with its own inline code.
void* (*volatile crtMemmove)(void*, const void*, size_t) = std::memmove;
void* (*volatile crtMemset)(void*, int, size_t) = std::memset;
int (*volatile crtMemcmp)(const void*, const void*, size_t) = std::memcmp;

std::vector<int32_t> Sizes(bool quick) {
    if (quick) return {1, 8, 36, 64, 256, 4096, 65536, 1 << 20, 16 << 20};
    return {1,    2,    4,     8,     16,    32,     36,     37,      48,      64,      100,     128,   256,   512,
            1024, 2048, 4096,  8192,  16384, 32768,  65536,  131072,  262144,  524288,  1 << 20, 2 << 20, 4 << 20,
            8 << 20, 16 << 20};
}

// A buffer of 16 MB and a little more, 4 KB aligned.
struct Buffer {
    std::vector<uint8_t> storage = std::vector<uint8_t>((16 << 20) + 8192, 1);
    uint8_t* Data() { return storage.data() + (-reinterpret_cast<uintptr_t>(storage.data()) & 4095); }
};

struct Impl {
    const char* name;
    MoveRoutine move;
};

double Measure(bool quick, auto&& f) { return bench::NsPerCall(f, quick ? 0.002 : 0.004, 3); }

// The routines tuned to this machine, as the plug-in takes them.
std::optional<TunedRoutines> gTuned;

// The machine is shared and noisy: every measurement is taken in several
// rounds over all sizes and implementations, and the fastest is kept.
class BestOfRounds {
public:
    void Add(const std::string& routine, const std::string& implementation, long long bytes, double ns) {
        auto [it, added] = best_.try_emplace({routine, implementation, bytes}, ns);
        if (added) order_.push_back(it->first);
        else if (ns < it->second) it->second = ns;
    }
    bench::Report ToReport() const {
        bench::Report report;
        for (const Key& k : order_) report.Add(std::get<0>(k), std::get<1>(k), std::get<2>(k), best_.at(k));
        return report;
    }

private:
    using Key = std::tuple<std::string, std::string, long long>;
    std::map<Key, double> best_;
    std::vector<Key> order_;
};

void BenchMove(BestOfRounds& report, bool quick, const char* routine, int sourceOffset, int destOffset) {
    static Buffer source, dest;
    const MoveRoutine host =
        FindHostRoutine<MoveRoutine>(Runtime().module, hostnames::System_Move);
    std::vector<Impl> impls = {{"selected", MoveSlot},   {"MoveGeneric", MoveGeneric}, {"MoveMMX", MoveMMX},
                               {"MoveSSE", MoveSSE},     {"MoveSSE2", MoveSSE2},       {"MoveSSE3", MoveSSE3},
                               {"limit", RepMovsb}};
    if (host) impls.push_back({"host", host});
    const uint8_t* s = source.Data() + sourceOffset;
    uint8_t* d = dest.Data() + destOffset;
    for (int32_t size : Sizes(quick)) {
        for (const Impl& impl : impls)
            report.Add(routine, impl.name, size, Measure(quick, [&] { impl.move(s, d, size); }));
        report.Add(routine, "crt", size, Measure(quick, [&] { crtMemmove(d, s, size); }));
        if (gTuned) {
            const int32_t tableThreshold = LargeMoveThreshold;
            LargeMoveThreshold = gTuned->largeMoveThreshold;
            report.Add(routine, "tuned", size, Measure(quick, [&] { gTuned->move(s, d, size); }));
            LargeMoveThreshold = tableThreshold;
        }
    }
}

void BenchFill(BestOfRounds& report, bool quick) {
    static Buffer dest;
    const FillCharRoutine host =
        FindHostRoutine<FillCharRoutine>(Runtime().module, hostnames::System_FillChar);
    struct FillImpl {
        const char* name;
        FillCharRoutine fill;
    };
    std::vector<FillImpl> impls = {{"FillCharA", FillCharA}, {"FillCharB", FillCharB}, {"FillCharC", FillCharC},
                                   {"FillCharD", FillCharD}, {"FillCharE", FillCharE}, {"limit", RepStosb}};
    if (host) impls.push_back({"host", host});
    if (gTuned) impls.push_back({"tuned", gTuned->slots.FillChar});
    uint8_t* d = dest.Data() + 3;
    for (int32_t size : Sizes(quick)) {
        for (const FillImpl& impl : impls)
            report.Add("FillChar", impl.name, size, Measure(quick, [&] { impl.fill(d, size, 'x'); }));
        report.Add("FillChar", "crt", size, Measure(quick, [&] { crtMemset(d, 'x', size); }));
    }
}

void BenchCompare(BestOfRounds& report, bool quick) {
    static Buffer a, b;
    const CompareMemRoutine host =
        FindHostRoutine<CompareMemRoutine>(Runtime().module, hostnames::Sysutils_CompareMem);
    struct CompareImpl {
        const char* name;
        CompareMemRoutine compare;
    };
    std::vector<CompareImpl> impls = {{"CompareMemA", CompareMemA}, {"CompareMemB", CompareMemB},
                                      {"CompareMemC", CompareMemC}, {"CompareMemD", CompareMemD},
                                      {"CompareMemE", CompareMemE}, {"CompareMemF", CompareMemF}};
    if (host) impls.push_back({"host", host});
    if (gTuned) impls.push_back({"tuned", gTuned->slots.CompareMem});
    // Equal blocks: every byte is compared.
    const uint8_t* p = a.Data() + 1;
    const uint8_t* q = b.Data() + 6;
    for (int32_t size : Sizes(quick)) {
        for (const CompareImpl& impl : impls)
            report.Add("CompareMem", impl.name, size,
                       Measure(quick, [&] { bench::KeepValue(impl.compare(p, q, size)); }));
        report.Add("CompareMem", "crt", size, Measure(quick, [&] { bench::KeepValue(crtMemcmp(p, q, size)); }));
    }
}

// The goal lines: "selected" (or the named variant) against the C runtime
// at every size and against the limit from 1 MB.
void PrintGoals(const bench::Report& report, const char* routine, const char* chosen) {
    std::map<long long, std::map<std::string, double>> rows;
    for (const bench::Result& r : report.Results())
        if (r.routine == routine) rows[r.bytes][r.implementation] = r.nsPerCall;
    std::printf("\n%s: %s against the C runtime (crt time / chosen time, goal >= 1.00) and against the\n"
                "string instructions from 1 MB (limit time / chosen time = share of their bandwidth, goal >= 0.90)\n",
                routine, chosen);
    int misses = 0;
    for (const auto& [bytes, ns] : rows) {
        const double vsCrt = ns.at("crt") / ns.at(chosen);
        std::printf("%10lld  vs crt %5.2f%s", bytes, vsCrt, vsCrt < 1.0 ? " MISS" : "     ");
        misses += vsCrt < 1.0;
        if (bytes >= (1 << 20)) {
            const double vsLimit = ns.at("limit") / ns.at(chosen);
            std::printf("  vs limit %5.2f%s", vsLimit, vsLimit < 0.9 ? " MISS" : "");
            misses += vsLimit < 0.9;
        }
        std::printf("\n");
    }
    std::printf("%s: %d miss(es)\n", routine, misses);
}

// The goals of the tuned routines: Move against memmove at every size from
// 16 bytes, the others against their family's fastest variant.
void PrintTunedGoals(const bench::Report& report) {
    if (!gTuned) {
        std::printf("\nNo routines tuned to this processor are stored (toravex-cpuinfo --tune): no \"tuned\" column\n");
        return;
    }
    std::map<std::string, std::map<long long, std::map<std::string, double>>> ns;
    for (const bench::Result& r : report.Results()) ns[r.routine][r.bytes][r.implementation] = r.nsPerCall;
    int misses = 0;
    for (const char* routine : {"Move", "Move (source +1, dest +3)"}) {
        std::printf("\n%s: tuned (%s, large moves above %d bytes) against memmove\n"
                    "(crt time / tuned time, goal >= 0.95)\n",
                    routine, FindVariant(reinterpret_cast<const void*>(gTuned->move))->name,
                    -gTuned->largeMoveThreshold);
        for (const auto& [bytes, values] : ns[routine]) {
            if (bytes < 16) continue;
            const double ratio = values.at("crt") / values.at("tuned");
            std::printf("%10lld  %5.2f%s\n", bytes, ratio, ratio < 0.95 ? " MISS" : "");
            misses += ratio < 0.95;
        }
    }
    const std::pair<const char*, const void*> others[] = {
        {"FillChar", reinterpret_cast<const void*>(gTuned->slots.FillChar)},
        {"CompareMem", reinterpret_cast<const void*>(gTuned->slots.CompareMem)}};
    for (const auto& [routine, tuned] : others) {
        std::printf("\n%s: tuned (%s) against the fastest variant (fastest time / tuned time, goal >= 0.91)\n", routine,
                    FindVariant(tuned)->name);
        for (long long bytes : {64, 256, 4096}) {
            const auto& values = ns[routine][bytes];
            std::string fastest;
            for (const auto& [implementation, time] : values)
                if (bench::IsVariantThatRunsHere(implementation) && (fastest.empty() || time < values.at(fastest)))
                    fastest = implementation;
            const bool met = bench::WithinTenPercent(values.at(fastest), values.at("tuned"));
            std::printf("%10lld  %-12s %5.2f%s\n", bytes, fastest.c_str(), values.at(fastest) / values.at("tuned"),
                        met ? "" : " MISS");
            misses += !met;
        }
    }
    std::printf("tuned: %d miss(es)\n", misses);
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options;
    if (!bench::ParseOptions(argc, argv, options)) return 2;
    LoadLibraryA(TORAVEX_BUILD_DIR "\\emuide\\100\\bin\\rtl100.bpl");
    PrepareProcessorDetection();
    PrepareFastMove();
    gTuned = bench::LoadTunedRoutines();
    const char* chosenFill = Processor.Has(FeatureSSE2) ? "FillCharB" : Processor.Has(FeatureSSE) ? "FillCharE"
                             : Processor.Has(FeatureMMX) ? "FillCharC" : "FillCharD";
    std::printf("features 0x%04X, level-2 cache %u KB, large-move threshold %d\n", Processor.features,
                Processor.l2CacheKB, LargeMoveThreshold);

    BestOfRounds rounds;
    for (int round = 0; round < (options.quick ? 1 : 3); ++round) {
        BenchMove(rounds, options.quick, "Move", 0, 0);
        BenchMove(rounds, options.quick, "Move (source +1, dest +3)", 1, 3);
        BenchFill(rounds, options.quick);
        BenchCompare(rounds, options.quick);
    }
    const bench::Report report = rounds.ToReport();
    report.PrintTable();
    PrintGoals(report, "Move", "selected");
    PrintGoals(report, "Move (source +1, dest +3)", "selected");
    PrintGoals(report, "FillChar", chosenFill);
    PrintTunedGoals(report);
    if (!options.csvPath.empty() && !report.WriteCsv(options.csvPath)) return 1;
    return 0;
}
