// The emulated IDE's compilers end to end: at the end of start-up it hands
// its callback table to the Delphi compiler and compiles the generated
// project on request; while the 100 build starts it runs the C# compiler on
// each of its serializers.
#include <gtest/gtest.h>

#include <algorithm>

#include "../ide/EmulatedCompilers.h"
#include "CompilerIdeRun.h"
#include "TestSupport.h"

using namespace compilertest;

namespace {

// The compile starts half a second after the main window is visible; the IDE
// closes itself after that.
std::string CompileSwitch() { return "-autoclose:1000 -compile:" + CompilerProjectFile(); }

size_t IndexOf(const std::vector<std::string>& lines, const std::string& prefix) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return i;
    return lines.size();
}

}  // namespace

TEST(CompilerIde, CompilesItsProjectAfterTheMainWindowIsVisibleAlikeInEveryBuild) {
    std::string compileLine, cppLine;
    for (int version : {100, 70}) {
        SCOPED_TRACE(version);
        IdeRun ide(version, false);
        ASSERT_EQ(ide.Start(CompileSwitch()), 0);
        const std::vector<std::string> lines = ide.Lines();
        const std::string compile = IdeRun::WithoutTime(ide.Line("compile "));
        EXPECT_EQ(compile.rfind("compile " + CompilerProjectFile() + " units=1000 lookups=", 0), 0u) << compile;
        EXPECT_NE(compile.find(" found=980 "), std::string::npos) << compile;
        EXPECT_GT(IndexOf(lines, "compile "), IndexOf(lines, "mainwindow-visible"));
        EXPECT_LT(IndexOf(lines, "compile "), IndexOf(lines, "close"));
        if (!compileLine.empty()) {
            EXPECT_EQ(compile, compileLine) << "the same results in every build";
            EXPECT_EQ(ide.Line("cpp-compile "), cppLine);
        }
        compileLine = compile;
        cppLine = ide.Line("cpp-compile ");
        EXPECT_EQ(cppLine.rfind("cpp-compile checksum=", 0), 0u);
        EXPECT_FALSE(ide.LinesStartingWith("exit 0").empty());
    }
}

TEST(CompilerIde, RunsTheCSharpCompilerOnEachSerializerWhileItStarts) {
    const std::string folder = FreshFolder("serializers");
    IdeRun ide(100, false);
    ASSERT_EQ(ide.Start("-autoclose:100 -csc:" + folder), 0);
    const std::vector<std::string> lines = ide.Lines();
    const std::vector<std::string> processes = ide.LinesStartingWith("process ");
    ASSERT_EQ(processes.size(), 2u) << ide.log();
    for (const std::string& p : processes) EXPECT_EQ(p.rfind("process csc.exe exit=0 ms=", 0), 0u) << p;
    EXPECT_LT(IndexOf(lines, "process "), IndexOf(lines, "startup ms="));
    const std::vector<std::string> assemblies = ide.LinesStartingWith("serializer ");
    ASSERT_EQ(assemblies.size(), 2u);
    EXPECT_EQ(assemblies[0].rfind("serializer DynXmlSerializer1.dll bytes=", 0), 0u) << assemblies[0];
    EXPECT_EQ(assemblies[1].rfind("serializer DynXmlSerializer2.dll bytes=", 0), 0u) << assemblies[1];
    for (const char* extension : {".cs", ".rsp", ".dll", ".tmp", ".err"})
        EXPECT_NE(GetFileAttributesA((folder + "\\DynXmlSerializer2" + extension).c_str()), INVALID_FILE_ATTRIBUTES)
            << extension;
    const std::string response = testsupport::ReadTextFile(folder + "\\DynXmlSerializer1.rsp");
    EXPECT_EQ(response.rfind("\xEF\xBB\xBF", 0), 0u) << "UTF-8 with its byte-order mark";
    EXPECT_NE(response.find("/out:\"" + folder + "\\DynXmlSerializer1.dll\""), std::string::npos) << response;
}

// With Toravex in every build with and without a C++ compiler library to
// optimize: the compile of the project gives the same results, and when
// the IDE ends the callback table and the read-only routine are as they
// were before the plug-in loaded.
TEST(CompilerIde, WithToravexTheCompileGivesTheSameResultsAndTheIdeGetsItsCodeBack) {
    for (int version : {100, 90, 70}) {
        SCOPED_TRACE(version);
        IdeRun without(version, false), with(version, true);
        ASSERT_EQ(without.Start(CompileSwitch()), 0);
        ASSERT_EQ(with.Start(CompileSwitch()), 0);
        ASSERT_EQ(with.LinesStartingWith("expert-init ").size(), 1u);
        EXPECT_NE(with.LinesStartingWith("expert-init ")[0].find("result=1"), std::string::npos);
        const std::string compile = IdeRun::WithoutTime(without.Line("compile "));
        EXPECT_NE(compile.find(" found=980 "), std::string::npos) << compile;
        EXPECT_EQ(IdeRun::WithoutTime(with.Line("compile ")), compile);
        EXPECT_EQ(with.Line("cpp-compile "), without.Line("cpp-compile "));

        const std::string state = without.Line("compiler-state start ").substr(21);
        EXPECT_EQ(without.Line("compiler-state exit ").substr(20), state);
        EXPECT_EQ(with.Line("compiler-state start ").substr(21), state);
        EXPECT_EQ(with.Line("compiler-state exit ").substr(20), state) << "the table and IsReadonly given back";
    }
}

// The C# compiler's runs while the 100 build starts: the first start
// compiles and stores each serializer's four files as a cache entry; the
// next start with the same sources runs touch instead, with the same
// assemblies; a changed source is compiled again and replaces the entry.
TEST(CompilerIde, TheCSharpCompilerRunsOnceAndTouchStandsInUntilTheSourceChanges) {
    ClearCompilerCache();
    const std::string folder = FreshFolder("cached-serializers");
    IdeRun ide(100, true);
    auto processes = [&] {
        std::vector<std::string> names;
        for (const std::string& line : ide.LinesStartingWith("process "))
            names.push_back(line.substr(0, line.find(" ms=")));
        return names;
    };
    const std::vector<std::string> compiled = {"process csc.exe exit=0", "process csc.exe exit=0"};
    const std::vector<std::string> touched = {"process touch.exe exit=0", "process touch.exe exit=0"};

    ASSERT_EQ(ide.Start("-autoclose:100 -csc:" + folder), 0);
    EXPECT_EQ(processes(), compiled) << ide.log();
    const std::vector<std::string> assemblies = ide.LinesStartingWith("serializer ");
    for (int n = 1; n <= 2; ++n) {
        const std::string serializer = folder + "\\DynXmlSerializer" + std::to_string(n);
        for (const char* extension : {".cs", ".dll", ".tmp", ".err"}) {
            EXPECT_NE(GetFileAttributesA(CacheEntry(n, extension).c_str()), INVALID_FILE_ATTRIBUTES)
                << CacheEntry(n, extension);
            EXPECT_TRUE(testsupport::ReadTextFile(CacheEntry(n, extension)) ==
                        testsupport::ReadTextFile(serializer + extension))
                << "entry " << n << extension;
        }
    }

    ASSERT_EQ(ide.Start("-autoclose:100 -csc:" + folder), 0);
    EXPECT_EQ(processes(), touched) << ide.log();
    EXPECT_EQ(ide.LinesStartingWith("serializer "), assemblies);

    ASSERT_EQ(ide.Start("-autoclose:100 -csc:" + folder + " -cscsource:changed"), 0);
    EXPECT_EQ(processes(), compiled) << ide.log();
    EXPECT_NE(ide.LinesStartingWith("serializer "), assemblies);
    EXPECT_NE(testsupport::ReadTextFile(CacheEntry(1, ".cs")).find("(changed)"), std::string::npos);
    EXPECT_TRUE(testsupport::ReadTextFile(CacheEntry(2, ".dll")) ==
                testsupport::ReadTextFile(folder + "\\DynXmlSerializer2.dll"));
    ClearCompilerCache();
}
