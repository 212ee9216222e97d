// The emulated IDE's hosted compiler (build 100), loaded into this program:
// its file look-up through callback 8, per file, for files that exist and
// files that do not; and the C runtime routines of its compiler libraries
// (the shared table's bytes, run from a copy) against the C runtime's. The
// "bytes" column is the block or string length (0 for the look-ups).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "CompilerCallbacks.h"
#include "CompilerRoutines.h"
#include "HostNames.h"
#include "compiler/CompilerInterface.h"

namespace {

const std::string kIdeDir = TORAVEX_BUILD_DIR "\\emuide\\100\\bin\\";
const std::string kProjectDir = TORAVEX_BUILD_DIR "\\emuide\\compiler-project\\";

double Measure(bool quick, auto&& f) { return bench::NsPerCall(f, quick ? 0.002 : 0.02, quick ? 2 : 5); }

// The emulated IDE's compiler modules of the 100 build in this process.
struct Compilers {
    HMODULE startupModule = nullptr, dcc = nullptr;
    const uint32_t* callbacks = nullptr;
    hostabi::FileLookupCallback FileLookup() const {
        return reinterpret_cast<hostabi::FileLookupCallback>(callbacks[hostabi::kFileLookupCallback]);
    }
};

const void* gHandedOver = nullptr;
void __stdcall TakeTable(const void* callbacks) { gHandedOver = callbacks; }

bool LoadCompilers(Compilers& c) {
    auto load = [](const char* file) {
        return LoadLibraryExA((kIdeDir + file).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    };
    c.startupModule = load("delphicoreide100.bpl");
    c.dcc = load("dcc100.dll");
    if (!c.startupModule || !c.dcc) return false;
    using Startup = void(__attribute__((regparm(3))) *)(void(__stdcall*)(const void*));
    auto startup = reinterpret_cast<Startup>(
        GetProcAddress(c.startupModule, hostnames::Pascppcominout_PascalWin32CompilerInit.decorated));
    if (!startup) return false;
    startup(&TakeTable);
    c.callbacks = static_cast<const uint32_t*>(gHandedOver);
    return c.callbacks != nullptr;
}

// The names the compiler looks up for the project's first units, the ones
// that exist and the ones that do not.
void ProjectNames(std::vector<std::string>& found, std::vector<std::string>& missing) {
    for (int unit = 0; unit < 60; ++unit) {
        char name[16];
        std::snprintf(name, sizeof name, "Unit%04d", unit);
        for (int folder = 1; folder <= 3; ++folder) {
            for (const char* extension : {".dcu", ".pas"}) {
                const std::string file = kProjectDir + "source" + std::to_string(folder) + "\\" + name + extension;
                (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES ? missing : found).push_back(file);
            }
        }
    }
}

// Callback 8 per file; implementation is "host" for the IDE's own look-up.
void BenchFileLookup(bench::Report& report, const Compilers& c, const char* implementation, bool quick) {
    std::vector<std::string> found, missing;
    ProjectNames(found, missing);
    const hostabi::FileLookupCallback lookUp = c.FileLookup();
    for (const auto& [routine, names] : {std::pair{"FileLookup(found)", &found}, std::pair{"FileLookup(missing)", &missing}}) {
        size_t next = 0;
        report.Add(routine, implementation, 0, Measure(quick, [&] {
                       emucompiler::FileLookup lookup{};
                       lookup.fileName = (*names)[next++ % names->size()].c_str();
                       bench::KeepValue(lookUp(reinterpret_cast<uint32_t>(&lookup)));
                   }));
    }
}

// The compiler libraries' routines, run from a copy of the table's bytes.
using BlockRoutine = void* (*)(void*, const void*, size_t);
using FillRoutine = void* (*)(void*, int, size_t);
using LengthRoutine = size_t (*)(const char*);
using AppendRoutine = char* (*)(char*, const char*);
using CompareRoutine = int (*)(const void*, const void*, size_t);

struct CRoutines {
    BlockRoutine memcpy_, memmove_;
    FillRoutine memset_;
    AppendRoutine strcat_;
    LengthRoutine strlen_;
    CompareRoutine memcmp_;
};

CRoutines HostRoutines() {
    static uint8_t* code = nullptr;
    if (!code) code = static_cast<uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_EXECUTE_READWRITE));
    const void* at[hostabi::kCompilerRoutineCount];
    uint8_t* next = code;
    for (int r = 0; r < hostabi::kCompilerRoutineCount; ++r) {
        const hostabi::CompilerRoutineCode* row = hostabi::FindCompilerRoutine(hostnames::B100, hostabi::CompilerRoutine(r));
        std::memcpy(next, row->bytes, row->size);
        at[r] = next;
        next += (row->size + 15) & ~15u;
    }
    FlushInstructionCache(GetCurrentProcess(), code, 4096);
    return {reinterpret_cast<BlockRoutine>(at[0]), reinterpret_cast<BlockRoutine>(at[1]),
            reinterpret_cast<FillRoutine>(at[2]),  reinterpret_cast<AppendRoutine>(at[3]),
            reinterpret_cast<LengthRoutine>(at[4]), reinterpret_cast<CompareRoutine>(at[5])};
}

CRoutines CrtRoutines() {
    HMODULE msvcrt = GetModuleHandleA("msvcrt.dll");
    auto get = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(msvcrt, name)); };
    return {reinterpret_cast<BlockRoutine>(get("memcpy")), reinterpret_cast<BlockRoutine>(get("memmove")),
            reinterpret_cast<FillRoutine>(get("memset")),  reinterpret_cast<AppendRoutine>(get("strcat")),
            reinterpret_cast<LengthRoutine>(get("strlen")), reinterpret_cast<CompareRoutine>(get("memcmp"))};
}

void BenchCRoutines(bench::Report& report, const CRoutines& r, const char* implementation, bool quick) {
    static char a[8192], b[8192], text[8192];
    for (size_t size : {16, 64, 256, 4096}) {
        const auto bytes = static_cast<long long>(size);
        std::memset(a, 'a', sizeof a);
        std::memset(b, 'a', sizeof b);
        report.Add("memcpy", implementation, bytes, Measure(quick, [&] { bench::KeepValue(r.memcpy_(a, b, size)); }));
        report.Add("memmove", implementation, bytes, Measure(quick, [&] { bench::KeepValue(r.memmove_(a + 3, a, size)); }));
        report.Add("memset", implementation, bytes, Measure(quick, [&] { bench::KeepValue(r.memset_(a, 7, size)); }));
        std::memset(a, 'a', sizeof a);
        report.Add("memcmp", implementation, bytes, Measure(quick, [&] { bench::KeepValue(r.memcmp_(a, b, size)); }));
        std::memset(text, 'x', size);
        text[size] = 0;
        report.Add("strlen", implementation, bytes, Measure(quick, [&] { bench::KeepValue(r.strlen_(text)); }));
        report.Add("strcat", implementation, bytes, Measure(quick, [&] {
                       b[0] = 0;
                       bench::KeepValue(r.strcat_(b, text));
                   }));
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options;
    if (!bench::ParseOptions(argc, argv, options)) return 2;
    Compilers compilers;
    if (!LoadCompilers(compilers)) {
        std::fprintf(stderr, "the emulated IDE's compiler modules did not load from %s\n", kIdeDir.c_str());
        return 1;
    }
    bench::Report report;
    BenchFileLookup(report, compilers, "host", options.quick);
    BenchCRoutines(report, HostRoutines(), "host", options.quick);
    BenchCRoutines(report, CrtRoutines(), "crt", options.quick);
    report.PrintTable();
    if (!options.csvPath.empty() && !report.WriteCsv(options.csvPath)) return 1;
    return 0;
}
