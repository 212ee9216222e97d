// The file-name and file-system replacements give the host's results.
#include <gtest/gtest.h>

#include <fstream>

#include "HostLayout.h"
#include "TestSupport.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "runtime/FileNames.h"

using toravex::HostString;

namespace {

class FileNamesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }
};

using Unary = void(HOSTCALL*)(const char*, char**);

std::string Call(Unary f, const char* text) {
    HostString s(text), result;
    f(s.Get(), result.Out());
    return result.CStr();
}

struct Case {
    const char* input;
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
};

}  // namespace

TEST_F(FileNamesTest, PathsSplitAtBackslashAndColonOnly) {
    const Case cases[] = {
        {"C:\\dir\\file.txt", "C:\\dir\\", "C:\\dir", "file.txt", ".txt"},
        {"C:\\file.txt", "C:\\", "C:\\", "file.txt", ".txt"},  // the root keeps its backslash
        {"C:file", "C:", "C:", "file", ""},
        {"\\file", "\\", "\\", "file", ""},
        {"file", "", "", "file", ""},
        {"", "", "", "", ""},
        {"C:\\dir.d\\file", "C:\\dir.d\\", "C:\\dir.d", "file", ""},
        {"c:/a/b.txt", "c:", "c:", "/a/b.txt", ".txt"},
        {"\\\\server\\\\share", "\\\\server\\\\", "\\\\server\\\\", "share", ""},
        {"dir\\", "dir\\", "dir", "", ""},
        {"a.b.c", "", "", "a.b.c", ".c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(Call(toravex::ExtractFilePathFast, c.input), c.path);
        EXPECT_EQ(Call(toravex::ExtractFileDirFast, c.input), c.dir);
        EXPECT_EQ(Call(toravex::ExtractFileNameFast, c.input), c.name);
        EXPECT_EQ(Call(toravex::ExtractFileExtFast, c.input), c.ext);
    }
}

TEST_F(FileNamesTest, TrailingDelimitersAndExtensionChanges) {
    EXPECT_EQ(Call(toravex::IncludeTrailingPathDelimiterFast, ""), "\\");
    EXPECT_EQ(Call(toravex::IncludeTrailingPathDelimiterFast, "C:\\dir"), "C:\\dir\\");
    EXPECT_EQ(Call(toravex::IncludeTrailingPathDelimiterFast, "C:\\dir\\"), "C:\\dir\\");
    EXPECT_EQ(Call(toravex::ExcludeTrailingPathDelimiterFast, "C:\\dir\\"), "C:\\dir");
    EXPECT_EQ(Call(toravex::ExcludeTrailingPathDelimiterFast, "C:\\dir"), "C:\\dir");
    EXPECT_EQ(Call(toravex::ExcludeTrailingPathDelimiterFast, ""), "");
    EXPECT_EQ(Call(toravex::ExcludeTrailingPathDelimiterFast, "\\"), "");

    auto change = [](const char* s, const char* e) {
        HostString name(s), ext(e), result;
        toravex::ChangeFileExtFast(name.Get(), ext.Get(), result.Out());
        return std::string(result.CStr());
    };
    EXPECT_EQ(change("C:\\dir.d\\file", ".pas"), "C:\\dir.d\\file.pas");
    EXPECT_EQ(change("unit.dcu", ".pas"), "unit.pas");
    EXPECT_EQ(change("unit.dcu", ""), "unit");
    EXPECT_EQ(change("", ".pas"), ".pas");
}

TEST_F(FileNamesTest, ResultMayBeTheArgumentsOwnVariable) {
    // S := ExtractFilePath(S): the result variable holds the argument.
    HostString keep("C:\\dir\\file.txt");
    char* variable = nullptr;
    toravex::Runtime().lstrAsg(&variable, keep.Get());
    toravex::ExtractFilePathFast(variable, &variable);
    EXPECT_STREQ(variable, "C:\\dir\\");
    EXPECT_STREQ(keep.CStr(), "C:\\dir\\file.txt");
    EXPECT_EQ(hostabi::HeaderOf(keep.Get())->refCount, 1);
    toravex::Runtime().lstrClr(&variable);
}

TEST_F(FileNamesTest, FileExistsIsFalseForDirectoriesAndMissingFiles) {
    const std::string file = testsupport::TempDir() + "\\exists.txt";
    std::ofstream(file) << "x";
    EXPECT_TRUE(toravex::FileExistsFast(HostString(file.c_str()).Get()));
    EXPECT_FALSE(toravex::FileExistsFast(HostString(testsupport::TempDir().c_str()).Get()));
    EXPECT_FALSE(toravex::FileExistsFast(HostString((file + ".missing").c_str()).Get()));
    EXPECT_FALSE(toravex::FileExistsFast(nullptr));
    DeleteFileA(file.c_str());
}

TEST_F(FileNamesTest, GeneratedPathsGiveTheRuntimesOwnResults) {
    using namespace hostnames;
    const struct {
        Unary fast;
        const HostName& host;
    } routines[] = {
        {toravex::ExtractFilePathFast, Sysutils_ExtractFilePath},
        {toravex::ExtractFileDirFast, Sysutils_ExtractFileDir},
        {toravex::ExtractFileNameFast, Sysutils_ExtractFileName},
        {toravex::ExtractFileExtFast, Sysutils_ExtractFileExt},
        {toravex::IncludeTrailingPathDelimiterFast, Sysutils_IncludeTrailingPathDelimiter},
        {toravex::ExcludeTrailingPathDelimiterFast, Sysutils_ExcludeTrailingPathDelimiter},
    };
    // Every string of up to five characters over the alphabet that matters.
    const char alphabet[] = {'a', '.', '\\', ':', '/'};
    std::vector<std::string> names = {""};
    for (size_t begin = 0, length = 1; length <= 5; ++length) {
        size_t end = names.size();
        for (size_t i = begin; i < end; ++i)
            for (char c : alphabet) names.push_back(names[i] + c);
        begin = end;
    }
    for (const auto& r : routines) {
        auto host = toravex::FindHostRoutine<Unary>(toravex::Runtime().module, r.host);
        ASSERT_NE(host, nullptr) << r.host.decorated;
        for (const std::string& name : names) {
            HostString s(name.c_str()), expected, actual;
            host(s.Get(), expected.Out());
            r.fast(s.Get(), actual.Out());
            ASSERT_STREQ(actual.CStr(), expected.CStr()) << r.host.decorated << " of " << name;
        }
    }
}
