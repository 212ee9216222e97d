// The helpers of the loader hooks, the thread-priority hook and the cached
// file routines, on their own; the patch set's integration tests show them
// installed in the emulated IDE.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "TestSupport.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "base/Utils.h"
#include "base/Win32Platform.h"
#include "ide/StartupWatch.h"
#include "runtime/CachedFileRoutines.h"
#include "runtime/LoaderHooks.h"

using toravex::HostString;

TEST(LoaderHooks, NamePartsAndExtensions) {
    EXPECT_STREQ(toravex::FileNamePart("C:\\x\\pkg.bpl"), "pkg.bpl");
    EXPECT_STREQ(toravex::FileNamePart("C:/x/y\\tool.dll"), "tool.dll");
    EXPECT_STREQ(toravex::FileNamePart("pkg.bpl"), "pkg.bpl");
    EXPECT_STREQ(toravex::FileNamePart("C:\\dir\\"), "");
    EXPECT_EQ(toravex::FileNamePart(nullptr), nullptr);
    EXPECT_STREQ(toravex::FileExtPart("C:\\x\\pkg.bpl"), ".bpl");
    EXPECT_STREQ(toravex::FileExtPart("C:\\x.d\\pkg"), ".d\\pkg") << "the last dot not followed by a delimiter";
    EXPECT_STREQ(toravex::FileExtPart("C:\\x.\\pkg"), "");
    EXPECT_STREQ(toravex::FileExtPart("a.tar.BPL"), ".BPL");
}

TEST(LoaderHooks, TortoiseLibrariesAreRecognisedOnlyWithAPath) {
    EXPECT_TRUE(toravex::IsTortoiseModule(L"C:\\Programs\\TortoiseSVN\\bin\\TortoiseProc1033.dll"));
    EXPECT_TRUE(toravex::IsTortoiseModule(L"C:\\Programs\\TortoiseSVN\\bin\\TORTOISEPROC1033.DLL"));
    EXPECT_TRUE(toravex::IsTortoiseModule(L"c:/t/tortoisesvn.dll"));
    EXPECT_TRUE(toravex::IsTortoiseModule(L"x\\TrtseShl.dll"));
    EXPECT_FALSE(toravex::IsTortoiseModule(L"TortoiseProc1033.dll")) << "no delimiter: scanned";
    EXPECT_FALSE(toravex::IsTortoiseModule(L"C:\\Tortoise\\"));
    EXPECT_FALSE(toravex::IsTortoiseModule(L"C:\\x\\other.dll"));
    EXPECT_FALSE(toravex::IsTortoiseModule(nullptr));
}

TEST(LoaderHooks, ThreadPrioritiesAreHeldOffDuringStartUpThenTheHookGoesAway) {
    void* entry = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadPriority"));
    uint8_t original[5];
    std::memcpy(original, entry, 5);
    toravex::InstallRedirect(entry, reinterpret_cast<void*>(&toravex::SetThreadPriorityHook),
                             toravex::SetThreadPriorityRecord);
    auto setPriority = reinterpret_cast<decltype(&SetThreadPriority)>(entry);
    HANDLE self = GetCurrentThread();
    const int before = GetThreadPriority(self);

    toravex::StartupPhase = true;
    EXPECT_EQ(setPriority(self, THREAD_PRIORITY_LOWEST), static_cast<BOOL>(-1));
    EXPECT_EQ(setPriority(nullptr, THREAD_PRIORITY_LOWEST), FALSE);
    EXPECT_EQ(GetThreadPriority(self), before) << "nothing changed during start-up";

    toravex::StartupPhase = false;
    EXPECT_TRUE(setPriority(self, THREAD_PRIORITY_BELOW_NORMAL));
    EXPECT_EQ(GetThreadPriority(self), THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_EQ(std::memcmp(entry, original, 5), 0) << "the first call after start-up removed the hook";
    EXPECT_EQ(toravex::SetThreadPriorityRecord.UseCount, 0);
    SetThreadPriority(self, before);
    toravex::StartupPhase = true;
}

// A protection change refused when the hook would take its jump away: the
// entry still leads to the hook, which answers as during start-up instead
// of calling itself without end.
TEST(LoaderHooks, AThreadPriorityHookThatCannotBeTakenAwayChangesNothing) {
    struct RefusingPlatform : toravex::Win32Platform {
        bool Protect(void*, size_t, DWORD, DWORD*) override { return false; }
    } refusing;
    void* entry = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadPriority"));
    uint8_t original[5];
    std::memcpy(original, entry, 5);
    toravex::SetThreadPriorityRecord = {};
    toravex::InstallRedirect(entry, reinterpret_cast<void*>(&toravex::SetThreadPriorityHook),
                             toravex::SetThreadPriorityRecord);
    ASSERT_NE(std::memcmp(entry, original, 5), 0);
    auto setPriority = reinterpret_cast<decltype(&SetThreadPriority)>(entry);
    HANDLE self = GetCurrentThread();
    const int before = GetThreadPriority(self);

    toravex::StartupPhase = false;
    toravex::SystemPlatform* previous = toravex::SetPlatform(&refusing);
    EXPECT_EQ(setPriority(self, THREAD_PRIORITY_LOWEST), static_cast<BOOL>(-1));
    EXPECT_EQ(setPriority(nullptr, THREAD_PRIORITY_LOWEST), FALSE);
    toravex::SetPlatform(previous);
    EXPECT_EQ(GetThreadPriority(self), before);

    toravex::WriteOwnMemory(entry, original, 5);
    toravex::SetThreadPriorityRecord = {};
    toravex::StartupPhase = true;
}

class CachedFileRoutinesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr);
        toravex::PrepareUtils();
    }
    static void TearDownTestSuite() { toravex::TeardownUtils(); }
    void TearDown() override { toravex::StartupPhase = true; }
};

TEST_F(CachedFileRoutinesTest, FileAgesAreCachedOnlyDuringStartUp) {
    const std::string file = testsupport::TempDir() + "\\age.txt";
    std::ofstream(file) << "1";
    HostString name(file.c_str());
    toravex::StartupPhase = true;
    const int32_t first = toravex::FileAgeFast(name.Get());
    ASSERT_NE(first, -1);
    // Three days later, as far as the file system can tell.
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME t;
    GetFileTime(h, nullptr, nullptr, &t);
    ULARGE_INTEGER later;
    later.LowPart = t.dwLowDateTime;
    later.HighPart = t.dwHighDateTime;
    later.QuadPart += 3ull * 24 * 3600 * 10000000;
    t.dwLowDateTime = later.LowPart;
    t.dwHighDateTime = later.HighPart;
    SetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
    EXPECT_EQ(toravex::FileAgeFast(name.Get()), first) << "the cached age during start-up";
    EXPECT_EQ(toravex::FileAgeFast(nullptr), -1);

    toravex::StartupPhase = false;
    EXPECT_NE(toravex::FileAgeFast(name.Get()), first) << "after start-up the file system is asked";
    EXPECT_EQ(toravex::FileAgeFast(HostString((file + ".missing").c_str()).Get()), -1);
    EXPECT_EQ(toravex::FileAgeFast(HostString(testsupport::TempDir().c_str()).Get()), -1);
    DeleteFileA(file.c_str());
}

namespace {
int gHostCalls = 0;
void HOSTCALL CountingLowerCase(const char* s, char** result) {
    ++gHostCalls;
    std::string lower(s ? s : "");
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    HostString r(lower.c_str());
    toravex::Runtime().lstrAsg(result, r.Get());
}
}  // namespace

TEST_F(CachedFileRoutinesTest, LowerCaseFileNamesAskTheHostOncePerSpelling) {
    toravex::HostAnsiLowerCaseFileName = reinterpret_cast<void*>(&CountingLowerCase);
    toravex::CreateLowerCaseFileNameCache();
    auto lower = [](const char* s) {
        HostString in(s), out;
        toravex::AnsiLowerCaseFileNameFast(in.Get(), out.Out());
        return std::string(out.CStr());
    };
    gHostCalls = 0;
    EXPECT_EQ(lower("C:\\Dir\\Unit1.PAS"), "c:\\dir\\unit1.pas");
    EXPECT_EQ(lower("C:\\Dir\\Unit1.PAS"), "c:\\dir\\unit1.pas");
    EXPECT_EQ(gHostCalls, 1);
    EXPECT_EQ(lower("c:\\dir\\unit1.pas"), "c:\\dir\\unit1.pas");
    EXPECT_EQ(gHostCalls, 2) << "another spelling is another key";

    // Without its cache (after the patch set was removed) it still answers.
    toravex::FreeLowerCaseFileNameCache();
    EXPECT_EQ(lower("X.DPR"), "x.dpr");
    EXPECT_EQ(lower("X.DPR"), "x.dpr");
    EXPECT_EQ(gHostCalls, 4);
}

TEST(StartupWatch, EndsStartUpOnceWhenTheMainWindowIsVisible) {
    static bool visible = false;
    auto previous = toravex::SetMainWindowProbe([] { return visible; });
    toravex::StartupPhase = true;
    testsupport::StepRecorder recorder;
    toravex::StartupWatchTick();
    EXPECT_TRUE(toravex::StartupPhase);
    visible = true;
    toravex::StartupWatchTick();
    EXPECT_FALSE(toravex::StartupPhase);
    toravex::StartupWatchTick();
    auto ends = recorder.StepsWithPrefix("end:ClearStartupPhase");
    EXPECT_EQ(ends.size(), 1u);
    toravex::SetMainWindowProbe(previous);
    toravex::StartupPhase = true;
}
