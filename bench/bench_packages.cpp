// Package loading costs the package import resolver takes on, measured in
// the emulated runtime of build 90, side by side in one run:
//  - calls of runtime helpers it binds directly: LStrLen (its argument in a
//    register) and _llmul (its second operand on the stack), made from call
//    sites of compiled host code; "bytes" is the string's length and the
//    operand size. host: through the import thunk (E8, then FF 25 <slot>);
//    selected: the same call site once the call-site stub in the slot has
//    rewritten it into a direct call of the routine; stub: a call through
//    the slot (FF 15), which goes through the stub every time.
//  - the duplicate-unit check of one more package while n packages are
//    loaded; "bytes" is n. host: the runtime's InitializePackage of a loaded
//    package (its check searches every loaded package; "Initialize" itself
//    has nothing left to do); selected: the same call with InitializePackage
//    redirected to the unit index, the package not yet examined.
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
#include "base/BucketList.h"
#include "base/HostString.h"
#include "base/Lifecycle.h"
#include "base/StringHash.h"
#include "ide/PackageImportResolver.h"
#include "ide/PackageUnitIndex.h"
#include "patching/CallSiteStub.h"

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
    // The resolver's stubs in the bound slots; the first call rewrites the
    // bound loops' call sites.
    bench_slot_LStrLen_bound = toravex::MakeCallSiteStub(lstrLen);
    bench_slot_llmul_bound = toravex::MakeCallSiteStub(llmul);
    bench_LStrLenBound(text, 1);
    bench_llmulBound(&a, &b, 1);
    struct Column {
        const char* routine;
        const char* implementation;
        long long bytes;
        int32_t (*loop)(const char* text, const int64_t* a, const int64_t* b);
        double best = 1e300;
    };
    Column columns[] = {
        {"LStrLen", "host", hostabi::LengthOf(text),
         [](const char* t, const int64_t*, const int64_t*) { return bench_LStrLenThroughThunk(t, kCallsPerLoop); }},
        {"LStrLen", "selected", hostabi::LengthOf(text),
         [](const char* t, const int64_t*, const int64_t*) { return bench_LStrLenBound(t, kCallsPerLoop); }},
        {"LStrLen", "stub", hostabi::LengthOf(text),
         [](const char* t, const int64_t*, const int64_t*) { return bench_LStrLenBoundIndirect(t, kCallsPerLoop); }},
        {"_llmul", "host", sizeof(int64_t),
         [](const char*, const int64_t* x, const int64_t* y) { return bench_llmulThroughThunk(x, y, kCallsPerLoop); }},
        {"_llmul", "selected", sizeof(int64_t),
         [](const char*, const int64_t* x, const int64_t* y) { return bench_llmulBound(x, y, kCallsPerLoop); }},
        {"_llmul", "stub", sizeof(int64_t),
         [](const char*, const int64_t* x, const int64_t* y) { return bench_llmulBoundIndirect(x, y, kCallsPerLoop); }},
    };
    // Interleaved rounds; the fastest figure of each column is kept.
    for (int round = 0; round < (quick ? 1 : 3); ++round)
        for (Column& c : columns)
            c.best = std::min(c.best, Measure(quick, [&] { bench::KeepValue(c.loop(text, &a, &b)); }) / kCallsPerLoop);
    for (const Column& c : columns) report.Add(c.routine, c.implementation, c.bytes, c.best);
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
    toravex::RuntimePackage = rtl;
    toravex::UnitIndex = new toravex::TStringIntegerHash;
    toravex::IndexedModules = new toravex::TModuleBucketList(3);
    std::vector<int> sizes;
    std::vector<std::string> files = PackageFiles(sizes, quick);
    std::vector<HMODULE> loaded;
    for (int size : sizes) {
        while (static_cast<int>(loaded.size()) < size) {
            const std::string& file = files[loaded.size()];
            HMODULE m = LoadLibraryA(file.c_str());
            if (!m) {
                std::fprintf(stderr, "cannot load %s\n", file.c_str());
                return;
            }
            initialize(m);  // its own initialization, once, through the runtime's check
            toravex::HostString name(file.c_str());
            toravex::IndexPackage(m, name.Get(), toravex::FindPackageInfo(m));
            loaded.push_back(m);
        }
        HMODULE package = loaded.back();
        double host = 1e300, selected = 1e300;
        for (int round = 0; round < (quick ? 1 : 3); ++round) {
            host = std::min(host, Measure(quick, [&] { initialize(package); }));
            toravex::InstallInitializePackageHook();
            selected = std::min(selected, Measure(quick, [&] {
                                    toravex::IndexedModules->Remove(package);
                                    initialize(package);
                                }));
            toravex::RemoveInitializePackageHook();
        }
        report.Add("UnitCheck", "host", size, host);
        report.Add("UnitCheck", "selected", size, selected);
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
