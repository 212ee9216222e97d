// Toravex's runtime patch set in the emulated IDE, as the patch probe
// (PatchProbe.dll, an expert registered before and after Toravex10.dll)
// reports it: every row reached the way its table says, with the results of
// the runtime's own routines; comparison call sites rewritten or left; the
// loader hooks under each option and guard; thread priorities during and
// after start-up; everything put back at removal; and two threads at a time
// comparing strings and loading libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "HostNames.h"
#include "TestSupport.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/RoutineVariants.h"

using namespace testsupport;
using namespace hostnames;

namespace {

const std::string kOptions = "Software\\Kalvoro\\Toravex\\10";

// One line of the probe's report as its words and key=value fields.
struct Line {
    std::vector<std::string> words;
    std::map<std::string, std::string> fields;
    std::string operator[](const std::string& key) const {
        auto it = fields.find(key);
        return it == fields.end() ? "<missing " + key + ">" : it->second;
    }
    int Number(const std::string& key) const { return std::atoi((*this)[key].c_str()); }
};

class ProbeReport {
public:
    explicit ProbeReport(const std::vector<std::string>& lines) : text_(lines) {
        for (const std::string& l : lines) {
            Line line;
            std::istringstream in(l);
            for (std::string w; in >> w;) {
                line.words.push_back(w);
                const size_t eq = w.find('=');
                if (eq != std::string::npos) line.fields[w.substr(0, eq)] = w.substr(eq + 1);
            }
            lines_.push_back(line);
        }
    }
    // The first line whose first words are `w1` (and `w2`).
    Line Find(const std::string& w1, const std::string& w2 = "") const {
        for (const Line& l : lines_)
            if (!l.words.empty() && l.words[0] == w1 && (w2.empty() || (l.words.size() > 1 && l.words[1] == w2)))
                return l;
        return {};
    }
    std::vector<Line> All(const std::string& w1) const {
        std::vector<Line> found;
        for (const Line& l : lines_)
            if (!l.words.empty() && l.words[0] == w1) found.push_back(l);
        return found;
    }
    std::string Text() const {
        std::string s;
        for (const std::string& l : text_) s += l + "\n";
        return s;
    }

private:
    std::vector<std::string> text_;
    std::vector<Line> lines_;
};

std::string ProbeFile() { return BuildDir() + "\\tests\\PatchProbe.dll"; }
// The plug-in's diagnostic log of a run.
std::string ToravexLog(const std::string& mode) { return TempDir() + "\\toravex-" + mode + ".log"; }
std::string ModulesDir() { return BuildDir() + "\\tests\\patchprobe"; }
std::string WorkDir() { return TempDir() + "\\patchwork"; }

struct Run {
    std::string mode;
    std::vector<std::pair<const char*, DWORD>> options;
    bool farEast = false;
};

// Starts the emulated IDE with the probe around Toravex10.dll and one design
// package, and returns the probe's report.
ProbeReport RunIde(const Run& run, int* exitCode = nullptr) {
    const std::string root = "ToravexPatchTest" + std::to_string(GetCurrentProcessId());
    const std::string key = "Software\\Borland\\" + root + "\\4.0";
    const std::string report = TempDir() + "\\probe-" + run.mode + (run.farEast ? "-fareast" : "") + ".txt";
    const std::string log = report + ".log";
    DeleteFileA(report.c_str());
    DeleteFileA(log.c_str());
    DeleteKeyTree("Software\\Borland\\" + root);
    DeleteKeyTree(kOptions);
    for (const auto& [name, value] : run.options) WriteDword(kOptions, name, value);
    // Created in this order, listed in it on Windows and by name under Wine.
    WriteString(key + "\\Experts", "APatchProbe", ProbeFile());
    WriteString(key + "\\Experts", "Toravex", BinDir() + "\\Toravex10.dll");
    WriteString(key + "\\Experts", "ZPatchProbe", ProbeFile());
    WriteString(key + "\\Known Packages", EmulatedIdeDir(100) + "\\dclemu01.bpl", "Emulated design package 1");

    char path[8192];
    GetEnvironmentVariableA("PATH", path, sizeof path);
    const std::string oldPath = path;
    SetEnvironmentVariableA("PATH", (ModulesDir() + ";" + oldPath).c_str());
    SetEnvironmentVariableA("PATCHPROBE_MODE", run.mode.c_str());
    SetEnvironmentVariableA("PATCHPROBE_REPORT", report.c_str());
    SetEnvironmentVariableA("PATCHPROBE_MODULES", ModulesDir().c_str());
    SetEnvironmentVariableA("PATCHPROBE_WORK", WorkDir().c_str());
    SetEnvironmentVariableA("PATCHPROBE_IDE", EmulatedIdeDir(100).c_str());
    SetEnvironmentVariableA("EMUHOST_FAREAST", run.farEast ? "1" : nullptr);
    const std::string toravexLog = ToravexLog(run.mode + (run.farEast ? "-fareast" : ""));
    DeleteFileA(toravexLog.c_str());
    SetEnvironmentVariableA("TORAVEX_LOG", toravexLog.c_str());
    const int code = RunProgram(EmulatedIdeDir(100) + "\\bds.exe", "-r" + root + " -autoclose:1000 -log:" + log, 90000);
    SetEnvironmentVariableA("PATH", oldPath.c_str());
    SetEnvironmentVariableA("EMUHOST_FAREAST", nullptr);
    SetEnvironmentVariableA("TORAVEX_LOG", nullptr);

    DeleteKeyTree("Software\\Borland\\" + root);
    DeleteKeyTree(kOptions);
    if (exitCode) *exitCode = code;
    EXPECT_EQ(code, 0) << ReadTextFile(log);
    return ProbeReport(ReadLines(report));
}

// The full run, made once and shared by the tests that read it.
const ProbeReport& FullRun() {
    static const ProbeReport report = RunIde({"full", {}});
    return report;
}

// Each row's results in a process where nothing is patched.
std::map<std::string, std::string> gReference;

class PatchSetIdeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CreateDirectoryA(WorkDir().c_str(), nullptr);
        CreateDirectoryA((WorkDir() + "\\TortoiseSVN").c_str(), nullptr);
        CreateDirectoryA((WorkDir() + "\\TortoiseSVN\\bin").c_str(), nullptr);
        const std::string leaf = ModulesDir() + "\\ProbeLeaf.dll";
        CopyFileA((EmulatedIdeDir(100) + "\\dclemu01.bpl").c_str(), (WorkDir() + "\\dclunscanned.bpl").c_str(), FALSE);
        CopyFileA(leaf.c_str(), (WorkDir() + "\\TortoiseSVN\\bin\\TortoiseProc1033.dll").c_str(), FALSE);
        CopyFileA(leaf.c_str(), (WorkDir() + "\\ProbeData.dll").c_str(), FALSE);
        CopyFileA(leaf.c_str(), (WorkDir() + "\\ProbeResource.dll").c_str(), FALSE);

        ASSERT_NE(LoadEmulatedRuntime(100), nullptr);
        HMODULE probe = LoadLibraryA(ProbeFile().c_str());
        ASSERT_NE(probe, nullptr);
        const std::string file = TempDir() + "\\reference.txt";
        DeleteFileA(file.c_str());
        SetEnvironmentVariableA("PATCHPROBE_REPORT", file.c_str());
        reinterpret_cast<void (*)()>(GetProcAddress(probe, "ProbeReference"))();
        for (const Line& l : ProbeReport(ReadLines(file)).All("ref")) gReference[l.words[1]] = l.words[2];
    }
};

// The events of a diagnostic log: each line without its process id and time.
std::vector<std::string> LogEvents(const std::string& file) {
    std::vector<std::string> events;
    for (const std::string& line : ReadLines(file)) {
        const size_t first = line.find(' '), second = line.find(' ', first + 1);
        if (second != std::string::npos) events.push_back(line.substr(second + 1));
    }
    return events;
}

// The rows of the patch set in the build for BDS 2006 (rtl100.bpl):
// registered in the replacement map (with or without a call-site stub),
// jumped to at the routine's entry, and whether it is a file-name row.
struct Expected {
    const char* name;
    bool registered;
    bool stub;
    bool jump;  // a code redirection, or the comparisons' own jumps
    bool fileName;
};
const Expected kExpected[] = {
    {Sysutils_AnsiLowerCaseFileName.decorated, true, false, false, false},
    {Classes_TList_Get.decorated, true, true, false, false},
    {Classes_TList_IndexOf.decorated, true, true, true, false},
    {Classes_TList_SetCount.decorated, true, true, true, false},
    {Classes_TList_Put.decorated, true, true, true, false},
    {Classes_TList_Insert.decorated, true, true, true, false},
    {Classes_TList_Last.decorated, true, true, true, false},
    {Classes_TList_Exchange.decorated, true, true, true, false},
    {Sysutils_SameText.decorated, true, true, true, false},
    {Sysutils_FileExists.decorated, true, false, false, false},
    {Sysutils_FileAge.decorated, true, false, true, false},
    {Sysutils_AnsiCompareText.decorated, true, true, true, false},
    {System_Move.decorated, true, true, true, false},
    {Sysutils_StrScan.decorated, true, true, true, false},
    {System_LStrCmp.decorated, true, true, true, false},
    {System_WStrCmp.decorated, true, true, true, false},
    {System_FillChar.decorated, true, true, true, false},
    {System_LStrPos.decorated, true, true, false, false},
    {Sysutils_StrComp.decorated, true, true, true, false},
    {Sysutils_StrIComp.decorated, true, true, true, false},
    {Sysutils_StrCopy.decorated, true, true, true, false},
    {Sysutils_CompareText.decorated, true, true, true, false},
    {Sysutils_CompareMem.decorated, true, true, true, false},
    {Sysutils_UpperCase.decorated, true, true, false, false},
    {Sysutils_LowerCase.decorated, true, true, false, false},
    {Sysutils_CompareStr.decorated, true, true, true, false},
    {Sysutils_StringReplace.decorated, true, false, true, false},
    {Sysutils_StrLen.decorated, true, true, true, false},
    {Sysutils_IntToStr.decorated, true, true, true, false},
    {Sysutils_StrToInt.decorated, true, true, true, false},
    {Sysutils_SameFileName.decorated, true, false, false, true},
    {Sysutils_ExtractFileExt.decorated, true, true, true, true},
    {Sysutils_ExtractFilePath.decorated, true, true, true, true},
    {Sysutils_ExtractFileName.decorated, true, true, true, true},
    {Sysutils_ExtractFileDir.decorated, true, true, true, true},
    {Sysutils_AnsiCompareFileName.decorated, true, false, true, true},
    {Sysutils_ChangeFileExt.decorated, true, true, true, true},
    {Sysutils_IncludeTrailingPathDelimiter.decorated, true, true, true, true},
    {Sysutils_ExcludeTrailingPathDelimiter.decorated, true, true, true, true},
    {Math_Max.decorated, true, false, false, false},
    {Strutils_PosEx.decorated, false, false, true, false},
    {Sysutils_WideSameStr.decorated, false, false, true, false},
    // The C runtime adapters; msvcrt.dll exports "_stricmp", not the
    // "stricmp" the table names, so that row finds nothing to replace.
    {"memset", true, false, true, false},
    {"memmove", true, false, true, false},
    {"memcpy", true, false, true, false},
    {"strcmp", true, false, true, false},
    {"_stricmp", false, false, false, false},
    {"strlen", true, false, true, false},
};

// Every row: its import slots in the core package (scanned at start-up) and
// in a package loaded later through LoadLibraryA, its entry, how often the
// runtime's own routine was entered on each way, and the results.
void ExpectRows(const ProbeReport& report, bool farEast) {
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.name);
        const bool registered = e.registered && !(farEast && e.fileName);
        const bool jump = e.jump && !(farEast && e.fileName);
        const Line row = report.Find("row", e.name);
        ASSERT_FALSE(row.words.empty()) << report.Text();
        const std::string slot = !registered ? "host" : e.stub ? "stub" : "plugin";
        EXPECT_EQ(row["slotA"], slot);
        EXPECT_EQ(row["slotC"], slot);
        EXPECT_EQ(row["entry"], jump ? "jump" : "original");
        if (row.Number("enteredB") >= 0) {  // the runtime counts its own entries
            EXPECT_EQ(row.Number("enteredA") == 0, registered || jump) << row["enteredA"];
            EXPECT_EQ(row.Number("enteredB") == 0, jump) << row["enteredB"];
            EXPECT_EQ(row.Number("enteredC") == 0, registered || jump) << row["enteredC"];
        }
        const std::string& reference = gReference[e.name];
        ASSERT_FALSE(reference.empty());
        EXPECT_EQ(row["resultA"], reference);
        EXPECT_EQ(row["resultB"], reference);
        EXPECT_EQ(row["resultC"], reference);
    }
}

// What removal may leave: the comparisons' jumps, the assignment helpers'
// jumps (single-processor machines only) and the copied notification.
void ExpectEverythingPutBack(const ProbeReport& report) {
    const Line summary = report.Find("removal");
    EXPECT_GT(summary.Number("slots"), 500) << report.Text();
    EXPECT_GT(summary.Number("entries"), 150);
    for (const Line& l : report.All("removal-differs")) {
        const std::string what = l.words[1] + " " + l.words[2];
        const bool stays = what == std::string("entry ") + System_LStrCmp.decorated ||
                           what == std::string("entry ") + System_WStrCmp.decorated ||
                           what == std::string("entry ") + Contnrs_TObjectList_Notify.decorated ||
                           (l.words[3] == "jump" && (what == std::string("entry ") + System_LStrAsg.decorated ||
                                                     what == std::string("entry ") + System_LStrLAsg.decorated));
        EXPECT_TRUE(stays) << "not put back: " << what;
    }
}

}  // namespace

TEST_F(PatchSetIdeTest, EveryRowIsReachedTheWayItsTableSaysWithTheRuntimesResults) {
    const ProbeReport& report = FullRun();
    ASSERT_EQ(report.Find("copy")["plugin-loaded"], "0") << report.Text();
    ASSERT_EQ(report.Find("startup")["plugin-loaded"], "1");
    ASSERT_FALSE(report.Find("checks", "done").words.empty()) << report.Text();
    ExpectRows(report, false);

    // The loader hooks are re-pointed in import slots only; CreateProcessW's
    // hook belongs to the compiler call cache, which is not built yet.
    EXPECT_EQ(report.Find("kernel32", "LoadLibraryA")["slotA"], "plugin");
    EXPECT_EQ(report.Find("kernel32", "LoadLibraryA")["slotC"], "plugin");
    EXPECT_EQ(report.Find("kernel32", "LoadLibraryExW")["slotA"], "plugin");
    EXPECT_EQ(report.Find("kernel32", "FreeLibrary")["slotA"], "host") << "no FreeLibrary hook in this build";
    for (const char* routine : {"LoadLibraryA", "LoadLibraryExW", "FreeLibrary", "CreateProcessW"})
        EXPECT_EQ(report.Find("kernel32", routine)["entry"], "original") << routine;
    EXPECT_EQ(report.Find("notify")["copied"], "1");
    EXPECT_EQ(report.Find("exe-imports")["changed"], "0") << "the executable's own imports stay";
}

TEST_F(PatchSetIdeTest, EqualityCallSitesAreRewrittenOrderingAndThunkCallersAreNot) {
    const ProbeReport& report = FullRun();
    const std::string equality = report.Find("site", "dp_LStrEqualJe")["target"];
    const std::string ordering = report.Find("site", "dp_LStrBelowJb")["target"];
    const std::string wideOrdering = report.Find("site", "dp_WStrBelowJb")["target"];
    EXPECT_EQ(equality.rfind("plugin+", 0), 0u) << report.Text();
    EXPECT_EQ(ordering.rfind("plugin+", 0), 0u);
    EXPECT_EQ(wideOrdering.rfind("plugin+", 0), 0u);
    EXPECT_NE(equality, ordering);
    EXPECT_NE(equality, wideOrdering);
    EXPECT_NE(ordering, wideOrdering);
    for (const Line& site : report.All("site")) {
        SCOPED_TRACE(site.words[1]);
        EXPECT_EQ(site["wrong"], "0");
        const std::string& name = site.words[1];
        const bool orders = name.find("Below") != std::string::npos || name.find("Above") != std::string::npos;
        if (orders)
            EXPECT_EQ(site["target"], name[3] == 'W' ? wideOrdering : ordering);
        else
            EXPECT_EQ(site["target"], equality) << "the equality compare serves long and wide strings";
    }
    EXPECT_EQ(report.All("site").size(), 11u);
    // What the equality callers reach is no ordering compare.
    EXPECT_EQ(report.Find("carry")["equality"], "0");
    EXPECT_EQ(report.Find("carry")["ordering"], "1");

    // A package no scan reached calls the runtime's entry through its thunk:
    // the comparison answers, and leaves such calls alone.
    EXPECT_EQ(report.Find("unscanned")["slot"], "host");
    EXPECT_EQ(report.All("unscanned-site").size(), 11u);
    for (const Line& site : report.All("unscanned-site")) {
        EXPECT_EQ(site["target"], "thunk") << site.words[1];
        EXPECT_EQ(site["wrong"], "0") << site.words[1];
    }
}

TEST_F(PatchSetIdeTest, NewLibrariesAreScannedAsTheOptionsAndGuardsSay) {
    const ProbeReport& report = FullRun();
    // Defaults: a package's ".bpl" imports are scanned with it, a library's
    // imports are not.
    const Line scan = report.Find("scan");
    EXPECT_EQ(scan["ProbePkg.bpl"], "yes") << report.Text();
    EXPECT_EQ(scan["ProbePkgDep.bpl"], "yes");
    EXPECT_EQ(scan["ProbePkgDep.dll"], "no");
    EXPECT_EQ(scan["ProbeTool.dll"], "yes");
    EXPECT_EQ(scan["ProbeToolDep.bpl"], "no");
    EXPECT_EQ(scan["ProbeToolDep.dll"], "no");

    EXPECT_EQ(report.Find("again")["by-name"], "no") << "a file name is scanned once";
    EXPECT_EQ(report.Find("again")["by-path"], "yes") << "its full path is another name";
    EXPECT_EQ(report.Find("tortoise")["with-path"], "no");
    EXPECT_EQ(report.Find("tortoise")["bare"], "yes");
    EXPECT_EQ(report.Find("tortoise")["same"], "1");
    EXPECT_EQ(report.Find("datafile")["loaded"], "1");
    EXPECT_EQ(report.Find("datafile")["image"], "yes") << "the data-file load took no name";
    EXPECT_EQ(report.Find("image-resource")["loaded"], "1");
    EXPECT_EQ(report.Find("image-resource")["image"], "yes") << "nor did a load for resources only";
    EXPECT_EQ(report.Find("dont-resolve")["unresolved"], "no");
    EXPECT_EQ(report.Find("dont-resolve")["resolved"], "yes");
    EXPECT_EQ(report.Find("failed-load")["result"], "0");
    EXPECT_EQ(report.Find("failed-load")["error"], std::to_string(ERROR_MOD_NOT_FOUND));

    // The options, each combination in an IDE of its own.
    struct Case {
        DWORD hookAllDlls, hookBplOnly;
        const char *pkgDll, *toolBpl, *toolDll;
    } cases[] = {{0, 0, "yes", "no", "no"}, {1, 1, "no", "yes", "no"}, {1, 0, "yes", "yes", "yes"}};
    for (const Case& c : cases) {
        SCOPED_TRACE("HookAllDlls=" + std::to_string(c.hookAllDlls) + " HookBplOnly=" + std::to_string(c.hookBplOnly));
        const ProbeReport r = RunIde({"loader", {{"HookAllDlls", c.hookAllDlls}, {"HookBplOnly", c.hookBplOnly}}});
        const Line s = r.Find("scan");
        EXPECT_EQ(s["ProbePkg.bpl"], "yes") << r.Text();
        EXPECT_EQ(s["ProbePkgDep.bpl"], "yes");
        EXPECT_EQ(s["ProbePkgDep.dll"], c.pkgDll);
        EXPECT_EQ(s["ProbeTool.dll"], "yes");
        EXPECT_EQ(s["ProbeToolDep.bpl"], c.toolBpl);
        EXPECT_EQ(s["ProbeToolDep.dll"], c.toolDll);
    }
}

TEST_F(PatchSetIdeTest, ThreadPrioritiesAreHeldOffUntilTheEndOfStartUp) {
    const ProbeReport& report = FullRun();
    const Line during = report.Find("priority", "startup"), after = report.Find("priority", "after");
    EXPECT_EQ(during["entry"], "jump") << report.Text();
    EXPECT_EQ(during["result"], "-1");
    EXPECT_EQ(during["changed"], "0");
    EXPECT_EQ(during["nil"], "0");
    EXPECT_EQ(after["result"], "1");
    EXPECT_EQ(after["changed"], "1");
    EXPECT_EQ(after["entry"], "original") << "the first call after start-up took the hook away";
    EXPECT_EQ(report.Find("kernel32", "SetThreadPriority")["entry"], "original");
}

TEST_F(PatchSetIdeTest, RemovalPutsBackEverySlotAndEntryButWhatStays) {
    ExpectEverythingPutBack(FullRun());
}

TEST_F(PatchSetIdeTest, AFarEastLocaleLeavesOutExactlyTheFileNameRows) {
    const ProbeReport report = RunIde({"rows", {}, true});
    ASSERT_FALSE(report.Find("checks", "done").words.empty()) << report.Text();
    ExpectRows(report, true);
    ExpectEverythingPutBack(report);

    // The diagnostic log says why.
    std::set<std::string> logged, fileNameRows;
    for (const std::string& e : LogEvents(ToravexLog("rows-fareast")))
        if (e.ends_with(": Far-East locale")) logged.insert(e.substr(9, e.size() - 9 - 17));
    for (const Expected& e : kExpected)
        if (e.fileName) fileNameRows.insert(e.name);
    EXPECT_EQ(logged, fileNameRows);
}

TEST_F(PatchSetIdeTest, TwoThreadsCompareThroughCallSitesBeingRewrittenAndLoadLibrariesAtOnce) {
    const ProbeReport report = RunIde({"stress", {}});
    const Line compares = report.Find("stress"), loads = report.Find("stress-loads");
    EXPECT_GE(compares.Number("compares"), 2000000) << report.Text();
    EXPECT_EQ(compares["wrong"], "0");
    EXPECT_EQ(compares["equality-sites"], "56/56") << "every equality caller ended at the equality compare";
    EXPECT_EQ(compares["ordering-sites"], "28/28");
    EXPECT_EQ(compares["straddling-sites"], "12/12") << "calls whose displacement straddles a cache line stay";
    EXPECT_GE(loads.Number("loads"), 1200);
    EXPECT_EQ(loads["wrong"], "0");
    ExpectEverythingPutBack(report);
}

namespace {

// "<how> <what>" of "made <how> <what>" lines, and the removals.
struct LogFacts {
    std::map<std::string, std::string> imports;  // what -> "imports" or "imports+stub"
    std::set<std::string> entries, copies, removed, leftOut;
};

LogFacts Facts(const std::vector<std::string>& events) {
    LogFacts f;
    for (const std::string& e : events) {
        std::istringstream in(e);
        std::string first, how, what;
        in >> first >> how >> what;
        if (first == "made" && how.rfind("imports", 0) == 0) f.imports[what] = how;
        if (first == "made" && how == "entry") f.entries.insert(what);
        if (first == "made" && how == "code-copy") f.copies.insert(what);
        if (first == "removed" && how == "entry") f.removed.insert(what);
        if (first == "left" && how == "out") f.leftOut.insert(e);
    }
    return f;
}

// The log names a routine of the C runtime by its library.
std::string LogName(const std::string& probeName) {
    return probeName[0] == '@' ? probeName : "msvcrt.dll!" + probeName;
}

}  // namespace

TEST_F(PatchSetIdeTest, TheDiagnosticLogSaysLineByLineWhatWasInstalledAndRemoved) {
    const ProbeReport& report = FullRun();
    const std::vector<std::string> events = LogEvents(ToravexLog("full"));
    ASSERT_GT(events.size(), 50u) << report.Text();

    // The start line: build, processor target and every slot's variant, as
    // this process finds them on the same processor.
    toravex::PrepareProcessorDetection();
    toravex::PrepareFastMove();
    toravex::PrepareRoutineTable();
    const std::string start = events.front();
    EXPECT_EQ(start.rfind("start Toravex10 build 100 target " + std::to_string(toravex::RoutineTarget) + " (" +
                              toravex::RoutineTargetName(toravex::RoutineTarget) + ") slots ",
                          0),
              0u)
        << start;
    for (const toravex::NamedSlot& slot : toravex::NamedSlots(toravex::Slots))
        EXPECT_NE(start.find(std::string(" ") + slot.name + "=" + toravex::FindVariant(slot.routine)->name), std::string::npos)
            << slot.name << " in " << start;
    EXPECT_NE(start.find(std::string(" Move=") + toravex::FindVariant(reinterpret_cast<const void*>(toravex::MoveSlot))->name),
              std::string::npos);
    EXPECT_EQ(std::count(events.begin(), events.end(),
                         "options NoFastSys=0 NoFastObj=0 HookAllDlls=0 HookBplOnly=1 SetShortCuts=1 ThreadSafeStrings=1"),
              1);

    // Every row as the probe found it installed, and nothing the log claims
    // that the probe did not find.
    const LogFacts log = Facts(events);
    for (const Line& row : report.All("row")) {
        const std::string name = row.words[1], logName = LogName(name);
        SCOPED_TRACE(name);
        EXPECT_EQ(log.entries.count(logName) == 1, row["entry"] == "jump");
        if (row["slotA"] == "none") continue;  // the core package does not import it
        const auto made = log.imports.find(logName);
        const std::string how = made == log.imports.end() ? "-" : made->second;
        EXPECT_EQ(how, row["slotA"] == "stub" ? "imports+stub" : row["slotA"] == "plugin" ? "imports" : "-");
    }
    for (const char* routine : {"LoadLibraryA", "LoadLibraryExW", "FreeLibrary"})
        EXPECT_EQ(log.imports.count(std::string("kernel32.dll!") + routine) == 1,
                  report.Find("kernel32", routine)["slotA"] == "plugin")
            << routine;
    EXPECT_EQ(log.copies, (std::set<std::string>{Contnrs_TObjectList_Notify.decorated}));
    EXPECT_EQ(report.Find("notify")["copied"], "1");

    // Left out here only what this build, this process or the host has not.
    for (const std::string& e : log.leftOut)
        EXPECT_TRUE(e.ends_with(": not in this build") || e.ends_with(": not loaded") ||
                    e.ends_with(": more than one processor") || e == "left out msvcrt.dll!stricmp: missing export")
            << e;

    // Start-up ends before the removals, which take away every entry jump
    // but those made for good (the comparisons and the wide-string store)
    // and the thread-priority hook, which took itself away.
    // The IDE hooks of the start-up steps are made with them; only those the
    // IDE's own progress brings (the palette with the first package, the
    // menus at the end of start-up) may come later.
    const auto done = std::find(events.begin(), events.end(), "start-up done");
    ASSERT_NE(done, events.end());
    for (const char* hook : {"made ide FormCloseHook", "made ide ColorBoxHooks"})
        EXPECT_NE(std::find(events.begin(), done, hook), done) << hook;
    for (auto e = done; e != events.end(); ++e)
        EXPECT_TRUE(e->rfind("made ", 0) != 0 || e->rfind("made ide ", 0) == 0) << *e;
    std::set<std::string> removable = log.entries;
    for (const std::string& stays : {std::string(System_LStrCmp.decorated), std::string(System_WStrCmp.decorated),
                                     std::string("WideStringStore"), std::string("kernel32.dll!SetThreadPriority")})
        removable.erase(stays);
    EXPECT_EQ(log.removed, removable);
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& e) { return e.rfind("removed imports: ", 0) == 0; }),
              1);
    EXPECT_EQ(events.back(), "shut down");
}
