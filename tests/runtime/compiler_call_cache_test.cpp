// The compiler call cache in this program: CreateProcessW redirected to the
// hook as the patch set does it, the C# compiler and touch stand-ins of the
// emulated IDE's bin folder, the cache in this user's local application-data
// folder (tests holding the lock "compilercache").
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../integration/CompilerIdeRun.h"
#include "TestSupport.h"
#include "base/Lifecycle.h"
#include "fastcode/Fastcode.h"
#include "runtime/CompilerCallCache.h"

using namespace testsupport;
using compilertest::CacheEntry;

namespace {

void Write(const std::string& file, const std::string& text) {
    SetFileAttributesA(file.c_str(), 0);
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr) << file;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

bool Exists(const std::string& file) { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

struct Started {
    std::string program;  // the file name of what ran
    DWORD exitCode;
};

class CompilerCallCache : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(LoadEmulatedRuntime(100), nullptr);
        toravex::PrepareRoutineTable();
    }
    void SetUp() override {
        compilertest::ClearCompilerCache();
        dir_ = compilertest::FreshFolder("call-cache");
        toravex::HostDirectory = EmulatedIdeDir(100);
        toravex::StartupPhase = true;
        toravex::CompilerCallCounter = 0;
        createProcess_ = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateProcessW"));
        toravex::StartRedirect(createProcess_, reinterpret_cast<void*>(&toravex::CreateProcessWHook),
                               toravex::CreateProcessWRecord);
        ASSERT_EQ(*static_cast<uint8_t*>(createProcess_), 0xE9);
    }
    void TearDown() override {
        if (toravex::CreateProcessWRecord.UseCount > 0) toravex::RemoveRedirect(toravex::CreateProcessWRecord);
        toravex::StartupPhase = true;
        compilertest::ClearCompilerCache();
    }

    // The serializer source n and its UTF-8 response file as the IDE writes
    // them (with the byte-order mark unless told otherwise).
    std::string Prepare(int n, const std::string& text, const std::string& out = "/out:", bool mark = true) {
        const std::string base = dir_ + "\\Serializer" + std::to_string(n);
        Write(base + ".cs", "namespace N { public class Type" + std::to_string(n) + " { } } // " + text + "\r\n");
        Write(base + ".rsp", std::string(mark ? "\xEF\xBB\xBF" : "") + out + "\"" + base + ".dll\" /target:library \"" +
                                 base + ".cs\"\r\n");
        return base;
    }
    std::string CompilerLine(const std::string& base, const char* compiler = "csc.exe", bool quoted = true) {
        const std::string path = EmulatedIdeDir(100) + "\\" + compiler;
        return (quoted ? "\"" + path + "\"" : path) + " /noconfig @\"" + base + ".rsp\"";
    }
    // Starts a process through CreateProcessW, as the IDE does, and waits.
    // Started suspended, it is resumed once CreateProcessW returned.
    Started Start(const std::string& commandLine, const wchar_t* application = nullptr, DWORD flags = 0) {
        std::wstring line = Wide(commandLine);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        Started s{"", 0xFFFFFFFF};
        if (!CreateProcessW(application, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW | flags, nullptr,
                            nullptr, &startup, &process)) {
            ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
            return s;
        }
        if (flags & CREATE_SUSPENDED) ResumeThread(process.hThread);
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &s.exitCode);
        s.program = ProgramName(process.hProcess);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return s;
    }
    static std::string ProgramName(HANDLE process) {
        using ImageFileName = DWORD(WINAPI*)(HANDLE, char*, DWORD);
        static const auto name =
            reinterpret_cast<ImageFileName>(GetProcAddress(LoadLibraryA("psapi.dll"), "GetProcessImageFileNameA"));
        char image[MAX_PATH] = "";
        const DWORD length = name ? name(process, image, MAX_PATH) : 0;
        const std::string path(image, length);
        return path.substr(path.find_last_of("\\/") + 1);
    }
    bool EntryStored(int n) {
        for (const char* extension : {".cs", ".dll", ".tmp", ".err"})
            if (!Exists(CacheEntry(n, extension))) return false;
        return true;
    }

    std::string dir_;
    void* createProcess_ = nullptr;
};

}  // namespace

// The first compile is stored; the same source again is answered by touch
// with the compiler's own outputs in place; a changed source is compiled
// and replaces the entry. Entries follow the order of the processes started.
TEST_F(CompilerCallCache, StoresACompileAndLetsTouchStandInUntilTheSourceChanges) {
    const std::string first = Prepare(1, "one"), second = Prepare(2, "two");
    Started s = Start(CompilerLine(first));
    EXPECT_EQ(s.program, "csc.exe");
    EXPECT_EQ(s.exitCode, 0u);
    ASSERT_TRUE(EntryStored(1));
    EXPECT_EQ(ReadTextFile(CacheEntry(1, ".cs")), ReadTextFile(first + ".cs"));
    EXPECT_EQ(ReadTextFile(CacheEntry(1, ".dll")), ReadTextFile(first + ".dll"));
    EXPECT_EQ(Start(CompilerLine(second)).program, "csc.exe");
    EXPECT_TRUE(EntryStored(2));
    EXPECT_EQ(toravex::CompilerCallCounter, 2u);

    // The next IDE start: the same sources.
    toravex::CompilerCallCounter = 0;
    const std::string assembly = ReadTextFile(first + ".dll");
    Write(first + ".tmp", "stale");
    s = Start(CompilerLine(first));
    EXPECT_EQ(s.program, "touch.exe");
    EXPECT_EQ(s.exitCode, 0u);
    EXPECT_EQ(ReadTextFile(first + ".dll"), assembly);
    EXPECT_EQ(ReadTextFile(first + ".tmp"), ReadTextFile(CacheEntry(1, ".tmp"))) << "the entry's .tmp copied in";
    EXPECT_EQ(Start(CompilerLine(second)).program, "touch.exe");

    // A changed source.
    toravex::CompilerCallCounter = 0;
    Prepare(1, "one, changed");
    EXPECT_EQ(Start(CompilerLine(first)).program, "csc.exe");
    EXPECT_EQ(ReadTextFile(CacheEntry(1, ".cs")), ReadTextFile(first + ".cs"));
    EXPECT_NE(ReadTextFile(first + ".dll"), assembly);
}

// Calls the cache does not take: each is passed to the program it names,
// and nothing is stored; the counter advances all the same.
TEST_F(CompilerCallCache, PassesThroughWhatItDoesNotRecognise) {
    struct Case {
        const char* name;
        const char* out;
        bool mark;
        const char* compiler;
        bool quoted;
        bool response;
        bool stored;
    };
    const Case cases[] = {
        {"an unquoted compiler path", "/out:", true, "csc.exe", false, true, false},
        {"/OUT: in capitals", "/OUT:", true, "csc.exe", true, true, false},
        {"no response file", "/out:", true, "csc.exe", true, false, false},
        {"CSC.EXE in capitals", "/out:", true, "CSC.EXE", true, true, true},
        {"a response file without the byte-order mark", "/out:", false, "csc.exe", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        compilertest::ClearCompilerCache();
        toravex::CompilerCallCounter = 0;
        const std::string base = Prepare(1, "one", c.out, c.mark);
        const std::string line = c.response ? CompilerLine(base, c.compiler, c.quoted)
                                            : "\"" + EmulatedIdeDir(100) + "\\csc.exe\" /out:\"" + base + ".dll\" \"" +
                                                  base + ".cs\"";
        const Started s = Start(line);
        EXPECT_EQ(s.program, "csc.exe");
        EXPECT_EQ(s.exitCode, 0u);
        EXPECT_EQ(toravex::CompilerCallCounter, 1u);
        EXPECT_EQ(EntryStored(1), c.stored);
    }
}

// The open points settled: a hit starts touch also when the caller named
// the compiler as the program to run; a hit whose output is missing, or
// without touch.exe, compiles; a failed or suspended compile stores nothing.
TEST_F(CompilerCallCache, AHitStartsTouchAndOnlyAWholeSuccessfulCompileIsStored) {
    const std::string base = Prepare(1, "one");
    ASSERT_EQ(Start(CompilerLine(base)).program, "csc.exe");
    ASSERT_TRUE(EntryStored(1));
    const std::wstring compiler = Wide(EmulatedIdeDir(100) + "\\csc.exe");

    toravex::CompilerCallCounter = 0;
    EXPECT_EQ(Start(CompilerLine(base), compiler.c_str()).program, "touch.exe") << "the caller's program name";

    toravex::CompilerCallCounter = 0;
    DeleteFileA((base + ".dll").c_str());
    Started s = Start(CompilerLine(base));
    EXPECT_EQ(s.program, "csc.exe") << "a missing output";
    EXPECT_TRUE(Exists(base + ".dll"));

    toravex::CompilerCallCounter = 0;
    toravex::HostDirectory = dir_;
    EXPECT_EQ(Start(CompilerLine(base)).program, "csc.exe") << "no touch.exe";
    toravex::HostDirectory = EmulatedIdeDir(100);

    compilertest::ClearCompilerCache();
    toravex::CompilerCallCounter = 0;
    Write(base + ".cs", "namespace N {\r\n#error broken\r\n}\r\n");
    s = Start(CompilerLine(base));
    EXPECT_EQ(s.exitCode, 1u);
    EXPECT_TRUE(Exists(base + ".dll")) << "the earlier output is still there";
    EXPECT_FALSE(Exists(CacheEntry(1, ".cs"))) << "a failed compile is not stored";

    // A compiler started suspended is not waited for (the call returns) and
    // not stored.
    toravex::CompilerCallCounter = 0;
    Prepare(1, "one");
    s = Start(CompilerLine(base), nullptr, CREATE_SUSPENDED);
    EXPECT_EQ(s.program, "csc.exe");
    EXPECT_EQ(s.exitCode, 0u);
    EXPECT_FALSE(Exists(CacheEntry(1, ".cs"))) << "a suspended compile is not stored";
}

// After the start-up phase the hook counts nothing, caches nothing, and its
// first call takes it away for good.
TEST_F(CompilerCallCache, AfterStartUpTheFirstCallPassesThroughAndTheHookIsGone) {
    const std::string base = Prepare(1, "one");
    toravex::StartupPhase = false;
    const uint8_t before = *static_cast<uint8_t*>(createProcess_);
    EXPECT_EQ(before, 0xE9);
    EXPECT_EQ(Start(CompilerLine(base)).program, "csc.exe");
    EXPECT_EQ(toravex::CompilerCallCounter, 0u);
    EXPECT_FALSE(Exists(CacheEntry(1, ".cs")));
    EXPECT_EQ(toravex::CreateProcessWRecord.UseCount, 0);
    EXPECT_NE(*static_cast<uint8_t*>(createProcess_), 0xE9) << "CreateProcessW's own code again";
}

TEST(CompilerCacheFiles, CopyWithExtAndFilesEqual) {
    ASSERT_NE(LoadEmulatedRuntime(100), nullptr);
    toravex::PrepareRoutineTable();
    const std::string dir = compilertest::FreshFolder("cache-files");
    Write(dir + "\\a.cs", "same text");
    Write(dir + "\\b.cs", "same text");
    Write(dir + "\\c.cs", "same texT");
    Write(dir + "\\d.cs", "same tex");
    Write(dir + "\\e.cs", "");
    Write(dir + "\\f.cs", "");
    struct Equal {
        const char* a;
        const char* b;
        bool equal;
    };
    for (const Equal& e : {Equal{"a.cs", "b.cs", true}, Equal{"a.cs", "c.cs", false}, Equal{"a.cs", "d.cs", false},
                           Equal{"e.cs", "f.cs", true}, Equal{"a.cs", "missing.cs", false}})
        EXPECT_EQ(toravex::FilesEqual((dir + "\\" + e.a).c_str(), (dir + "\\" + e.b).c_str()), e.equal)
            << e.a << " " << e.b;

    // The extension replaced on both sides; a read-only destination is
    // overwritten.
    Write(dir + "\\to.cs", "old");
    SetFileAttributesA((dir + "\\to.cs").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(toravex::CopyWithExt((dir + "\\a.dll").c_str(), (dir + "\\to.x.tmp").c_str(), ".cs"));
    EXPECT_EQ(ReadTextFile(dir + "\\to.x.cs"), "same text");
    EXPECT_TRUE(toravex::CopyWithExt((dir + "\\a").c_str(), (dir + "\\to").c_str(), ".cs"));
    EXPECT_EQ(ReadTextFile(dir + "\\to.cs"), "same text");
    EXPECT_FALSE(toravex::CopyWithExt((dir + "\\missing.dll").c_str(), (dir + "\\to.dll").c_str(), ".cs"));
}
