#include "Tuning.h"

#include <climits>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "HostLayout.h"
#include "TuningRules.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/RoutineVariants.h"
#include "fastcode/TunedRoutines.h"

namespace tuning {

namespace {

using namespace toravex;

struct Timing {
    double minSeconds;
    int repetitions;
    int rounds;  // each variant is measured once per round; the fastest round counts
};

template <class Routine>
Routine As(const void* routine) {
    return reinterpret_cast<Routine>(const_cast<void*>(routine));
}

template <class F>
double Time(const Timing& t, F&& f) {
    return bench::NsPerCall(f, t.minSeconds, t.repetitions);
}

// A counted string laid out as the host lays out its constants (reference
// count -1: never counted or freed), so the read-only families need no
// runtime package.
class ConstantString {
public:
    explicit ConstantString(const std::string& text)
        : storage_(hostabi::LongStringBlockSize(static_cast<int32_t>(text.size())) / 4) {
        auto* header = reinterpret_cast<hostabi::LongStringHeader*>(storage_.data());
        header->refCount = -1;
        header->length = static_cast<int32_t>(text.size());
        text.copy(Get(), text.size());
    }
    char* Get() { return reinterpret_cast<char*>(storage_.data()) + sizeof(hostabi::LongStringHeader); }

private:
    std::vector<int32_t> storage_;  // zero-filled: the terminator is there
};

// Letters of both cases over an alphabet of `alphabet` letters.
std::string MixedText(int length, int alphabet = 26) {
    std::string s(length, 'a');
    for (int i = 0; i < length; ++i) s[i] = static_cast<char>((i % 3 == 0 ? 'A' : 'a') + i % alphabet);
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c -= 32;
    return s;
}

// Two 4 KB blocks and a little more, 64-byte aligned, for the block routines
// and StrCopy's destination.
uint8_t* Block(int which) {
    static std::vector<uint8_t> storage[2] = {std::vector<uint8_t>(8192, 1), std::vector<uint8_t>(8192, 1)};
    uint8_t* p = storage[which].data();
    return p + (-reinterpret_cast<uintptr_t>(p) & 63);
}

// The families' workloads, at each size: the inputs the benchmarks use.

double EqualStrings(const void* routine, int bytes, const Timing& t) {
    ConstantString a(MixedText(bytes)), b(MixedText(bytes));
    const auto f = As<CompareStrRoutine>(routine);
    return Time(t, [&] { bench::KeepValue(f(a.Get(), b.Get())); });
}

// A mixed-case text against its upper-case copy: every letter folded.
double FoldedStrings(const void* routine, int bytes, const Timing& t) {
    ConstantString a(MixedText(bytes)), b(Upper(MixedText(bytes)));
    const auto f = As<CompareTextRoutine>(routine);
    return Time(t, [&] { bench::KeepValue(f(a.Get(), b.Get())); });
}

// Only the last byte is a 'z'; the last 4 bytes are the only "wxyz".
std::string SearchText(int bytes) {
    std::string s = MixedText(bytes, 20);
    s.replace(bytes - 4, 4, "wxyz");
    return s;
}

double SearchLastByte(const void* routine, int bytes, const Timing& t) {
    ConstantString s(SearchText(bytes)), z("z");
    const auto f = As<PosRoutine>(routine);
    return Time(t, [&] { bench::KeepValue(f(z.Get(), s.Get())); });
}

double SearchLastWord(const void* routine, int bytes, const Timing& t) {
    ConstantString s(SearchText(bytes)), tail("wxyz");
    const auto f = As<PosExRoutine>(routine);
    return Time(t, [&] { bench::KeepValue(f(tail.Get(), s.Get(), 1)); });
}

double Length(const void* routine, int bytes, const Timing& t) {
    ConstantString s(MixedText(bytes));
    const auto f = As<StrLenRoutine>(routine);
    return Time(t, [&] { bench::KeepValue(f(s.Get())); });
}

double Copy(const void* routine, int bytes, const Timing& t) {
    ConstantString s(MixedText(bytes));
    char* dest = reinterpret_cast<char*>(Block(0));
    const auto f = As<StrCopyRoutine>(routine);
    return Time(t, [&] { bench::KeepValue(f(dest, s.Get())); });
}

double ConvertCase(const void* routine, int bytes, const Timing& t) {
    ConstantString s(MixedText(bytes));
    HostString result;
    const auto f = As<UpperCaseRoutine>(routine);
    return Time(t, [&] { f(s.Get(), result.Out()); });
}

// Integer texts of 1 to 11 characters.
double TextToInteger(const void* routine, int characters, const Timing& t) {
    static const std::map<int, std::string> kTexts = {
        {1, "7"}, {3, "-42"}, {6, "123456"}, {9, "987654321"}, {11, "-2147483648"}};
    ConstantString s(kTexts.at(characters));
    const auto f = As<StrToIntRoutine>(routine);
    return Time(t, [&] { bench::KeepValue(f(s.Get())); });
}

double Larger(const void* routine, int, const Timing& t) {
    const auto f = As<MaxRoutine>(routine);
    volatile int32_t a = 3, b = 9;
    return Time(t, [&] { bench::KeepValue(f(a, b) + f(b, a)); });
}

// Equal blocks (every byte compared), neither aligned.
double CompareBlocks(const void* routine, int bytes, const Timing& t) {
    const auto f = As<CompareMemRoutine>(routine);
    const uint8_t *p = Block(0) + 1, *q = Block(1) + 6;
    return Time(t, [&] { bench::KeepValue(f(p, q, bytes)); });
}

double Fill(const void* routine, int bytes, const Timing& t) {
    const auto f = As<FillCharRoutine>(routine);
    uint8_t* d = Block(0) + 3;
    return Time(t, [&] { f(d, bytes, 'x'); });
}

double MoveBlock(const void* routine, int bytes, const Timing& t) {
    const auto f = As<MoveRoutine>(routine);
    const uint8_t* s = Block(0);
    uint8_t* d = Block(1);
    return Time(t, [&] { f(s, d, bytes); });
}

using Measure = double (*)(const void* routine, int bytes, const Timing& t);

struct Workload {
    const char* slot;
    Measure measure;
    bool makesHostStrings;
    std::vector<int> cases;  // sizes in bytes; StrToInt: text lengths; Max: one
};

const std::vector<int> kSizes = {16, 64, 256, 1024, 4096};

const Workload kWorkloads[] = {
    {"CompareMem", CompareBlocks, false, kSizes},  {"CompareStr", EqualStrings, false, kSizes},
    {"CompareText", FoldedStrings, false, kSizes}, {"FillChar", Fill, false, kSizes},
    {"LowerCase", ConvertCase, true, kSizes},      {"Pos", SearchLastByte, false, kSizes},
    {"PosEx", SearchLastWord, false, kSizes},      {"StrComp", EqualStrings, false, kSizes},
    {"StrCopy", Copy, false, kSizes},              {"StrIComp", FoldedStrings, false, kSizes},
    {"StrLen", Length, false, kSizes},             {"StrToInt", TextToInteger, false, {1, 3, 6, 9, 11}},
    {"UpperCase", ConvertCase, true, kSizes},      {"Max", Larger, false, {1}},
    {"Move", MoveBlock, false, kSizes},
};

const Workload* WorkloadOf(const char* slot) {
    for (const Workload& w : kWorkloads)
        if (std::string_view(w.slot) == slot) return &w;
    return nullptr;
}

bool CanMakeHostStrings() {
    const HostRuntime& r = Runtime();
    return r.lstrSetLength && r.lstrClr && r.lstrAsg;
}

// The table's variant for every slot on this processor.
const void* TableChoice(const RoutineFamily& family) {
    if (std::string_view(family.slot) == "Move")
        return reinterpret_cast<const void*>(SelectMoveVariant(Processor.features));
    for (const NamedSlot& slot : NamedSlots(RoutineRow(RoutineTarget)))
        if (std::string_view(slot.name) == family.slot) return slot.routine;
    return nullptr;
}

// One family: its variants this processor runs, measured in rounds; the
// choice by the geometric mean over the workload's sizes.
const RoutineVariant* ChooseFor(const RoutineFamily& family, const Timing& timing, std::FILE* progress) {
    const void* table = TableChoice(family);
    std::vector<const RoutineVariant*> valid;
    size_t tableIndex = npos;
    for (const RoutineVariant& v : family.variants) {
        if (v.needs & ~Processor.features) continue;
        if (v.routine == table) tableIndex = valid.size();
        valid.push_back(&v);
    }
    std::fprintf(progress, "  %-14s", family.slot);
    if (valid.empty()) {
        std::fprintf(progress, "no variant runs on this processor\n");
        return nullptr;
    }
    const Workload* workload = WorkloadOf(family.slot);
    const char* kept = nullptr;
    if (valid.size() < 2)
        kept = "one variant runs here";
    else if (!workload)
        kept = "no workload measures it";
    else if (workload->makesHostStrings && !CanMakeHostStrings())
        kept = "not measured: no runtime package to make host strings";
    if (kept) {
        const RoutineVariant* only = tableIndex != npos ? valid[tableIndex] : valid.front();
        std::fprintf(progress, " %s (%s)\n", only->name, kept);
        return only;
    }

    std::vector<std::vector<double>> best(valid.size(), std::vector<double>(workload->cases.size(), 1e300));
    for (int round = 0; round < timing.rounds; ++round)
        for (size_t v = 0; v < valid.size(); ++v)
            for (size_t c = 0; c < workload->cases.size(); ++c)
                best[v][c] = std::min(best[v][c], workload->measure(valid[v]->routine, workload->cases[c], timing));
    std::vector<double> means;
    for (size_t v = 0; v < valid.size(); ++v) {
        means.push_back(GeometricMean(best[v]));
        std::fprintf(progress, " %s %.1f", valid[v]->name, means.back());
    }
    const RoutineVariant* chosen = valid[ChooseVariant(means, tableIndex)];
    std::fprintf(progress, " ns -> %s (table: %s)\n", chosen->name,
                 tableIndex != npos ? valid[tableIndex]->name : "none of these");
    std::fflush(progress);
    return chosen;
}

// Forward moves of growing size through the chosen move's block routine,
// with its ordinary and with its cache-bypassing loops.
int32_t MeasureLargeMove(MoveRoutine move, bool quick, const Timing& timing, std::FILE* progress) {
    const int32_t tableBytes = -LargeMoveThresholdFor(Processor.l2CacheKB);
    std::vector<int32_t> sizes;
    const double step = quick ? 2 : std::sqrt(2.0);
    for (double s = quick ? 256 * 1024 : 128 * 1024; s <= (quick ? 16 : 32) * 1048576.0 + 1; s *= step)
        sizes.push_back(static_cast<int32_t>(s) & ~4095);
    std::vector<uint8_t> source(sizes.back() + 4096, 1), dest(sizes.back() + 4096);
    uint8_t* s = source.data() + (-reinterpret_cast<uintptr_t>(source.data()) & 4095);
    uint8_t* d = dest.data() + (-reinterpret_cast<uintptr_t>(dest.data()) & 4095);

    std::fprintf(progress, "Large moves (ordinary / cache-bypassing loops, microseconds)\n");
    std::fflush(progress);
    const int32_t saved = LargeMoveThreshold;
    std::vector<double> ordinary(sizes.size(), 1e300), bypass(sizes.size(), 1e300);
    for (int round = 0; round < timing.rounds; ++round) {
        for (size_t i = 0; i < sizes.size(); ++i) {
            LargeMoveThreshold = INT32_MIN;  // no block part is larger: never bypass
            ordinary[i] = std::min(ordinary[i], Time(timing, [&] { move(s, d, sizes[i]); }));
            LargeMoveThreshold = 0;  // every block part is larger: always bypass
            bypass[i] = std::min(bypass[i], Time(timing, [&] { move(s, d, sizes[i]); }));
        }
    }
    LargeMoveThreshold = saved;
    for (size_t i = 0; i < sizes.size(); ++i)
        std::fprintf(progress, "  %9d B %10.1f %10.1f%s\n", sizes[i], ordinary[i] / 1000, bypass[i] / 1000,
                     bypass[i] < ordinary[i] ? "  bypassing wins" : "");
    const int32_t bytes = LargeMoveBytes(sizes, ordinary, bypass, tableBytes);
    std::fprintf(progress, "  -> moves above %d bytes bypass the cache (table: %d)\n", bytes, tableBytes);
    return bytes;
}

}  // namespace

std::optional<StoredTuning> TuneThisMachine(bool quick, std::FILE* progress) {
    const Timing timing = quick ? Timing{0.0005, 2, 1} : Timing{0.003, 3, 3};
    StoredTuning tuned = TuningIdentity(Processor);
    std::fprintf(progress, "Routine families (ns per call, geometric mean over 16 to 4096 bytes)\n");
    const RoutineVariant* move = nullptr;
    for (const RoutineFamily& family : RoutineFamilies()) {
        const RoutineVariant* chosen = ChooseFor(family, timing, progress);
        if (!chosen) return std::nullopt;
        tuned.choices.push_back({family.slot, chosen->name});
        if (std::string_view(family.slot) == "Move") move = chosen;
    }
    // Only the SSE variants' block routine has the cache-bypassing loops.
    tuned.largeMoveBytes = -LargeMoveThresholdFor(Processor.l2CacheKB);
    if (move && (move->needs & FeatureSSE))
        tuned.largeMoveBytes = MeasureLargeMove(As<MoveRoutine>(move->routine), quick, timing, progress);
    else
        std::fprintf(progress, "Large moves: %s has no cache-bypassing loops; the table's size is kept\n",
                     move ? move->name : "no move");
    return tuned;
}

}  // namespace tuning
