// The compiler hooks on the emulated IDE's compiler modules, loaded into this
// program (built once per IDE build it runs for): the C routines of the
// compiler libraries found and replaced and still right, memcmp's call sites
// rewritten only where that is sound, the file look-up answered by attribute
// queries through the swapped import slot, the read-only test, and
// everything but the compiler libraries as it was after removal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "CompilerRoutines.h"
#include "EmulatedCompilers.h"
#include "RoutineChecks.h"
#include "TestSupport.h"
#include "base/BuildProfile.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"
#include "ide/CompilerHooks.h"
#include "ide/CompilerLibraries.h"
#include "ide/CompilerRuntime.h"
#include "ide/IDEHooks.h"

using namespace compilertest;
using hostabi::CompilerRoutine;
using toravex::Profile;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Copy(const void* at, size_t size) {
    const auto* p = static_cast<const uint8_t*>(at);
    return Bytes(p, p + size);
}

const uint8_t* Export(HMODULE module, const std::string& name) {
    return reinterpret_cast<const uint8_t*>(GetProcAddress(module, name.c_str()));
}

const uint8_t* JumpTarget(const uint8_t* at) {
    int32_t displacement;
    std::memcpy(&displacement, at + 1, 4);
    return at + 5 + displacement;
}

template <class F>
const uint8_t* Code(F* f) {
    return reinterpret_cast<const uint8_t*>(f);
}

const char* const kRegisterKinds[] = {"Eax", "Ecx", "Edx", "Ebx", "Esp", "Ebp", "Esi", "Edi"};
const char* const kRePointedKinds[] = {"Memory", "MemoryEndingLikePushEsp", "MemoryEndingLikePushEsi", "OtherCleanUp"};
const char* const kIndirectKinds[] = {"Register", "Pointer", "RegisterAfterCallLikeBytes"};

// This build's compiler modules, with the plug-in's routine table filled and
// both compiler libraries optimized once; what they held before, kept.
class CompilerHooks : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        toravex::PrepareProcessorDetection();
        toravex::PrepareFastMove();
        toravex::PrepareRoutineTable();
        c_ = &LoadEmulatedCompilers(Profile().packageVersion);
        auto workload = [](HMODULE m) {
            return m ? reinterpret_cast<emucompiler::WorkloadProc>(GetProcAddress(m, "RuntimeWorkload"))(7) : 0u;
        };
        dccBefore_ = workload(c_->dcc);
        cppBefore_ = workload(c_->cpp);
        for (const char* kind : kAllKinds()) sitesBefore_.push_back(Copy(Export(c_->dcc, std::string("MemcmpSite") + kind) - 8, 20));
        for (HMODULE m : {c_->dcc, c_->cpp})
            for (int r = 0; m && r < hostabi::kCompilerRoutineCount; ++r)
                routinesBefore_[m == c_->cpp][r] = Copy(Routine(m, CompilerRoutine(r)), 8);
        testsupport::StepRecorder steps;
        toravex::OptimizeDelphiCompiler();
        toravex::OptimizeCppCompiler();
        steps_ = new std::vector<std::string>(steps.StepsWithPrefix("compiler:"));
    }

    static std::vector<const char*> kAllKinds() {
        std::vector<const char*> kinds(std::begin(kRegisterKinds), std::end(kRegisterKinds));
        kinds.insert(kinds.end(), std::begin(kRePointedKinds), std::end(kRePointedKinds));
        kinds.insert(kinds.end(), std::begin(kIndirectKinds), std::end(kIndirectKinds));
        return kinds;
    }
    static const uint8_t* Routine(HMODULE m, CompilerRoutine r) {
        const char* names[] = {"crt_memcpy", "crt_memmove", "crt_memset", "crt_strcat", "crt_strlen", "crt_memcmp"};
        return Export(m, names[static_cast<int>(r)]);
    }
    static const uint8_t* Site(const char* kind) { return Export(c_->dcc, std::string("MemcmpSite") + kind); }
    static size_t KindIndex(const char* kind) {
        const auto kinds = kAllKinds();
        for (size_t i = 0; i < kinds.size(); ++i)
            if (std::strcmp(kinds[i], kind) == 0) return i;
        return 0;
    }
    static int CallVia(const char* kind, const void* a, const void* b, int count, int* shift) {
        auto caller = reinterpret_cast<int (*)(const void*, const void*, int, int*)>(
            GetProcAddress(c_->dcc, (std::string("MemcmpVia") + kind).c_str()));
        return caller(a, b, count, shift);
    }

    static inline const EmulatedCompilers* c_ = nullptr;
    static inline uint32_t dccBefore_ = 0, cppBefore_ = 0;
    static inline std::vector<Bytes> sitesBefore_;
    static inline Bytes routinesBefore_[2][hostabi::kCompilerRoutineCount];
    static inline std::vector<std::string>* steps_ = nullptr;
};

}  // namespace

TEST_F(CompilerHooks, EveryRoutineOfEachOptimizedLibraryIsReplacedAndStillRight) {
    const bool cppOptimized = *Profile().cppCompiler != 0;
    ASSERT_NE(c_->dcc, nullptr);
    for (HMODULE m : {c_->dcc, c_->cpp}) {
        if (!m) continue;
        const bool optimized = m == c_->dcc || cppOptimized;
        SCOPED_TRACE(m == c_->dcc ? Profile().delphiCompiler : "the C++ compiler library");
        const toravex::CodeBlock blocks[] = {toravex::MoveBlock(), toravex::MoveBlock(), toravex::FillBlock()};
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(Copy(Routine(m, CompilerRoutine(r)), 32) == Bytes(blocks[r].begin(), blocks[r].end()), optimized);
        const toravex::CodeBlock length = toravex::LengthBlock();
        EXPECT_EQ(Copy(Routine(m, CompilerRoutine::strlen), 32) == Bytes(length.begin(), length.end()), optimized);
        const uint8_t* strcat_ = Routine(m, CompilerRoutine::strcat);
        const uint8_t* memcmp_ = Routine(m, CompilerRoutine::memcmp);
        EXPECT_EQ(strcat_[0] == 0xE9 && JumpTarget(strcat_) == Code(&toravex::toravex_FastStrCat), optimized);
        EXPECT_EQ(memcmp_[0] == 0xE9 && JumpTarget(memcmp_) == Code(&toravex::toravex_SmartMemCmp), optimized);
        if (!optimized) {
            for (int r = 0; r < hostabi::kCompilerRoutineCount; ++r)
                EXPECT_EQ(Copy(Routine(m, CompilerRoutine(r)), 8), routinesBefore_[1][r]) << r;
        }

        CheckBlockRoutines(m);
        CheckStringRoutines(m);
        CheckCompare(m);
        const uint32_t before = m == c_->dcc ? dccBefore_ : cppBefore_;
        EXPECT_EQ(reinterpret_cast<emucompiler::WorkloadProc>(GetProcAddress(m, "RuntimeWorkload"))(7), before)
            << "the library's own run gives the same results";
    }
    const size_t perLibrary = 6;
    EXPECT_EQ(steps_->size(), cppOptimized && c_->cpp ? 2 * perLibrary : perLibrary);
    EXPECT_EQ((*steps_)[0], std::string("compiler:") + Profile().delphiCompiler + ":memcpy");
}

// The first call through each site decides it: a register push becomes a
// move into ECX and a call of RegisterMemCmp; the first call already
// answers and leaves the stack balanced.
TEST_F(CompilerHooks, ARegisterPushSiteBecomesAMoveAndACallOnItsFirstCall) {
    constexpr uint8_t kMoves[8][2] = {{0x89, 0xC1}, {0x90, 0x90}, {0x89, 0xD1}, {0x89, 0xD9},
                                      {0x89, 0xE1}, {0x89, 0xE9}, {0x89, 0xF1}, {0x89, 0xF9}};
    uint8_t a[80], b[80];
    for (int i = 0; i < 80; ++i) a[i] = b[i] = static_cast<uint8_t>(i * 7);
    b[70] = static_cast<uint8_t>(a[70] + 3);
    for (int k = 0; k < 8; ++k) {
        const char* kind = kRegisterKinds[k];
        SCOPED_TRACE(kind);
        const uint8_t* site = Site(kind);
        const Bytes& before = sitesBefore_[KindIndex(kind)];
        EXPECT_EQ(before[8], 0x50 + k) << "push of the register";
        EXPECT_EQ(before[9], 0xE8);
        int shift = -1;
        if (k == 4) {  // push esp: compares the stack top (b, count) with b
            uint32_t image[2] = {Word(image), 8};
            EXPECT_EQ(CallVia(kind, nullptr, image, 8, &shift), 0);
            EXPECT_EQ(shift, 0);
            image[1] = 6;
            EXPECT_EQ(CallVia(kind, nullptr, image, 8, &shift), 2);
        } else {
            EXPECT_EQ(CallVia(kind, a, b, 80, &shift), -3) << "the first call";
            EXPECT_EQ(shift, 0);
            EXPECT_EQ(CallVia(kind, a, b, 70, &shift), 0) << "the rewritten site";
        }
        EXPECT_EQ(shift, 0);
        EXPECT_EQ(site[0], kMoves[k][0]);
        EXPECT_EQ(site[1], kMoves[k][1]);
        EXPECT_EQ(site[2], 0xE8);
        EXPECT_EQ(JumpTarget(site + 2), Code(&toravex::toravex_RegisterMemCmp));
        EXPECT_EQ(site[7], 0x90);
        EXPECT_EQ(site[8], 0x90);
        EXPECT_EQ(Copy(site + 9, 3), Bytes(before.begin() + 17, before.end())) << "nothing after the clean-up";
    }
}

// A push from memory (also one ending in a byte that reads like a register
// push, with that register holding the argument) or a clean-up that is not
// the next instruction: the call goes straight to PlainMemCmp, nothing else
// changes. An indirect call, even behind bytes that look like a direct
// call: no byte changes at all.
TEST_F(CompilerHooks, OtherSitesAreRePointedToPlainMemCmpAndIndirectCallsLeftAlone) {
    uint8_t a[64], b[64];
    for (int i = 0; i < 64; ++i) a[i] = b[i] = static_cast<uint8_t>(200 - i);
    b[9] = 0;
    for (const char* kind : kRePointedKinds) {
        SCOPED_TRACE(kind);
        int shift = -1;
        EXPECT_EQ(CallVia(kind, a, b, 64, &shift), int(a[9]));
        EXPECT_EQ(shift, 0);
        EXPECT_EQ(CallVia(kind, a, b, 9, &shift), 0);
        EXPECT_EQ(shift, 0);
        const uint8_t* call = static_cast<const uint8_t*>(memchr(Site(kind), 0xE8, 8));
        ASSERT_NE(call, nullptr);
        EXPECT_EQ(JumpTarget(call), reinterpret_cast<const uint8_t*>(toravex::PlainMemCmp()));
        Bytes now = Copy(Site(kind) - 8, 20), before = sitesBefore_[KindIndex(kind)];
        const size_t displacement = static_cast<size_t>(call - Site(kind)) + 8 + 1;
        now.erase(now.begin() + displacement, now.begin() + displacement + 4);
        before.erase(before.begin() + displacement, before.begin() + displacement + 4);
        EXPECT_EQ(now, before) << "only the call's displacement changed";
    }
    for (const char* kind : kIndirectKinds) {
        SCOPED_TRACE(kind);
        int shift = -1;
        EXPECT_EQ(CallVia(kind, a, b, 64, &shift), int(a[9]));
        EXPECT_EQ(CallVia(kind, a, b, 9, &shift), 0);
        EXPECT_EQ(shift, 0);
        EXPECT_EQ(Copy(Site(kind) - 8, 20), sitesBefore_[KindIndex(kind)]);
    }
    CheckMemcmpCallers(c_->dcc);
}

TEST(CompilerScan, FindsTheRoutinesOnlyInTheOrderTheLibrariesLayThemOut) {
    toravex::PrepareRoutineTable();
    const unsigned build = Profile().hostBuild;
    auto row = [&](CompilerRoutine r) { return hostabi::FindCompilerRoutine(build, r); };
    // Pages whose end is followed by one that cannot be read.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t size = 2 * info.dwPageSize;
    auto* pages = static_cast<uint8_t*>(VirtualAlloc(nullptr, size + info.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old;
    ASSERT_TRUE(VirtualProtect(pages + size, info.dwPageSize, PAGE_NOACCESS, &old));

    struct Placement {
        CompilerRoutine routine;
        size_t at;
    };
    using R = CompilerRoutine;
    struct Case {
        const char* name;
        std::vector<Placement> placed;
        std::vector<R> found;
    };
    const size_t kEnd = size;
    const Case cases[] = {
        {"the libraries' layout",
         {{R::memcpy, 16}, {R::memmove, 64}, {R::memset, 160}, {R::strcat, 320}, {R::strlen, 400}, {R::memcmp, 512}},
         {R::memcpy, R::memmove, R::memset, R::strcat, R::strlen, R::memcmp}},
        {"memcmp anywhere after memcpy, strlen right after strcat",
         {{R::memcpy, 0}, {R::memcmp, 40}, {R::strcat, 300}, {R::strlen, 360}, {R::memset, 600}, {R::memmove, 900}},
         {R::memcpy, R::memmove, R::memset, R::strcat, R::strlen, R::memcmp}},
        {"nothing before memcpy",
         {{R::memmove, 16}, {R::memset, 160}, {R::strcat, 320}, {R::memcpy, 640}, {R::strlen, 800}},
         {R::memcpy}},
        {"strcat inside the bytes passed over after memset",
         {{R::memcpy, 0}, {R::memset, 100}, {R::strcat, 100 + 120}, {R::strlen, 400}},
         {R::memcpy, R::memset}},
        {"strlen before strcat",
         {{R::memcpy, 0}, {R::strlen, 64}, {R::strcat, 256}},
         {R::memcpy, R::strcat}},
        {"no memcpy", {{R::memmove, 64}, {R::memset, 160}, {R::strcat, 320}, {R::strlen, 400}, {R::memcmp, 512}}, {}},
        {"a routine cut off by the end",
         {{R::memcpy, 0}, {R::memcmp, kEnd - 100}},
         {R::memcpy}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::memset(pages, 0x90, size);
        for (const Placement& p : k.placed) {
            const size_t n = std::min(row(p.routine)->size, kEnd - p.at);
            std::memcpy(pages + p.at, row(p.routine)->bytes, n);
        }
        const toravex::FoundCompilerRoutines found = toravex::FindCompilerRoutines(pages, pages + kEnd, build);
        for (int r = 0; r < hostabi::kCompilerRoutineCount; ++r) {
            const bool expected = std::find(k.found.begin(), k.found.end(), R(r)) != k.found.end();
            uint8_t* want = nullptr;
            for (const Placement& p : k.placed)
                if (p.routine == R(r) && expected) want = pages + p.at;
            EXPECT_EQ(found.at[r], want) << "routine " << r;
        }
    }
    VirtualFree(pages, 0, MEM_RELEASE);
}

namespace {

int gSearches = 0;
HANDLE WINAPI CountingFindFirstFileA(const char* name, WIN32_FIND_DATAA* data) {
    ++gSearches;
    return FindFirstFileA(name, data);
}

// The core package's FindFirstFileA slot holding the counting search while
// a test runs (once the hook found the slot by its content).
class CountedSearches {
public:
    explicit CountedSearches(HMODULE core) : slot_(KernelSlot(core, "FindFirstFileA")) {
        EXPECT_NE(slot_, nullptr);
        DWORD old;
        VirtualProtect(slot_, 4, PAGE_EXECUTE_READWRITE, &old);
        original_ = *slot_;
        *slot_ = Word(&CountingFindFirstFileA);
        gSearches = 0;
    }
    ~CountedSearches() { *slot_ = original_; }
    uint32_t Slot() const { return *slot_; }

private:
    uint32_t* slot_;
    uint32_t original_;
};

HANDLE gRelease[2];
HANDLE gEntered[2];
int gNextCaller = 0;
// A file look-up callback that waits inside until the test lets it go.
int32_t __stdcall WaitingLookUp(uint32_t) {
    const int me = InterlockedIncrement(reinterpret_cast<volatile LONG*>(&gNextCaller)) - 1;
    SetEvent(gEntered[me]);
    WaitForSingleObject(gRelease[me], 30000);
    return me;
}

}  // namespace

// The IDE's own look-up searches with FindFirstFileA through the core
// package's slot (its read-only test too) and answers with the file's age,
// size and attributes. While the hooked callback runs, the slot holds the
// attribute query instead: the same answers, no search; outside the
// callback the slot is as it was; removal puts the table back.
TEST_F(CompilerHooks, FileLookUpsAreAttributeQueriesAndTheTableIsWholeAfterRemoval) {
    const Bytes table = Copy(c_->callbacks, hostabi::kCompilerCallbackTableSize);
    const hostabi::FileLookupCallback original = c_->FileLookup();
    const std::string writable = CompilerProjectFolder(2) + "\\Unit0001.pas";
    const std::string readOnly = CompilerProjectFolder(2) + "\\Unit0010.pas";
    const std::string directory = CompilerProjectFolder(2);
    const std::string missing = CompilerProjectFolder(2) + "\\Unit0002.pas";
    ASSERT_NE(GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << "the project's read-only unit";
    struct Case {
        const std::string* file;
        uint32_t ask;
        emucompiler::FileLookup host;
    };
    std::vector<Case> cases;
    {
        CountedSearches searches(c_->core);
        for (const std::string* file : {&writable, &readOnly, &directory, &missing}) {
            for (uint32_t ask : {0u, 1u}) {
                SCOPED_TRACE(*file + (ask ? " asked" : ""));
                Case k{file, ask, {}};
                k.host.fileName = file->c_str();
                k.host.askReadonly = ask;
                gSearches = 0;
                const int32_t age = original(Word(&k.host));
                const bool regularFile = file != &directory && file != &missing;
                EXPECT_EQ(age, regularFile ? DosAge(*file) : -1);
                EXPECT_EQ(k.host.readonly, ask && file == &readOnly ? 1u : 0u);
                EXPECT_EQ(gSearches, ask && file != &missing ? 2 : 1) << "every search through the core's slot";
                if (regularFile) {
                    EXPECT_EQ(k.host.size, testsupport::ReadTextFile(*file).size());
                }
                cases.push_back(k);
            }
        }
    }

    toravex::InstallCompilerInitHook();
    ASSERT_EQ(c_->FileLookup(), &toravex::FindFileCallbackWrapper);
    CountedSearches searches(c_->core);
    Bytes others = Copy(c_->callbacks, hostabi::kCompilerCallbackTableSize), tableOthers = table;
    std::fill(others.begin() + 32, others.begin() + 36, 0);
    std::fill(tableOthers.begin() + 32, tableOthers.begin() + 36, 0);
    EXPECT_EQ(others, tableOthers) << "only the file look-up entry changes";
    for (const Case& k : cases) {
        SCOPED_TRACE(*k.file + (k.ask ? " asked" : ""));
        emucompiler::FileLookup hooked{};
        hooked.fileName = k.file->c_str();
        hooked.askReadonly = k.ask;
        gSearches = 0;
        EXPECT_EQ(c_->FileLookup()(Word(&hooked)), k.host.age);
        EXPECT_EQ(gSearches, 0) << "no search while the callback runs";
        EXPECT_EQ(searches.Slot(), Word(&CountingFindFirstFileA)) << "the slot as it was afterwards";
        EXPECT_EQ(hooked.age, k.host.age);
        EXPECT_EQ(hooked.size, k.host.size);
        EXPECT_EQ(hooked.attributes, k.host.attributes);
        EXPECT_EQ(hooked.readonly, k.host.readonly);
    }

    toravex::RemoveCompilerInitHook();
    EXPECT_EQ(Copy(c_->callbacks, hostabi::kCompilerCallbackTableSize), table);
    EXPECT_EQ(c_->FileLookup(), original);
}

// Two threads inside the callback at once: the slot is swapped while either
// runs, and holds its own content again only after both left.
TEST_F(CompilerHooks, TheSlotIsSwappedWhileAnyCallbackRunsAndRestoredWhenTheLastLeaves) {
    const uint32_t original = c_->callbacks[hostabi::kFileLookupCallback];
    c_->callbacks[hostabi::kFileLookupCallback] = Word(&WaitingLookUp);
    toravex::InstallCompilerInitHook();
    ASSERT_EQ(c_->FileLookup(), &toravex::FindFileCallbackWrapper);
    CountedSearches searches(c_->core);
    for (int i = 0; i < 2; ++i) {
        gRelease[i] = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        gEntered[i] = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    gNextCaller = 0;
    const auto attributeQuery = Word(&toravex::FindFirstFileByAttributes);
    std::thread first([] { toravex::FindFileCallbackWrapper(0); });
    ASSERT_EQ(WaitForSingleObject(gEntered[0], 30000), WAIT_OBJECT_0);
    std::thread second([] { toravex::FindFileCallbackWrapper(0); });
    ASSERT_EQ(WaitForSingleObject(gEntered[1], 30000), WAIT_OBJECT_0);
    EXPECT_EQ(searches.Slot(), attributeQuery);
    SetEvent(gRelease[0]);
    first.join();
    EXPECT_EQ(searches.Slot(), attributeQuery) << "the second callback still runs";
    SetEvent(gRelease[1]);
    second.join();
    EXPECT_EQ(searches.Slot(), Word(&CountingFindFirstFileA));
    toravex::RemoveCompilerInitHook();
    EXPECT_EQ(c_->callbacks[hostabi::kFileLookupCallback], Word(&WaitingLookUp));
    c_->callbacks[hostabi::kFileLookupCallback] = original;
    for (int i = 0; i < 2; ++i) {
        CloseHandle(gRelease[i]);
        CloseHandle(gEntered[i]);
    }
}

TEST(CompilerFileQueries, OneFileByItsAttributesAndAWildcardByASearch) {
    const std::string file = CompilerProjectFolder(3) + "\\Unit0002.pas";
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &attributes));
    for (const std::string& name : {file, CompilerProjectFolder(3) + "/Unit0002.pas"}) {
        WIN32_FIND_DATAA data;
        std::memset(&data, 0xAB, sizeof data);
        EXPECT_EQ(toravex::FindFirstFileByAttributes(name.c_str(), &data), nullptr);
        EXPECT_EQ(std::memcmp(&data, &attributes, sizeof attributes), 0) << "the first 36 bytes";
        EXPECT_STREQ(data.cFileName, "Unit0002.pas");
        EXPECT_STREQ(data.cAlternateFileName, "");
    }
    WIN32_FIND_DATAA data;
    SetLastError(0);
    EXPECT_EQ(toravex::FindFirstFileByAttributes((file + "x").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// The host's read-only test and its replacement give the same answers.
TEST_F(CompilerHooks, TheReadOnlyTestIsOneAttributeQueryUntilRemoval) {
    const auto* isReadonly = Export(c_->core, hostnames::Virtfile_TDefaultFileSystem_IsReadonly.decorated);
    ASSERT_NE(isReadonly, nullptr);
    const struct {
        std::string file;
        bool readonly;
    } cases[] = {{CompilerProjectFolder(1) + "\\Unit0003.pas", true},
                 {CompilerProjectFolder(1) + "\\Unit0000.pas", false},
                 {CompilerProjectFolder(1) + "\\NoSuchUnit.pas", false},
                 {CompilerProjectFolder(1), false},
                 {"", false}};
    auto check = [&] {
        for (const auto& k : cases) {
            ConstantHostString name(k.file);
            HostCallFrame frame{};
            frame.eax = 0x12345678;  // Self: not used
            frame.edx = Word(name.Get());
            testsupport_host_call(isReadonly, &frame);
            EXPECT_EQ(frame.outEax & 0xFF, k.readonly ? 1u : 0u) << k.file;
            EXPECT_TRUE(frame.preserved);
        }
    };
    const Bytes before = Copy(isReadonly, 8);
    check();
    toravex::InstallReadonlyHook();
    EXPECT_EQ(isReadonly[0], 0xE9);
    EXPECT_EQ(JumpTarget(isReadonly), Code(&toravex::FileIsReadonly));
    check();
    toravex::RemoveCompilerInitHook();
    EXPECT_EQ(Copy(isReadonly, 8), before);
}

// A compiler library whose memcpy is not this build's: the scan finds
// nothing, so not a byte of its code changes, though its other routines are
// this build's.
TEST(CompilerLibraryWithoutTheMemcpySignature, IsLeftEntirelyUnchanged) {
    toravex::PrepareRoutineTable();
    HMODULE library = LoadLibraryA((testsupport::BuildDir() + "\\tests\\compilerfixture\\dccforeign.dll").c_str());
    ASSERT_NE(library, nullptr);
    // Its memcpy is the 70 build's, the rest the 100 build's.
    if (std::memcmp(Export(library, "crt_memcpy"), hostabi::FindCompilerRoutine(Profile().hostBuild, CompilerRoutine::memcpy)->bytes,
                    36) == 0)
        GTEST_SKIP() << "its memcpy is this build's";
    const auto* memmove_ = Export(library, "crt_memmove");
    const hostabi::CompilerRoutineCode* row = hostabi::FindCompilerRoutine(hostnames::B100, CompilerRoutine::memmove);
    ASSERT_EQ(std::memcmp(memmove_, row->bytes, row->size), 0);
    MEMORY_BASIC_INFORMATION region;
    ASSERT_TRUE(VirtualQuery(Export(library, "DccInitialize"), &region, sizeof region));
    const Bytes before = Copy(region.BaseAddress, region.RegionSize);
    toravex::OptimizeCompilerModule("dccforeign.dll", "DccInitialize");
    EXPECT_TRUE(Copy(region.BaseAddress, region.RegionSize) == before);
}
