// IntToStr and the StrToInt variants against the emulated host's routines
// and the C runtime (_itoa, strtol), inside the emulated runtime package.
// The "bytes" column is the length of the text. Ends with the goal: the
// chosen StrToInt not slower than strtol on the same texts.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "HostNames.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "fastcode/IntToStr.h"
#include "fastcode/StrToInt.h"

using namespace toravex;

namespace {

char* (*volatile crtItoa)(int, char*, int) = _itoa;
long (*volatile crtStrtol)(const char*, char**, int) = std::strtol;

double Measure(bool quick, auto&& f) { return bench::NsPerCall(f, quick ? 0.002 : 0.01, quick ? 2 : 5); }

void BenchIntToStr(bench::Report& report, bool quick) {
    const IntToStrRoutine host = FindHostRoutine<IntToStrRoutine>(Runtime().module, hostnames::Sysutils_IntToStr);
    for (int32_t value : {7, 12345, -12345, 2147483647, INT32_MIN}) {
        char text[16];
        const long long length = static_cast<long long>(std::string(_itoa(value, text, 10)).size());
        char* result = nullptr;
        report.Add("IntToStr", "IntToStr", length, Measure(quick, [&] { IntToStr(value, &result); }));
        if (host) report.Add("IntToStr", "host", length, Measure(quick, [&] { host(value, &result); }));
        report.Add("IntToStr", "crt", length, Measure(quick, [&] { bench::KeepValue(crtItoa(value, text, 10)); }));
        Runtime().lstrClr(&result);
    }
}

struct Parser {
    const char* name;
    StrToIntRoutine parse;
};

void BenchStrToInt(bench::Report& report, bool quick) {
    std::vector<Parser> parsers = {{"StrToIntA", StrToIntA}, {"StrToIntB", StrToIntB}, {"StrToIntC", StrToIntC},
                                   {"StrToIntD", StrToIntD}, {"StrToIntE", StrToIntE}};
    if (auto host = FindHostRoutine<StrToIntRoutine>(Runtime().module, hostnames::Sysutils_StrToInt))
        parsers.push_back({"host", host});
    // The C runtime parses the same text; a hexadecimal text it reads
    // after the "$", in base 16.
    struct Case {
        const char* text;
        int crtOffset, crtBase;
    };
    for (const Case& c : {Case{"7", 0, 10}, Case{"12345", 0, 10}, Case{"-12345", 0, 10}, Case{"2147483647", 0, 10},
                          Case{"-2147483648", 0, 10}, Case{"  000000123456", 0, 10}, Case{"$7FFFFFFF", 1, 16}}) {
        const HostString text(c.text);
        const long long length = text.Length();
        for (const Parser& p : parsers)
            report.Add("StrToInt", p.name, length, Measure(quick, [&] { bench::KeepValue(p.parse(text.Get())); }));
        report.Add("StrToInt", "crt", length,
                   Measure(quick, [&] { bench::KeepValue(crtStrtol(c.text + c.crtOffset, nullptr, c.crtBase)); }));
    }
}

void PrintGoal(const bench::Report& report, const char* chosen) {
    std::map<long long, std::map<std::string, double>> rows;
    for (const bench::Result& r : report.Results())
        if (r.routine == "StrToInt") rows[r.bytes][r.implementation] = r.nsPerCall;
    std::printf("\nStrToInt: %s against strtol (crt time / chosen time, goal >= 1.00)\n", chosen);
    int misses = 0;
    for (const auto& [bytes, ns] : rows) {
        const double ratio = ns.at("crt") / ns.at(chosen);
        std::printf("%10lld  vs crt %5.2f%s\n", bytes, ratio, ratio < 1.0 ? " MISS" : "");
        misses += ratio < 1.0;
    }
    std::printf("StrToInt: %d miss(es)\n", misses);
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options;
    if (!bench::ParseOptions(argc, argv, options)) return 2;
    if (!LoadLibraryA(TORAVEX_BUILD_DIR "\\emuide\\100\\bin\\rtl100.bpl") || !Runtime().lstrFromPCharLen) {
        std::fprintf(stderr, "the emulated runtime package did not load\n");
        return 1;
    }
    bench::Report report;
    BenchIntToStr(report, options.quick);
    BenchStrToInt(report, options.quick);
    report.PrintTable();
    PrintGoal(report, "StrToIntE");
    if (!options.csvPath.empty() && !report.WriteCsv(options.csvPath)) return 1;
    return 0;
}
