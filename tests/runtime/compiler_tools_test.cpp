// The stand-ins for the programs the IDE starts while it starts, as the
// compiler call cache relies on them: the C# compiler writes its assembly,
// type list and error list next to /out:, takes a while, fails on an error;
// touch renews a file's time and leaves a missing file missing.
#include <gtest/gtest.h>

#include <string>

#include "../integration/CompilerIdeRun.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

std::string Tool(const char* name) { return EmulatedIdeDir(100) + "\\" + name; }

void Write(const std::string& file, const std::string& text) {
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr) << file;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

bool Exists(const std::string& file) { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; }

ULONGLONG WriteTime(const std::string& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data);
    return (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

}  // namespace

TEST(CompilerTools, TheCSharpCompilerWritesItsOutputsFromTheSourcesInItsResponseFile) {
    const std::string dir = compilertest::FreshFolder("csc-tools");
    const std::string alpha = "namespace N\r\n{\r\n    public class Alpha { }\r\n}\r\n";
    Write(dir + "\\A.cs", alpha);
    Write(dir + "\\B.cs", "namespace N\r\n{\r\n    public class Beta { }\r\n}\r\n");
    struct Case {
        const char* name;
        std::string response;
    };
    const Case cases[] = {
        {"with the byte-order mark", "\xEF\xBB\xBF/target:library /out:\"" + dir + "\\A.dll\" \"" + dir + "\\A.cs\""},
        {"without it, /OUT: in capitals", "/nologo\r\n/OUT:\"" + dir + "\\B.dll\"\r\n\"" + dir + "\\B.cs\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write(dir + "\\x.rsp", c.response);
        const DWORD begin = GetTickCount();
        EXPECT_EQ(RunProgram(Tool("csc.exe"), "/noconfig @\"" + dir + "\\x.rsp\""), 0);
        EXPECT_GE(GetTickCount() - begin, 500u) << "as long as a compiler takes to start";
    }
    const std::string assembly = ReadTextFile(dir + "\\A.dll");
    EXPECT_NE(assembly.find("source " + dir + "\\A.cs bytes=" + std::to_string(alpha.size()) + " hash="), std::string::npos)
        << assembly;
    EXPECT_NE(assembly.find("PUBLIC CLASS aLPHA"), std::string::npos) << "the source, compiled";
    EXPECT_EQ(ReadTextFile(dir + "\\A.tmp"), "type Alpha { }\r\n");
    EXPECT_EQ(ReadTextFile(dir + "\\A.err"), "");
    EXPECT_TRUE(Exists(dir + "\\B.dll"));
    EXPECT_NE(ReadTextFile(dir + "\\B.dll"), ReadTextFile(dir + "\\A.dll"));
}

TEST(CompilerTools, TheCSharpCompilerFailsOnAnErrorAndWritesNoAssembly) {
    const std::string dir = compilertest::FreshFolder("csc-error");
    Write(dir + "\\E.cs", "namespace N\r\n{\r\n#error not today\r\n}\r\n");
    Write(dir + "\\e.rsp", "/out:\"" + dir + "\\E.dll\" \"" + dir + "\\E.cs\"");
    EXPECT_EQ(RunProgram(Tool("csc.exe"), "@" + dir + "\\e.rsp"), 1);
    EXPECT_FALSE(Exists(dir + "\\E.dll"));
    EXPECT_NE(ReadTextFile(dir + "\\E.err").find("E.cs(3): error CS1029: #error: ' not today"), std::string::npos);
    EXPECT_EQ(RunProgram(Tool("csc.exe"), "@" + dir + "\\missing.rsp"), 2);
}

TEST(CompilerTools, TouchRenewsTheTimeOfAnExistingFileAndCreatesNone) {
    const std::string dir = compilertest::FreshFolder("touch");
    const std::string file = dir + "\\Out.dll", missing = dir + "\\Missing.dll";
    Write(file, "assembly");
    HANDLE h = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME old{0x12345678, 0x01C00000};  // 1999
    SetFileTime(h, nullptr, nullptr, &old);
    CloseHandle(h);
    const ULONGLONG before = WriteTime(file);
    EXPECT_EQ(RunProgram(Tool("touch.exe"), "\"" + file + "\""), 0);
    EXPECT_GT(WriteTime(file), before);
    EXPECT_EQ(ReadTextFile(file), "assembly");
    EXPECT_EQ(RunProgram(Tool("touch.exe"), "\"" + missing + "\""), 1);
    EXPECT_FALSE(Exists(missing));
}
