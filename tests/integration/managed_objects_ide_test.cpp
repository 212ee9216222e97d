// The emulated IDE's start-up work with the managed-data and object
// replacements: the same results with the plug-in, with "NoFastObj", with
// "NoFastSys" and without the plug-in; and what the object probe
// (ObjectProbe.dll, an expert registered before and after Toravex10.dll)
// sees: the redirections, a design package released while the IDE runs
// (its package manager's -packages:release) giving its classes back while the others stay accelerated, the host's
// routines no longer entered, and everything as before at exit.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "TestSupport.h"

using namespace testsupport;

namespace {

const std::string kOptions = "Software\\Kalvoro\\Toravex\\10";

// A report line's words, and its key=value fields.
struct Line {
    std::vector<std::string> words;
    std::map<std::string, std::string> fields;
    int operator[](const std::string& key) const {
        auto it = fields.find(key);
        return it == fields.end() ? -99 : std::atoi(it->second.c_str());
    }
    std::string Text(const std::string& key) const {
        auto it = fields.find(key);
        return it == fields.end() ? "<missing " + key + ">" : it->second;
    }
};

struct IdeRun {
    int exitCode = -1;
    std::string workload;  // "packages=N checksum=X"
    std::vector<Line> report;
    std::vector<Line> All(const std::string& first, const std::string& second = "") const {
        std::vector<Line> found;
        for (const Line& l : report)
            if (!l.words.empty() && l.words[0] == first && (second.empty() || (l.words.size() > 1 && l.words[1] == second)))
                found.push_back(l);
        return found;
    }
    Line One(const std::string& first, const std::string& second = "") const {
        auto all = All(first, second);
        EXPECT_EQ(all.size(), 1u) << first << " " << second;
        return all.empty() ? Line{} : all[0];
    }
};

IdeRun RunIde(bool plugin, const std::vector<std::pair<const char*, DWORD>>& options, const std::string& label) {
    const std::string root = "ToravexObjectTest" + std::to_string(GetCurrentProcessId());
    const std::string key = "Software\\Borland\\" + root + "\\4.0";
    const std::string report = TempDir() + "\\objects-" + label + ".txt", log = report + ".log";
    DeleteFileA(report.c_str());
    DeleteFileA(log.c_str());
    DeleteKeyTree("Software\\Borland\\" + root);
    DeleteKeyTree(kOptions);
    for (const auto& [name, value] : options) WriteDword(kOptions, name, value);
    if (plugin) {
        const std::string probe = BuildDir() + "\\tests\\ObjectProbe.dll";
        WriteString(key + "\\Experts", "AObjectProbe", probe);
        WriteString(key + "\\Experts", "Toravex", BinDir() + "\\Toravex10.dll");
        WriteString(key + "\\Experts", "ZObjectProbe", probe);
    }
    SetEnvironmentVariableA("OBJECTPROBE_REPORT", report.c_str());
    IdeRun run;
    run.exitCode = RunProgram(EmulatedIdeDir(100) + "\\bds.exe",
                              "-r" + root + " -autoclose:3000 -packages:release=dclemu02.bpl -log:" + log, 180000);
    DeleteKeyTree("Software\\Borland\\" + root);
    DeleteKeyTree(kOptions);
    for (const std::string& l : ReadLines(log))
        if (l.rfind("workload ", 0) == 0) run.workload = l.substr(9, l.find(" ms=") - 9);
    for (const std::string& text : ReadLines(report)) {
        Line line;
        std::istringstream in(text);
        for (std::string w; in >> w;) {
            line.words.push_back(w);
            const size_t eq = w.find('=');
            if (eq != std::string::npos) line.fields[w.substr(0, eq)] = w.substr(eq + 1);
        }
        run.report.push_back(line);
    }
    return run;
}

// Each configuration started once, shared by the tests.
const IdeRun& Without() {
    static const IdeRun run = RunIde(false, {}, "without");
    return run;
}
const IdeRun& Full() {
    static const IdeRun run = RunIde(true, {}, "full");
    return run;
}
const IdeRun& NoFastObj() {
    static const IdeRun run = RunIde(true, {{"NoFastObj", 1}}, "nofastobj");
    return run;
}
const IdeRun& NoFastSys() {
    static const IdeRun run = RunIde(true, {{"NoFastSys", 1}}, "nofastsys");
    return run;
}

const char* const kManagedRoutines[] = {"new", "dispose", "initializearray", "finalizearray", "dynarrayclear",
                                        "isclass"};

}  // namespace

TEST(ManagedObjectsIde, TheStartUpWorkGivesTheSameResultsWithAndWithoutTheReplacements) {
    for (const IdeRun* run : {&Without(), &Full(), &NoFastObj(), &NoFastSys()}) EXPECT_EQ(run->exitCode, 0);
    EXPECT_EQ(Without().workload.rfind("packages=30 checksum=", 0), 0u) << Without().workload;
    EXPECT_EQ(Full().workload, Without().workload);
    EXPECT_EQ(NoFastObj().workload, Without().workload);
    EXPECT_EQ(NoFastSys().workload, Without().workload);
}

TEST(ManagedObjectsIde, TheSixManagedDataRoutinesAndObjectCreationJumpIntoThePluginAndTheHostsAreNoLongerEntered) {
    const Line installed = Full().One("installed");
    EXPECT_EQ(installed["newinstance"], 1);
    const Line before = Full().One("counts", "installed"), after = Full().One("counts", "exit");
    for (const char* routine : kManagedRoutines) {
        EXPECT_EQ(installed[routine], 1) << routine;
        EXPECT_EQ(after[routine], before[routine]) << routine;
    }
}

TEST(ManagedObjectsIde, TheReleasedPackageGetsItsClassesBackWhileTheOthersStayAccelerated) {
    const std::vector<Line> unloads = Full().All("unload");
    ASSERT_EQ(unloads.size(), 30u);
    // The second design package, released while the IDE runs: its nine
    // accelerated classes (all but the 6-byte one and the one with its own
    // NewInstance) had stubs, have none now, and all eleven slots lead into
    // the package again; the first package's classes keep their stubs.
    EXPECT_EQ(unloads[0].words[1], "dclemu02.bpl");
    EXPECT_EQ(unloads[0]["others"], 9);
    // The runtime's own classes the work creates (TList, TObjectList,
    // TInterfacedObject) are accelerated too.
    EXPECT_EQ(unloads[0]["runtime"], 3);
    for (const Line& u : unloads) {
        EXPECT_EQ(u["before"], 9) << u.words[1];
        EXPECT_EQ(u["after"], 0) << u.words[1];
        EXPECT_EQ(u["inside"], 11) << u.words[1];
    }
}

TEST(ManagedObjectsIde, AtExitEveryRuntimeClassAndObjectCreationAreAsBefore) {
    for (const IdeRun* run : {&Full(), &NoFastObj(), &NoFastSys()}) {
        const Line exit = run->One("exit");
        EXPECT_EQ(exit.Text("runtime"), "9/9");
        EXPECT_EQ(exit["newinstance"], 1);
    }
}

TEST(ManagedObjectsIde, EachOptionLeavesItsOwnPartToTheHost) {
    const Line noObj = NoFastObj().One("installed");
    EXPECT_EQ(noObj["newinstance"], 0);
    for (const Line& u : NoFastObj().All("unload")) EXPECT_EQ(u["before"], 0) << u.words[1];
    const Line noSys = NoFastSys().One("installed");
    EXPECT_EQ(noSys["newinstance"], 1);
    const Line before = NoFastSys().One("counts", "installed"), after = NoFastSys().One("counts", "exit");
    for (const char* routine : kManagedRoutines) {
        EXPECT_EQ(noObj[routine], 1) << routine;
        EXPECT_EQ(noSys[routine], 0) << routine;
    }
    // The start-up work calls each of them through the host again.
    for (const char* routine : {"new", "dispose", "initializearray", "finalizearray", "dynarrayclear", "isclass"})
        EXPECT_GT(after[routine], before[routine]) << routine;
}
