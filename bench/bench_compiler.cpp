// The emulated IDE's hosted compiler (build 100), loaded into this program:
// its file look-up through callback 8, per file, for files that exist and
// files that do not, as the IDE does it ("host") and with the plug-in's
// compiler hook installed ("selected"); and the C runtime routines of the
// compiler libraries (the shared table's bytes, run from a copy: "host"),
// what the plug-in puts in their place ("selected": the 32-byte blocks run
// from a copy, FastStrCat, RegisterMemCmp behind a C-convention call) and the
// C runtime's ("crt"). The "bytes" column is the block or string length (0
// for the look-ups). Ends with the goal: the look-up at least twice as fast.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "CompilerCallbacks.h"
#include "CompilerRoutines.h"
#include "HostNames.h"
#include "compiler/CompilerInterface.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"
#include "ide/CompilerRuntime.h"
#include "ide/IDEHooks.h"

namespace {

const std::string kIdeDir = TORAVEX_BUILD_DIR "\\emuide\\100\\bin\\";
const std::string kProjectDir = TORAVEX_BUILD_DIR "\\emuide\\compiler-project\\";

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

// The names the compiler looks up for the project's first units, in the
// order it asks for them (.dcu, then .pas, in each folder until one is
// there): the ones that exist, the ones that do not, and all of them.
struct ProjectNames {
    std::vector<std::string> found, missing, asked;
};

ProjectNames NamesOfTheProject() {
    ProjectNames names;
    for (int unit = 0; unit < 60; ++unit) {
        char name[16];
        std::snprintf(name, sizeof name, "Unit%04d", unit);
        bool there = false;
        for (int folder = 1; folder <= 3 && !there; ++folder) {
            for (const char* extension : {".dcu", ".pas"}) {
                const std::string file = kProjectDir + "source" + std::to_string(folder) + "\\" + name + extension;
                there = GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
                (there ? names.found : names.missing).push_back(file);
                names.asked.push_back(file);
                if (there) break;
            }
        }
    }
    return names;
}

// Callback 8 per file: as the IDE has it ("host"), and with the plug-in's
// hook installed ("selected").
void BenchFileLookup(bench::InterleavedRounds& b, const Compilers& c, bool quick) {
    static const ProjectNames names = NamesOfTheProject();
    for (const auto& [routine, list] : {std::pair{"FileLookup(found)", &names.found},
                                        std::pair{"FileLookup(missing)", &names.missing},
                                        std::pair{"FileLookup(project)", &names.asked}}) {
        for (const char* implementation : {"host", "selected"}) {
            const bool hooked = implementation[0] == 's';
            if (hooked) toravex::InstallCompilerInitHook();
            const hostabi::FileLookupCallback lookUp = c.FileLookup();
            size_t next = 0;
            // A look-up takes tenths of a millisecond: longer batches.
            b.Keep(routine, implementation, 0, bench::NsPerCall([&] {
                       emucompiler::FileLookup lookup{};
                       lookup.fileName = (*list)[next++ % list->size()].c_str();
                       bench::KeepValue(lookUp(reinterpret_cast<uint32_t>(&lookup)));
                   }, quick ? 0.05 : 0.25, quick ? 2 : 3));
            if (hooked) toravex::RemoveCompilerInitHook();
        }
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

// Copies of code in executable memory, each at a 16-byte boundary.
class CodeCopies {
public:
    CodeCopies() : code_(static_cast<uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_EXECUTE_READWRITE))) {}
    template <class Fn>
    Fn Add(const void* bytes, size_t size) {
        uint8_t* at = code_ + used_;
        std::memcpy(at, bytes, size);
        used_ += (size + 15) & ~15u;
        FlushInstructionCache(GetCurrentProcess(), at, size);
        return reinterpret_cast<Fn>(at);
    }

private:
    uint8_t* code_;
    size_t used_ = 0;
};

CRoutines HostRoutines(CodeCopies& copies) {
    auto row = [](hostabi::CompilerRoutine r) { return hostabi::FindCompilerRoutine(hostnames::B100, r); };
    auto copy = [&]<class Fn>(hostabi::CompilerRoutine r, Fn*) { return copies.Add<Fn*>(row(r)->bytes, row(r)->size); };
    using R = hostabi::CompilerRoutine;
    return {copy(R::memcpy, BlockRoutine{}), copy(R::memmove, BlockRoutine{}), copy(R::memset, FillRoutine{}),
            copy(R::strcat, AppendRoutine{}), copy(R::strlen, LengthRoutine{}), copy(R::memcmp, CompareRoutine{})};
}

int SelectedMemCmp(const void* a, const void* b, size_t count) { return toravex::toravex_RegisterMemCmp(0, 0, a, b, count); }

CRoutines SelectedRoutines(CodeCopies& copies) {
    const toravex::CodeBlock move = toravex::MoveBlock(), fill = toravex::FillBlock(), length = toravex::LengthBlock();
    const auto moveCopy = copies.Add<BlockRoutine>(move.data(), move.size());
    return {moveCopy, moveCopy, copies.Add<FillRoutine>(fill.data(), fill.size()), &toravex::toravex_FastStrCat,
            copies.Add<LengthRoutine>(length.data(), length.size()), &SelectedMemCmp};
}

CRoutines CrtRoutines() {
    HMODULE msvcrt = GetModuleHandleA("msvcrt.dll");
    auto get = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(msvcrt, name)); };
    return {reinterpret_cast<BlockRoutine>(get("memcpy")), reinterpret_cast<BlockRoutine>(get("memmove")),
            reinterpret_cast<FillRoutine>(get("memset")),  reinterpret_cast<AppendRoutine>(get("strcat")),
            reinterpret_cast<LengthRoutine>(get("strlen")), reinterpret_cast<CompareRoutine>(get("memcmp"))};
}

// Each routine at each length, all implementations side by side.
struct Implementation {
    const char* name;
    CRoutines routines;
};

void BenchCRoutines(bench::InterleavedRounds& b, const std::vector<Implementation>& implementations) {
    static char x[8192], y[8192];
    std::memset(x, 'a', sizeof x);
    std::memset(y, 'a', sizeof y);
    constexpr size_t kSizes[] = {16, 64, 256, 4096};
    // A string of each length.
    static char texts[std::size(kSizes)][4097];
    for (size_t i = 0; i < std::size(kSizes); ++i) {
        std::memset(texts[i], 'x', kSizes[i]);
        texts[i][kSizes[i]] = 0;
    }
    auto text = [&](size_t size) { return texts[std::find(kSizes, kSizes + std::size(kSizes), size) - kSizes]; };
    auto each = [&](const char* routine, auto&& call) {
        for (size_t size : kSizes)
            for (const Implementation& i : implementations)
                b.Measure(routine, i.name, static_cast<long long>(size), [&] { call(i.routines, size); });
    };
    each("memcpy", [](const CRoutines& r, size_t size) { bench::KeepValue(r.memcpy_(x, y, size)); });
    each("memmove", [](const CRoutines& r, size_t size) { bench::KeepValue(r.memmove_(x + 3, x, size)); });
    each("memset", [](const CRoutines& r, size_t size) { bench::KeepValue(r.memset_(x, 'a', size)); });
    each("memcmp", [](const CRoutines& r, size_t size) { bench::KeepValue(r.memcmp_(x, y, size)); });
    each("strlen", [&](const CRoutines& r, size_t size) { bench::KeepValue(r.strlen_(text(size))); });
    each("strcat", [&](const CRoutines& r, size_t size) {
        y[0] = 0;
        bench::KeepValue(r.strcat_(y, text(size)));
    });
}

// The look-up per file with the hook against the IDE's own (goal >= 2.00).
void PrintGoal(const bench::Report& report) {
    std::map<std::string, std::map<std::string, double>> ns;
    for (const bench::Result& r : report.Results())
        if (r.routine.rfind("FileLookup", 0) == 0) ns[r.routine][r.implementation] = r.nsPerCall;
    std::printf("\nFile look-up through callback 8: host time / selected time (goal >= 2.00)\n");
    for (const auto& [routine, figures] : ns) {
        const double ratio = figures.at("host") / figures.at("selected");
        std::printf("%-22s %6.2f%s\n", routine.c_str(), ratio, ratio < 2.0 ? " MISS" : "");
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
    toravex::PrepareProcessorDetection();
    toravex::PrepareFastMove();
    toravex::PrepareRoutineTable();
    CodeCopies copies;
    const CRoutines host = HostRoutines(copies), selected = SelectedRoutines(copies), crt = CrtRoutines();

    bench::InterleavedRounds b(options);
    for (int round = 0; round < b.Rounds(); ++round) {
        BenchFileLookup(b, compilers, options.quick);
        BenchCRoutines(b, {{"host", host}, {"selected", selected}, {"crt", crt}});
    }
    const bench::Report report = b.Report();
    report.PrintTable();
    PrintGoal(report);
    if (!options.csvPath.empty() && !report.WriteCsv(options.csvPath)) return 1;
    return 0;
}
