// File ages and their cache, path, quote and command-line helpers, the
// application-data folder, the platform test and the module-header test.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "base/Utils.h"

using namespace toravex;

namespace {

class UtilsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr);
        PrepareUtils();
    }
    static void TearDownTestSuite() { TeardownUtils(); }
};

std::string Text(const HostString& s) { return s.CStr(); }
HostString H(const char* s) { return HostString(s); }

// Writes a file whose last-write time is the given local time.
void WriteFileAt(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SYSTEMTIME local{year, month, 0, day, hour, minute, second, 0};
    FILETIME localTime, utc;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
}

constexpr int32_t DosAge(int year, int month, int day, int hour, int minute, int second) {
    return (((year - 1980) << 9 | month << 5 | day) << 16) | (hour << 11 | minute << 5 | second / 2);
}

TEST_F(UtilsTest, FileAgeIsTheLocalDosTimeAndMinusOneForDirectoriesAndMissingFiles) {
    const std::string file = testsupport::TempDir() + "\\aged.txt";
    WriteFileAt(file, 2005, 6, 7, 8, 9, 10);
    EXPECT_EQ(FileAgeOf(file.c_str()), DosAge(2005, 6, 7, 8, 9, 10));
    EXPECT_EQ(FileAgeOf(testsupport::TempDir().c_str()), -1);
    EXPECT_EQ(FileAgeOf((testsupport::TempDir() + "\\missing.txt").c_str()), -1);
    EXPECT_EQ(FileAgeOf(nullptr), -1);
}

TEST_F(UtilsTest, CachedFileAgeKeepsTheFirstValueUntilTheCacheIsCleared) {
    const std::string file = testsupport::TempDir() + "\\cached.txt";
    const std::string missing = testsupport::TempDir() + "\\later.txt";
    WriteFileAt(file, 2001, 1, 1, 0, 0, 0);
    DeleteFileA(missing.c_str());
    HostString name(file.c_str()), later(missing.c_str());
    EXPECT_EQ(CachedFileAge(name.Get()), DosAge(2001, 1, 1, 0, 0, 0));
    EXPECT_EQ(CachedFileAge(later.Get()), -1);
    WriteFileAt(file, 2002, 2, 2, 0, 0, 0);
    WriteFileAt(missing, 2003, 3, 3, 0, 0, 0);
    EXPECT_EQ(CachedFileAge(name.Get()), DosAge(2001, 1, 1, 0, 0, 0));
    EXPECT_EQ(CachedFileAge(later.Get()), -1);  // a miss is cached too
    ClearFileAgeCache();
    EXPECT_EQ(CachedFileAge(name.Get()), DosAge(2002, 2, 2, 0, 0, 0));
    EXPECT_EQ(CachedFileAge(later.Get()), DosAge(2003, 3, 3, 0, 0, 0));
    EXPECT_EQ(CachedFileAge(nullptr), -1);
}

TEST_F(UtilsTest, PathsAndQuotes) {
    EXPECT_EQ(Text(TrimPathDelimiter(H("C:\\dir\\").Get())), "C:\\dir");
    EXPECT_EQ(Text(TrimPathDelimiter(H("C:\\dir/").Get())), "C:\\dir");
    EXPECT_EQ(Text(TrimPathDelimiter(H("C:\\").Get())), "C:\\");
    EXPECT_EQ(Text(TrimPathDelimiter(H("C:").Get())), "C:\\");
    EXPECT_EQ(Text(TrimPathDelimiter(nullptr)), "");

    EXPECT_TRUE(StartsText(H("bds").Get(), H("BDS.exe").Get()));
    EXPECT_FALSE(StartsText(nullptr, H("abc").Get()));
    EXPECT_FALSE(StartsText(H("abcd").Get(), H("abc").Get()));
    EXPECT_FALSE(StartsText(H("ac").Get(), H("abc").Get()));

    EXPECT_EQ(Text(Unquote(H("\"a b\"").Get())), "a b");
    EXPECT_EQ(Text(Unquote(H("\"\"").Get())), "");
    EXPECT_EQ(Text(Unquote(H("\"").Get())), "\"");
    EXPECT_EQ(Text(Unquote(H("\"a").Get())), "\"a");
}

TEST_F(UtilsTest, SplitCommandLineKeepsQuotesAndQuotedStretches) {
    HostStringList list;
    EXPECT_TRUE(SplitCommandLine(list, "\"C:\\Program Files\\bds.exe\"  \"-pDelphi x\" -rMine", true));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(Text(list[0]), "\"-pDelphi x\"");
    EXPECT_EQ(Text(list[1]), "-rMine");

    HostStringList tokens;
    EXPECT_FALSE(SplitCommandLine(tokens, "\t-ns", false));
    EXPECT_TRUE(SplitCommandLine(tokens, "a\"b c\"d \"open", false));
    ASSERT_EQ(tokens.Count(), 3);
    EXPECT_EQ(Text(tokens[1]), "a\"b c\"d");
    EXPECT_EQ(Text(tokens[2]), "\"open");

    HostStringList own;
    SplitCommandLine(own, nullptr, false);
    EXPECT_GE(own.Count(), 1);
}

TEST_F(UtilsTest, LocalAppDataFolderAndProgramDirectory) {
    HostString folder = LocalAppDataFolder();
    ASSERT_FALSE(folder.Empty());
    EXPECT_NE(folder.CStr()[folder.Length() - 1], '\\');
    EXPECT_NE(GetFileAttributesA(folder.CStr()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    EXPECT_EQ(std::string(exe).rfind('\\'), static_cast<size_t>(ProgramDirectory.Length()));
    EXPECT_EQ(std::string(exe).compare(0, ProgramDirectory.Length(), ProgramDirectory.CStr()), 0);
}

}  // namespace
