// The string routine families side by side: every variant, the variant
// selected for this processor, the emulated host's routine (where the
// emulated runtime implements it), the C runtime's equivalent and a plain
// byte loop, at 1 to 4096 bytes. Ends with the goals: the selected variant
// at least 3 times faster than the plain loop from 64 bytes up, and not
// slower than the C runtime from 16 bytes up. With routines tuned to this
// machine stored (toravex-cpuinfo --tune), the "tuned" column measures them,
// and the goal is each within 10% of its family's fastest variant at 64, 256
// and 4096 bytes.
//
// Inputs: counted strings are host strings of the emulated runtime. The
// comparisons compare equal strings (the whole length is walked); the
// case-insensitive ones compare a mixed-case text with its upper-case copy.
// Pos looks for a one-byte SubStr that only the last byte matches (the C
// runtime's strchr), PosEx for the last 4 bytes (strstr). StringReplace
// replaces a 2-byte pattern found every 16 bytes.
#pragma GCC optimize("no-tree-loop-distribute-patterns")  // keep the plain loops loops

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "HostCall.h"
#include "HostLayout.h"
#include "HostNames.h"
#include "TunedColumn.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "fastcode/CompareStr.h"
#include "fastcode/CompareText.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/LowerCase.h"
#include "fastcode/Pos.h"
#include "fastcode/PosEx.h"
#include "fastcode/StrComp.h"
#include "fastcode/StrCopy.h"
#include "fastcode/StrIComp.h"
#include "fastcode/StrLen.h"
#include "fastcode/StringReplace.h"
#include "fastcode/UpperCase.h"

using namespace toravex;

namespace {

// Which host exports the emulated runtime implements; the others exist only
// to be found and raise when called.
namespace implemented {
#define HOST_EXPORT(id, module, builds, name) constexpr bool id = true;
#define HOST_DATA(id, module, builds, name) constexpr bool id = true;
#define HOST_RAISES(id, module, builds, name) constexpr bool id = false;
#include "HostExports.inc"
#undef HOST_EXPORT
#undef HOST_DATA
#undef HOST_RAISES
}  // namespace implemented

const int kSizes[] = {1, 4, 8, 16, 32, 64, 256, 4096};

using Bench = bench::InterleavedRounds;

template <class Fn>
struct Variant {
    const char* name;
    Fn fn;
};

// The name of the variant selected for this processor, per routine.
std::map<std::string, std::string> gSelectedName;

// The routines tuned to this machine, as the plug-in takes them from the
// options: nothing when none are stored or they are not for this processor.
std::optional<TunedRoutines> gTuned;

// The tuned variant of a routine-table slot; nil without tuning.
const void* TunedRoutine(const char* slot) {
    if (gTuned)
        for (const NamedSlot& s : NamedSlots(gTuned->slots))
            if (std::string(s.name) == slot) return s.routine;
    return nullptr;
}

// Every variant plus the selected one (and the tuned one), measured by one
// call pattern.
template <class Fn, size_t N, class Call>
void MeasureVariants(Bench& b, const char* routine, int bytes, const Variant<Fn> (&variants)[N], Fn selected,
                     Call call) {
    for (const Variant<Fn>& v : variants) {
        b.Measure(routine, v.name, bytes, [&] { call(v.fn); });
        if (v.fn == selected) gSelectedName[routine] = v.name;
    }
    b.Measure(routine, "selected", bytes, [&] { call(selected); });
    if (const void* tuned = TunedRoutine(routine))
        b.Measure(routine, "tuned", bytes, [&] { call(reinterpret_cast<Fn>(const_cast<void*>(tuned))); });
}

template <class Fn>
Fn HostRoutine(bool available, const hostnames::HostName& name) {
    return available ? FindHostRoutine<Fn>(Runtime().module, name) : nullptr;
}

// The C runtime's routines, called through pointers so the compiler cannot
// substitute its built-ins.
struct CRuntime {
    int (*strcmp)(const char*, const char*);
    int (*stricmp)(const char*, const char*);
    size_t (*strlen)(const char*);
    char* (*strcpy)(char*, const char*);
    const char* (*strchr)(const char*, int);
    const char* (*strstr)(const char*, const char*);
};
CRuntime LoadCRuntime() {
    HMODULE msvcrt = LoadLibraryA("msvcrt.dll");
    auto get = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(msvcrt, name)); };
    CRuntime c;
    c.strcmp = reinterpret_cast<decltype(c.strcmp)>(get("strcmp"));
    c.stricmp = reinterpret_cast<decltype(c.stricmp)>(get("_stricmp"));
    c.strlen = reinterpret_cast<decltype(c.strlen)>(get("strlen"));
    c.strcpy = reinterpret_cast<decltype(c.strcpy)>(get("strcpy"));
    c.strchr = reinterpret_cast<decltype(c.strchr)>(get("strchr"));
    c.strstr = reinterpret_cast<decltype(c.strstr)>(get("strstr"));
    return c;
}

// Plain byte loops: what the goals measure against.
namespace plain {
inline int Fold(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
__attribute__((noinline)) int32_t HOSTCALL CompareCounted(const char* a, const char* b, bool fold) {
    const int32_t la = hostabi::LengthOf(a), lb = hostabi::LengthOf(b), n = la < lb ? la : lb;
    for (int32_t i = 0; i < n; ++i) {
        const int x = fold ? Fold(a[i]) : static_cast<unsigned char>(a[i]);
        const int y = fold ? Fold(b[i]) : static_cast<unsigned char>(b[i]);
        if (x != y) return x - y;
    }
    return la - lb;
}
__attribute__((noinline)) int32_t CompareZ(const char* a, const char* b, bool fold) {
    for (;; ++a, ++b) {
        const int x = fold ? Fold(*a) : static_cast<unsigned char>(*a);
        const int y = fold ? Fold(*b) : static_cast<unsigned char>(*b);
        if (x != y || x == 0) return x - y;
    }
}
__attribute__((noinline)) void Convert(const char* s, char** result, bool upper) {
    const int32_t n = hostabi::LengthOf(s);
    char* d = nullptr;
    Runtime().lstrSetLength(&d, n);
    for (int32_t i = 0; i < n; ++i) {
        const char c = s[i];
        d[i] = upper ? (c >= 'a' && c <= 'z' ? c - 32 : c) : (c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    char* old = *result;
    *result = d;
    Runtime().lstrClr(&old);
}
__attribute__((noinline)) int32_t Find(const char* sub, const char* s, int32_t offset) {
    const int32_t m = hostabi::LengthOf(sub), n = hostabi::LengthOf(s);
    if (m == 0 || offset < 1) return 0;
    for (int32_t i = offset - 1; i + m <= n; ++i) {
        int32_t k = 0;
        while (k < m && s[i + k] == sub[k]) ++k;
        if (k == m) return i + 1;
    }
    return 0;
}
__attribute__((noinline)) int32_t Length(const char* s) {
    int32_t n = 0;
    while (s[n]) ++n;
    return n;
}
__attribute__((noinline)) char* Copy(char* d, const char* s) {
    char* r = d;
    while ((*d++ = *s++) != 0) {
    }
    return r;
}
// Replace all: count the matches, then assemble.
__attribute__((noinline)) void ReplaceAll(const char* s, const char* from, const char* to, char** result) {
    const int32_t n = hostabi::LengthOf(s), m = hostabi::LengthOf(from), t = hostabi::LengthOf(to);
    int32_t count = 0;
    for (int32_t at = Find(from, s, 1); at; at = Find(from, s, at + m)) ++count;
    char* d = nullptr;
    Runtime().lstrSetLength(&d, n + count * (t - m));
    int32_t o = 0;
    for (int32_t i = 0; i < n;) {
        int32_t k = 0;
        while (k < m && i + m <= n && s[i + k] == from[k]) ++k;
        if (k == m) {
            for (int32_t j = 0; j < t; ++j) d[o++] = to[j];
            i += m;
        } else {
            d[o++] = s[i++];
        }
    }
    char* old = *result;
    *result = d;
    Runtime().lstrClr(&old);
}
}  // namespace plain

std::string Text(int length, int alphabet = 26) {
    std::string s(length, 'a');
    for (int i = 0; i < length; ++i) s[i] = static_cast<char>((i % 3 == 0 ? 'A' : 'a') + i % alphabet);
    return s;
}
std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c -= 32;
    return s;
}

void BenchComparisons(Bench& b, const CRuntime& crt) {
    using Cmp = int32_t(HOSTCALL*)(const char*, const char*);
    const Variant<Cmp> compareStr[] = {
        {"CompareStrA", CompareStrA}, {"CompareStrB", CompareStrB}, {"CompareStrC", CompareStrC}, {"CompareStrD", CompareStrD}};
    const Variant<Cmp> compareText[] = {
        {"CompareTextA", CompareTextA}, {"CompareTextB", CompareTextB}, {"CompareTextC", CompareTextC}};
    const Variant<Cmp> strComp[] = {{"StrCompA", StrCompA}, {"StrCompB", StrCompB}};
    const Variant<Cmp> strIComp[] = {{"StrICompA", StrICompA}};
    const Cmp hostCompareStr = HostRoutine<Cmp>(implemented::Sysutils_CompareStr, hostnames::Sysutils_CompareStr);
    const Cmp hostCompareText = HostRoutine<Cmp>(implemented::Sysutils_CompareText, hostnames::Sysutils_CompareText);
    const Cmp hostStrComp = HostRoutine<Cmp>(implemented::Sysutils_StrComp, hostnames::Sysutils_StrComp);
    const Cmp hostStrIComp = HostRoutine<Cmp>(implemented::Sysutils_StrIComp, hostnames::Sysutils_StrIComp);

    auto run = [&](const char* routine, const auto& variants, Cmp selected, Cmp host, bool upperSecond,
                   int (*crtFn)(const char*, const char*), bool fold, bool counted) {
        for (int size : kSizes) {
            const std::string text = Text(size);
            const HostString a(text.c_str()), other((upperSecond ? Upper(text) : text).c_str());
            MeasureVariants(b, routine, size, variants, selected,
                            [&](Cmp f) { bench::KeepValue(f(a.Get(), other.Get())); });
            if (host) b.Measure(routine, "host", size, [&] { bench::KeepValue(host(a.Get(), other.Get())); });
            b.Measure(routine, "crt", size, [&] { bench::KeepValue(crtFn(a.CStr(), other.CStr())); });
            b.Measure(routine, "reference", size, [&] {
                bench::KeepValue(counted ? plain::CompareCounted(a.Get(), other.Get(), fold)
                                         : plain::CompareZ(a.CStr(), other.CStr(), fold));
            });
        }
    };
    run("CompareStr", compareStr, CompareStrFor(RoutineTarget), hostCompareStr, false, crt.strcmp, false, true);
    run("CompareText", compareText, CompareTextFor(RoutineTarget), hostCompareText, true, crt.stricmp, true, true);
    run("StrComp", strComp, StrCompFor(RoutineTarget), hostStrComp, false, crt.strcmp, false, false);
    run("StrIComp", strIComp, StrICompFor(RoutineTarget), hostStrIComp, true, crt.stricmp, true, false);
}

void BenchCaseConversion(Bench& b) {
    using Conv = void(HOSTCALL*)(const char*, char**);
    const Variant<Conv> upperCase[] = {
        {"UpperCaseA", UpperCaseA}, {"UpperCaseB", UpperCaseB}, {"UpperCaseC", UpperCaseC}, {"UpperCaseD", UpperCaseD}};
    const Variant<Conv> lowerCase[] = {{"LowerCaseA", LowerCaseA}, {"LowerCaseB", LowerCaseB}};
    const Conv hostUpper = HostRoutine<Conv>(implemented::Sysutils_UpperCase, hostnames::Sysutils_UpperCase);
    const Conv hostLower = HostRoutine<Conv>(implemented::Sysutils_LowerCase, hostnames::Sysutils_LowerCase);
    auto run = [&](const char* routine, const auto& variants, Conv selected, Conv host, bool upper) {
        for (int size : kSizes) {
            const HostString s(Text(size).c_str());
            HostString result;
            MeasureVariants(b, routine, size, variants, selected, [&](Conv f) { f(s.Get(), result.Out()); });
            if (host) b.Measure(routine, "host", size, [&] { host(s.Get(), result.Out()); });
            b.Measure(routine, "reference", size, [&] { plain::Convert(s.Get(), result.Out(), upper); });
        }
    };
    run("UpperCase", upperCase, UpperCaseFor(RoutineTarget), hostUpper, true);
    run("LowerCase", lowerCase, LowerCaseFor(RoutineTarget), hostLower, false);
}

void BenchSearch(Bench& b, const CRuntime& crt) {
    const Variant<PosRoutine> pos[] = {{"PosA", PosA}, {"PosB", PosB}};
    const Variant<PosExRoutine> posEx[] = {{"PosExA", PosExA}, {"PosExB", PosExB}};
    const auto hostPos = HostRoutine<PosRoutine>(implemented::System_LStrPos, hostnames::System_LStrPos);
    const auto hostPosEx = HostRoutine<PosExRoutine>(implemented::Strutils_PosEx, hostnames::Strutils_PosEx);
    // Only the last byte is a 'z'; the last 4 bytes are the only "wxyz".
    auto text = [](int size) {
        std::string t = Text(size, 20);
        const int tail = std::min(size, 4);
        t.replace(size - tail, tail, std::string("wxyz").substr(4 - tail));
        return t;
    };
    for (int size : kSizes) {
        const HostString s(text(size).c_str()), last("z");
        MeasureVariants(b, "Pos", size, pos, PosFor(RoutineTarget),
                        [&](PosRoutine f) { bench::KeepValue(f(last.Get(), s.Get())); });
        if (hostPos) b.Measure("Pos", "host", size, [&] { bench::KeepValue(hostPos(last.Get(), s.Get())); });
        b.Measure("Pos", "crt", size, [&] { bench::KeepValue(crt.strchr(s.Get(), 'z')); });
        b.Measure("Pos", "reference", size, [&] { bench::KeepValue(plain::Find(last.Get(), s.Get(), 1)); });
    }
    for (int size : kSizes) {
        const std::string t = text(size);
        const HostString s(t.c_str()), tail(t.substr(size - std::min(size, 4)).c_str());
        MeasureVariants(b, "PosEx", size, posEx, PosExFor(RoutineTarget),
                        [&](PosExRoutine f) { bench::KeepValue(f(tail.Get(), s.Get(), 1)); });
        if (hostPosEx) b.Measure("PosEx", "host", size, [&] { bench::KeepValue(hostPosEx(tail.Get(), s.Get(), 1)); });
        b.Measure("PosEx", "crt", size, [&] { bench::KeepValue(crt.strstr(s.Get(), tail.Get())); });
        b.Measure("PosEx", "reference", size, [&] { bench::KeepValue(plain::Find(tail.Get(), s.Get(), 1)); });
    }
}

void BenchLengthAndCopy(Bench& b, const CRuntime& crt) {
    const Variant<StrLenRoutine> strLen[] = {{"StrLenA", StrLenA}, {"StrLenB", StrLenB}, {"StrLenC", StrLenC}};
    const Variant<StrCopyRoutine> strCopy[] = {{"StrCopyA", StrCopyA}, {"StrCopyB", StrCopyB}, {"StrCopyC", StrCopyC}};
    const auto hostStrLen = HostRoutine<StrLenRoutine>(implemented::Sysutils_StrLen, hostnames::Sysutils_StrLen);
    const auto hostStrCopy = HostRoutine<StrCopyRoutine>(implemented::Sysutils_StrCopy, hostnames::Sysutils_StrCopy);
    for (int size : kSizes) {
        const std::string text = Text(size);
        const char* s = text.c_str();
        MeasureVariants(b, "StrLen", size, strLen, StrLenFor(RoutineTarget),
                        [&](StrLenRoutine f) { bench::KeepValue(f(s)); });
        if (hostStrLen) b.Measure("StrLen", "host", size, [&] { bench::KeepValue(hostStrLen(s)); });
        b.Measure("StrLen", "crt", size, [&] { bench::KeepValue(crt.strlen(s)); });
        b.Measure("StrLen", "reference", size, [&] { bench::KeepValue(plain::Length(s)); });
    }
    std::vector<char> dest(8192);
    char* d = dest.data();
    for (int size : kSizes) {
        const std::string text = Text(size);
        const char* s = text.c_str();
        MeasureVariants(b, "StrCopy", size, strCopy, StrCopyFor(RoutineTarget),
                        [&](StrCopyRoutine f) { bench::KeepValue(f(d, s)); });
        if (hostStrCopy) b.Measure("StrCopy", "host", size, [&] { bench::KeepValue(hostStrCopy(d, s)); });
        b.Measure("StrCopy", "crt", size, [&] { bench::KeepValue(crt.strcpy(d, s)); });
        b.Measure("StrCopy", "reference", size, [&] { bench::KeepValue(plain::Copy(d, s)); });
    }
}

// Replace all of a 2-byte pattern that occurs every 16 bytes by 3 bytes.
// "StringReplace" searches with the host's PosEx as it is found now (PosExA
// while the emulated runtime lacks one); "selected" with this processor's
// PosEx variant, as once the runtime patches re-point the host's PosEx.
void BenchStringReplace(Bench& b) {
    using Replace = void(HOSTCALL_STACK*)(const char*, const char*, const char*, char**, uint8_t);
    const Replace host = HostRoutine<Replace>(implemented::Sysutils_StringReplace, hostnames::Sysutils_StringReplace);
    const HostString from("q!"), to("QQQ");
    for (int size : kSizes) {
        std::string text = Text(size);
        for (int i = 7; i + 2 <= size; i += 16) text.replace(i, 2, "q!");
        const HostString s(text.c_str());
        HostString result;
        auto replace = [&] { StringReplace(s.Get(), from.Get(), to.Get(), result.Out(), ReplaceAll); };
        SetCaseSensitiveReplaceSearch(implemented::Strutils_PosEx ? nullptr : PosExA);
        b.Measure("StringReplace", "StringReplace", size, replace);
        SetCaseSensitiveReplaceSearch(PosExFor(RoutineTarget));
        b.Measure("StringReplace", "selected", size, replace);
        gSelectedName["StringReplace"] = PosExFor(RoutineTarget) == PosExA ? "with PosExA" : "with PosExB";
        if (gTuned) {
            SetCaseSensitiveReplaceSearch(gTuned->slots.PosEx);
            b.Measure("StringReplace", "tuned", size, replace);
        }
        SetCaseSensitiveReplaceSearch(nullptr);
        if (host)
            b.Measure("StringReplace", "host", size, [&] { host(s.Get(), from.Get(), to.Get(), result.Out(), ReplaceAll); });
        b.Measure("StringReplace", "reference", size,
                  [&] { plain::ReplaceAll(s.Get(), from.Get(), to.Get(), result.Out()); });
    }
}

// The goals, from the table: selected against the plain loop (64 bytes
// up) and against the C runtime (16 bytes up).
void PrintGoals(const bench::Report& report) {
    std::map<std::string, std::map<long long, std::map<std::string, double>>> ns;
    std::vector<std::string> routines;
    for (const bench::Result& r : report.Results()) {
        if (ns.find(r.routine) == ns.end()) routines.push_back(r.routine);
        ns[r.routine][r.bytes][r.implementation] = r.nsPerCall;
    }
    std::printf("\nGoals (target %s): plain loop / selected >= 3 from 64 bytes; crt / selected >= 1 from 16 bytes\n",
                RoutineTargetName(RoutineTarget));
    std::printf("%-26s %6s %12s %12s\n", "routine (selected)", "bytes", "vs plain", "vs crt");
    for (const std::string& routine : routines) {
        for (const auto& [bytes, values] : ns[routine]) {
            if (bytes < 16 || values.count("selected") == 0) continue;
            const double selected = values.at("selected");
            std::printf("%-26s %6lld", (routine + " (" + gSelectedName[routine] + ")").c_str(), bytes);
            if (values.count("reference") && bytes >= 64) {
                const double ratio = values.at("reference") / selected;
                std::printf(" %10.2fx%s", ratio, ratio >= 3 ? " " : "!");
            } else {
                std::printf(" %12s", "");
            }
            if (values.count("crt")) {
                const double ratio = values.at("crt") / selected;
                std::printf(" %10.2fx%s", ratio, ratio >= 1 ? " " : "!");
            }
            std::printf("\n");
        }
    }
    std::printf("(! marks a missed goal)\n");
}

// Tuned against the fastest variant of its family that runs here, at 64,
// 256 and 4096 bytes: within 10%.
void PrintTunedGoals(const bench::Report& report) {
    if (!gTuned) {
        std::printf("\nNo routines tuned to this processor are stored (toravex-cpuinfo --tune): no \"tuned\" column\n");
        return;
    }
    std::map<std::string, std::map<long long, std::map<std::string, double>>> ns;
    std::vector<std::string> routines;
    for (const bench::Result& r : report.Results()) {
        if (ns.find(r.routine) == ns.end()) routines.push_back(r.routine);
        ns[r.routine][r.bytes][r.implementation] = r.nsPerCall;
    }
    std::printf("\nGoal: tuned within 10%% of the family's fastest variant (fastest / tuned >= 0.91)\n");
    std::printf("%-26s %6s %12s %12s\n", "routine (tuned)", "bytes", "fastest", "vs fastest");
    for (const std::string& routine : routines) {
        const void* tuned = TunedRoutine(routine.c_str());
        if (!tuned) continue;
        for (long long bytes : {64, 256, 4096}) {
            const auto& values = ns[routine][bytes];
            std::string fastest;
            for (const auto& [implementation, time] : values)
                if (bench::IsVariantThatRunsHere(implementation) && (fastest.empty() || time < values.at(fastest)))
                    fastest = implementation;
            if (fastest.empty() || !values.count("tuned")) continue;
            const double ratio = values.at(fastest) / values.at("tuned");
            std::printf("%-26s %6lld %12s %11.2fx%s\n", (routine + " (" + FindVariant(tuned)->name + ")").c_str(),
                        bytes, fastest.c_str(), ratio,
                        bench::WithinTenPercent(values.at(fastest), values.at("tuned")) ? " " : "!");
        }
    }
    std::printf("(! marks a missed goal)\n");
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options;
    if (!bench::ParseOptions(argc, argv, options)) return 2;
    if (!LoadLibraryA(TORAVEX_BUILD_DIR "\\emuide\\100\\bin\\rtl100.bpl") || !Runtime().lstrSetLength) {
        std::fprintf(stderr, "cannot load the emulated runtime package rtl100.bpl\n");
        return 1;
    }
    PrepareProcessorDetection();
    gTuned = bench::LoadTunedRoutines();
    std::printf("Processor target %s (\"selected\": each family's variant for it%s)\n",
                RoutineTargetName(RoutineTarget),
                gTuned ? "; \"tuned\": the variant tuned to this machine" : "");

    Bench b(options);
    const CRuntime crt = LoadCRuntime();
    for (int round = 0; round < b.Rounds(); ++round) {
        BenchComparisons(b, crt);
        BenchCaseConversion(b);
        BenchSearch(b, crt);
        BenchLengthAndCopy(b, crt);
        BenchStringReplace(b);
    }

    const bench::Report report = b.Report();
    report.PrintTable();
    PrintGoals(report);
    PrintTunedGoals(report);
    if (!options.csvPath.empty() && !report.WriteCsv(options.csvPath)) {
        std::fprintf(stderr, "cannot write %s\n", options.csvPath.c_str());
        return 1;
    }
    return 0;
}
