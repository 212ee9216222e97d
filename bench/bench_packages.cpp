// Package loading costs the package import resolver takes on, measured in
// the emulated runtime of build 90:
//  - calls of runtime helpers it binds directly: LStrLen (its argument in a
//    register) and _llmul (its second operand on the stack), made from call
//    sites of compiled host code; "bytes" is the string's length and the
//    operand size. host: through the import thunk (E8, then FF 25 <slot>).
//  - the duplicate-unit check of one more package while n packages are
//    loaded; "bytes" is n. host: the runtime's InitializePackage of a loaded
//    package (its check searches every loaded package; "Initialize" itself
//    has nothing left to do).
// The unit check uses the large installation when it has been built
// (scripts/package-scale.sh builds it), otherwise the IDE's own packages.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "HostCall.h"
#include "HostLayout.h"
#include "HostNames.h"

extern "C" {
extern void* bench_slot_LStrLen_host;
extern void* bench_slot_LStrLen_bound;
extern void* bench_slot_llmul_host;
extern void* bench_slot_llmul_bound;
int32_t HOSTCALL bench_LStrLenThroughThunk(const char* s, int32_t calls);
int32_t HOSTCALL bench_LStrLenBound(const char* s, int32_t calls);
int32_t HOSTCALL bench_LStrLenBoundIndirect(const char* s, int32_t calls);
int32_t HOSTCALL bench_llmulThroughThunk(const int64_t* a, const int64_t* b, int32_t calls);
int32_t HOSTCALL bench_llmulBound(const int64_t* a, const int64_t* b, int32_t calls);
int32_t HOSTCALL bench_llmulBoundIndirect(const int64_t* a, const int64_t* b, int32_t calls);
}

namespace {

constexpr int kBuild = 90;
constexpr int32_t kCallsPerLoop = 1000;

std::string IdeFolder() { return std::string(TORAVEX_BUILD_DIR) + "\\emuide\\90"; }

void* RuntimeExport(HMODULE rtl, const hostnames::HostName& name) {
    return reinterpret_cast<void*>(GetProcAddress(rtl, name.decorated));
}

double Measure(bool quick, auto&& f) { return bench::NsPerCall(f, quick ? 0.002 : 0.01, quick ? 2 : 5); }

void BenchHelperCalls(bench::Report& report, HMODULE rtl, bool quick) {
    using FromPChar = void(HOSTCALL*)(char**, const char*);
    using Clear = void*(HOSTCALL*)(char**);
    auto fromPChar = reinterpret_cast<FromPChar>(RuntimeExport(rtl, hostnames::System_LStrFromPChar));
    auto clear = reinterpret_cast<Clear>(RuntimeExport(rtl, hostnames::System_LStrClr));
    void* lstrLen = RuntimeExport(rtl, hostnames::System_LStrLen);
    void* llmul = RuntimeExport(rtl, hostnames::System_llmul);
    bench_slot_LStrLen_host = bench_slot_LStrLen_bound = lstrLen;
    bench_slot_llmul_host = bench_slot_llmul_bound = llmul;

    char* text = nullptr;
    fromPChar(&text, "C:\\Program Files\\Borland\\BDS\\3.0\\lib\\Controls.dcu");
    const int64_t a = 0x123456789LL, b = -77;
    // Interleaved rounds; the fastest figure of each column is kept.
    double lstrLenHost = 1e300, llmulHost = 1e300;
    for (int round = 0; round < (quick ? 1 : 3); ++round) {
        lstrLenHost = std::min(lstrLenHost, Measure(quick, [&] {
                                   bench::KeepValue(bench_LStrLenThroughThunk(text, kCallsPerLoop));
                               }) / kCallsPerLoop);
        llmulHost = std::min(llmulHost, Measure(quick, [&] {
                                 bench::KeepValue(bench_llmulThroughThunk(&a, &b, kCallsPerLoop));
                             }) / kCallsPerLoop);
    }
    report.Add("LStrLen", "host", hostabi::LengthOf(text), lstrLenHost);
    report.Add("_llmul", "host", sizeof(int64_t), llmulHost);
    clear(&text);
}

// The packages to load, in order: the large installation when built,
// else the IDE's own design packages.
std::vector<std::string> PackageFiles(std::vector<int>& sizes, bool quick) {
    std::vector<std::string> files;
    const std::string scale = IdeFolder() + "\\scale\\dclscale";
    char name[16];
    for (int i = 1; i <= 250; ++i) {
        std::snprintf(name, sizeof name, "%03d.bpl", i);
        if (GetFileAttributesA((scale + name).c_str()) == INVALID_FILE_ATTRIBUTES) break;
        files.push_back(scale + name);
    }
    if (files.size() == 250) {
        sizes = quick ? std::vector<int>{50} : std::vector<int>{50, 100, 250};
        return files;
    }
    files.clear();
    for (int i = 1; i <= 6; ++i) {
        std::snprintf(name, sizeof name, "%02d.bpl", i);
        files.push_back(IdeFolder() + "\\bin\\dclemu" + name);
    }
    sizes = {6};
    return files;
}

void BenchUnitCheck(bench::Report& report, HMODULE rtl, bool quick) {
    using InitializePackage = void(HOSTCALL*)(HMODULE);
    auto initialize = reinterpret_cast<InitializePackage>(RuntimeExport(rtl, hostnames::Sysutils_InitializePackage));
    std::vector<int> sizes;
    std::vector<std::string> files = PackageFiles(sizes, quick);
    std::vector<HMODULE> loaded;
    for (int size : sizes) {
        while (static_cast<int>(loaded.size()) < size) {
            HMODULE m = LoadLibraryA(files[loaded.size()].c_str());
            if (!m) {
                std::fprintf(stderr, "cannot load %s\n", files[loaded.size()].c_str());
                return;
            }
            loaded.push_back(m);
        }
        HMODULE package = loaded.back();
        initialize(package);  // its own initialization, once
        report.Add("UnitCheck", "host", size, Measure(quick, [&] { initialize(package); }));
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options;
    if (!bench::ParseOptions(argc, argv, options)) return 2;
    HMODULE rtl = LoadLibraryA((IdeFolder() + "\\bin\\rtl90.bpl").c_str());
    if (!rtl) {
        std::fprintf(stderr, "cannot load the emulated runtime of build %d\n", kBuild);
        return 1;
    }
    bench::Report report;
    BenchHelperCalls(report, rtl, options.quick);
    BenchUnitCheck(report, rtl, options.quick);
    report.PrintTable();
    if (!options.csvPath.empty() && !report.WriteCsv(options.csvPath)) return 1;
    return 0;
}
