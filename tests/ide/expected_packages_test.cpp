// The packages the splash progress expects: the IDE's command line, its
// registry keys under a root of this test's own, the default project file's
// exclusions and the modules already loaded.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/BuildProfile.h"
#include "base/TextLines.h"
#include "base/Utils.h"
#include "ide/ExpectedPackages.h"

using namespace toravex;
using Names = std::vector<std::string>;

namespace {

class ExpectedPackagesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }

    // A registry root and project folder of this test program's own.
    static std::string Root() { return "ToravexExpected" + std::to_string(GetCurrentProcessId()); }
    // As the test support writes them: no backslash in front.
    static std::string Base(const char* version) { return "Software\\Borland\\" + Root() + "\\" + version; }
    void TearDown() override { testsupport::DeleteKeyTree("Software\\Borland\\" + Root()); }

    static HostStringList List(const Names& texts) {
        HostStringList list;
        for (const std::string& t : texts) list.Add(HostString(t.c_str()));
        return list;
    }
    static Names Texts(const HostStringList& list) {
        Names texts;
        for (int32_t i = 0; i < list.Count(); ++i) texts.push_back(list[i].CStr());
        return texts;
    }
    static std::string ProjectFile(const char* version) {
        std::string folder = LocalAppDataFolder().CStr();
        for (const std::string& part : {std::string("Borland"), Root(), std::string(version)}) {
            folder.append("\\").append(part);
            CreateDirectoryA(folder.c_str(), nullptr);
        }
        return folder + "\\DefProject.bdsproj";
    }
    static void WriteProject(const char* version, const std::string& text) {
        const std::string path = ProjectFile(version);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD done = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
        CloseHandle(file);
    }

    // One IDE's registry: each personality's keys, the global ones, experts,
    // empty data, a value of another type, a package already loaded.
    void WriteRegistry(const char* version) {
        using testsupport::WriteString;
        const std::string base = Base(version);
        WriteString(base + "\\Known Packages\\Delphi", "C:\\BDS\\bin\\dclDelphi.bpl", "Delphi package");
        WriteString(base + "\\Known IDE Packages\\Delphi", "$(BDS)\\bin\\delphicoreide.bpl", "Delphi IDE");
        WriteString(base + "\\Known Packages\\CBuilder", "C:\\BDS\\bin\\dclCpp.bpl", "C++ package");
        WriteString(base + "\\Known IDE Packages\\CBuilder", "bcbide.bpl", "C++ IDE");
        WriteString(base + "\\Known Assemblies", "C:\\BDS\\bin\\Borland.Assembly.dll", "Assembly");
        WriteString(base + "\\Known Packages", "C:\\BDS\\bin\\dclstd.bpl", "Standard");
        WriteString(base + "\\Known Packages", "C:\\BDS\\bin\\dclexcluded.bpl", "Excluded for Delphi");
        WriteString(base + "\\Known Packages", "C:\\BDS\\bin\\dclempty.bpl", "");
        WriteString(base + "\\Known Packages", "C:\\Windows\\system32\\kernel32.dll", "loaded already");
        testsupport::WriteDword(base + "\\Known Packages", "dword.bpl", 1);
        WriteString(base + "\\Experts", "Toravex", "  C:\\Toravex\\Toravex10.dll  ");
        // Named to come second both by age (Windows) and by name (Wine).
        WriteString(base + "\\Experts", "Toravex again", "D:\\other\\TORAVEX10.DLL");
        WriteString(base + "\\Experts", "Blank", "   ");
        WriteProject(version,
                     "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<BorlandProject>\r\n"
                     "  <Delphi.Personality>\r\n"
                     "    <Excluded_Packages Name=\"C:\\BDS\\bin\\dclexcluded.bpl\">Excluded</Excluded_Packages>\r\n"
                     "  </Delphi.Personality>\n"
                     "  <CPlusPlusBuilder.Personality>\n"
                     "    <Excluded_Packages Name=\"$(BDS)\\bin\\dclstd.bpl\">C++ exclusion</Excluded_Packages>\n"
                     "  </CPlusPlusBuilder.Personality>\n</BorlandProject>");
    }

    static Names Build(int packageVersion, const Names& parameters) {
        HostStringList list;
        const int32_t total = BuildExpectedPackages(list, List(parameters), ProfileFor(packageVersion));
        EXPECT_EQ(total, list.Count());
        return Texts(list);
    }
};

}  // namespace

TEST_F(ExpectedPackagesTest, PersonalitiesAndRegistryRootFromTheCommandLine) {
    struct Case {
        Names parameters;
        Names personalities;
        const char* versionKey;
    };
    const Names all{"CBuilder", "Delphi", "CSharp", "DelphiDotNet", "VB"};
    const Case cases[] = {
        {{}, all, "BDS\\4.0"},
        {{"project.bdsproj", "-ns"}, all, "BDS\\4.0"},
        {{"-pDelphi"}, {"Delphi"}, "BDS\\4.0"},
        {{"/PDelphi;CBuilder"}, {"Delphi", "CBuilder"}, "BDS\\4.0"},
        {{"\"-p\"Delphi\"\"", "-p CSharp ;\"VB\""}, {"Delphi", "CSharp", "VB"}, "BDS\\4.0"},
        {{"-pA;;B"}, {"A", "", "B"}, "BDS\\4.0"},
        {{"-p"}, {""}, "BDS\\4.0"},
        {{"/r"}, all, "BDS\\4.0"},
        {{"-rOther"}, all, "Other\\4.0"},
        {{"-r\"Quoted Root\"", "-pDelphi"}, {"Delphi"}, "Quoted Root\\4.0"},
        {{"-rFirst", "/R"}, all, "BDS\\4.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.parameters));
        const IdeRunSettings run = ReadPersonalities(List(c.parameters), "4.0");
        Names personalities;
        for (const HostString& p : run.personalities) personalities.push_back(p.CStr());
        EXPECT_EQ(personalities, c.personalities);
        EXPECT_STREQ(run.ideVersionKey.CStr(), c.versionKey);
        EXPECT_EQ(std::string(run.baseKey.CStr()), std::string("\\Software\\Borland\\") + c.versionKey);
    }
}

TEST_F(ExpectedPackagesTest, DelphiAloneReadsTheDelphiKeysAndAppliesTheDelphiSection) {
    WriteRegistry("4.0");
    const std::string root = "-r" + Root();
    // No C++ keys, no assemblies; dclexcluded.bpl is registered and excluded,
    // kernel32.dll is loaded, dclempty.bpl and the other-type value have no
    // text; the expert is listed once whatever its case.
    EXPECT_EQ(Build(100, {root, "-pDelphi"}), (Names{"dclDelphi.bpl", "dclstd.bpl", "delphicoreide.bpl", "Toravex10.dll"}));
    // C++ alone: its keys and its section (which excludes dclstd.bpl).
    EXPECT_EQ(Build(100, {root, "-pCBuilder"}), (Names{"bcbide.bpl", "dclCpp.bpl", "dclexcluded.bpl", "Toravex10.dll"}));
    // A .NET personality reads the assemblies only.
    EXPECT_EQ(Build(100, {root, "-pCSharp"}), (Names{"Borland.Assembly.dll", "Toravex10.dll"}));
    // A plain start: everything, both sections applied, each package once.
    EXPECT_EQ(Build(100, {root}), (Names{"bcbide.bpl", "Borland.Assembly.dll", "dclCpp.bpl", "dclDelphi.bpl",
                                         "delphicoreide.bpl", "Toravex10.dll"}));
    // Another root, or no project file: nothing of this one.
    EXPECT_EQ(Build(100, {"-rNoSuchRootForToravex"}), Names{});
    DeleteFileA(ProjectFile("4.0").c_str());
    EXPECT_EQ(Build(100, {root, "-pDelphi"}),
              (Names{"dclDelphi.bpl", "dclexcluded.bpl", "dclstd.bpl", "delphicoreide.bpl", "Toravex10.dll"}));
}

TEST_F(ExpectedPackagesTest, Build90ReadsTheGlobalKeysWhateverThePersonalities) {
    WriteRegistry("3.0");
    const std::string root = "-r" + Root();
    EXPECT_EQ(Build(90, {root, "-pDelphi"}), (Names{"Borland.Assembly.dll", "dclstd.bpl", "Toravex10.dll"}));
    EXPECT_EQ(Build(90, {root, "-pCBuilder"}), (Names{"Borland.Assembly.dll", "dclexcluded.bpl", "Toravex10.dll"}));
    EXPECT_EQ(Build(100, {root}), Names{}) << "the 4.0 keys are another IDE's";
}

TEST_F(ExpectedPackagesTest, ExclusionsOnlyInsideTheirSectionAndOnlyWhenWellFormed) {
    HostStringList lines;
    const char text[] =
        "<Excluded_Packages Name=\"before.bpl\">outside</Excluded_Packages>\n"
        "<DELPHI.PERSONALITY>\r"
        "\t<excluded_packages name=\"  C:\\bin\\Twice.bpl  \">x</excluded_packages>\r\n"
        "<Excluded_Packages Name=\"unclosed.bpl\n"
        "<Excluded_Packages  Name=\"spaced.bpl\">not the entry's form</Excluded_Packages>\n"
        "</Delphi.Personality>\n"
        "<Excluded_Packages Name=\"after.bpl\">the walk has ended</Excluded_Packages>";
    SplitLines(text, sizeof text - 1, lines);
    ASSERT_EQ(lines.Count(), 7);
    HostStringList list = List({"before.bpl", "twice.bpl", "unclosed.bpl", "spaced.bpl", "after.bpl", "TWICE.BPL"});
    RemoveExcludedPackages(list, lines, "Delphi");
    EXPECT_EQ(Texts(list), (Names{"before.bpl", "unclosed.bpl", "spaced.bpl", "after.bpl"}));
    RemoveExcludedPackages(list, lines, "CPlusPlusBuilder");
    EXPECT_EQ(list.Count(), 4) << "no such section";
}
