// For every host helper a replacement calls, an emulated IDE whose runtime
// package lacks that helper (built without its name, FAILCLOSED_HELPERS):
// Toravex10 leaves out exactly the rows of its patch table and the IDE
// hooks that call the helper, its diagnostic log names each of them with the helper, and the
// IDE's start-up work gives the results it gives without the plug-in.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FailClosedSupport.h"
#include "HostNames.h"
#include "TestSupport.h"
#include "base/BuildProfile.h"
#include "ide/IdeHookNeeds.h"
#include "ide/PackageImportResolver.h"
#include "runtime/FastObj.h"
#include "runtime/FastSys.h"
#include "runtime/RuntimePatchTable.h"

using namespace failclosed;
using namespace testsupport;
using namespace toravex;

namespace {

struct NamedHost {
    const char* id;
    const hostnames::HostName* name;
};
const NamedHost kHostNames[] = {
#define HOST_EXPORT(id, module, builds, name) {#id, &hostnames::id},
#define HOST_DATA(id, module, builds, name) HOST_EXPORT(id, module, builds, name)
#define HOST_RAISES(id, module, builds, name) HOST_EXPORT(id, module, builds, name)
#include "HostExports.inc"
#undef HOST_EXPORT
#undef HOST_DATA
#undef HOST_RAISES
};

const hostnames::HostName* HostNameOf(const std::string& id) {
    for (const NamedHost& n : kHostNames)
        if (id == n.id) return n.name;
    return nullptr;
}

bool InThisBuild(const hostnames::HostName& name) { return (name.builds & Profile().hostBuild) != 0; }

std::string RowName(const PatchRow& row) {
    return row.routine.host ? row.routine.host->decorated
                            : std::string(row.routine.systemModule) + "!" + row.routine.systemName;
}

bool RowExists(const PatchRow& row) {
    return (!row.onlyWhen || Profile().*row.onlyWhen) && (!row.routine.host || InThisBuild(*row.routine.host));
}

bool Lists(const HostNeeds& needs, const hostnames::HostName* helper) {
    return std::find(std::begin(needs.names), std::end(needs.names), helper) != std::end(needs.names);
}

bool Needs(const PatchRow& row, const hostnames::HostName* helper) { return Lists(row.needs, helper); }

// The managed-data routines and the object accelerator (named by the
// routine it redirects) with the host names they call.
std::vector<std::pair<std::string, const HostNeeds*>> ManagedDataSteps() {
    std::vector<std::pair<std::string, const HostNeeds*>> steps;
    for (const ManagedDataRoutine& r : FastSysRoutines())
        if (InThisBuild(*r.routine)) steps.push_back({r.routine->decorated, r.needs});
    for (const HostNeeds* needs : FastObjNeeds())
        steps.push_back({hostnames::System_TObject_NewInstance.decorated, needs});
    return steps;
}

bool HookExists(const IdeHook& hook) { return !hook.onlyWhen || Profile().*hook.onlyWhen; }

bool Needs(const IdeHook& hook, const hostnames::HostName* helper) {
    for (const HostNeeds* needs : hook.needs)
        if (needs && std::find(std::begin(needs->names), std::end(needs->names), helper) != std::end(needs->names))
            return true;
    return false;
}

// The rows and IDE hooks that call the helper, by their names in the log.
// The emulated IDE's run lasts past the end of its start-up, so that every
// hook of the build is looked at.
std::set<std::string> RowsCalling(const hostnames::HostName* helper) {
    std::set<std::string> rows;
    for (const PatchRow& row : RuntimePatchRows())
        if (RowExists(row) && Needs(row, helper)) rows.insert(RowName(row));
    for (const IdeHook& hook : kIdeHooks)
        if (HookExists(hook) && Needs(hook, helper)) rows.insert(hook.what);
    for (const auto& [name, needs] : ManagedDataSteps())
        if (Lists(*needs, helper)) rows.insert(name);
    // The lock-free string assignments take host memory; they are made
    // only on single-processor machines.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    if (info.dwNumberOfProcessors <= 1 && (helper == &hostnames::System_GetMem || helper == &hostnames::System_FreeMem))
        rows.insert({hostnames::System_LStrLAsg.decorated, hostnames::System_LStrAsg.decorated});
    return rows;
}

// The "<what>" of the log's "left out <what>: missing helper <name>" lines.
std::set<std::string> LeftOutFor(const std::vector<std::string>& log, const std::string& helper) {
    std::set<std::string> rows;
    const std::string tail = ": missing helper " + helper;
    for (const std::string& event : log)
        if (event.rfind("left out ", 0) == 0 && event.size() > tail.size() &&
            event.compare(event.size() - tail.size(), tail.size(), tail) == 0)
            rows.insert(event.substr(9, event.size() - tail.size() - 9));
    return rows;
}

std::string VariantDir(const std::string& id) { return BuildDir() + "\\tests\\failclosed\\without-" + id; }

}  // namespace

TEST(MissingHelpers, EveryHelperAReplacementNeedsHasAnEmulatedRuntimeWithoutIt) {
    const std::vector<std::string> helpers = Split(FAILCLOSED_HELPERS, ',');
    for (const PatchRow& row : RuntimePatchRows())
        for (const hostnames::HostName* name : row.needs.names)
            if (name && InThisBuild(*name)) {
                const auto built = std::find_if(helpers.begin(), helpers.end(),
                                                [&](const std::string& id) { return HostNameOf(id) == name; });
                EXPECT_NE(built, helpers.end()) << name->decorated << " (needed by " << RowName(row) << ")";
            }
    for (const IdeHook& hook : kIdeHooks)
        for (const HostNeeds* needs : hook.needs) {
            if (!needs) continue;
            for (const hostnames::HostName* name : needs->names)
                if (name && name->module == hostnames::Module::RTL && InThisBuild(*name)) {
                    const auto built = std::find_if(helpers.begin(), helpers.end(),
                                                    [&](const std::string& id) { return HostNameOf(id) == name; });
                    EXPECT_NE(built, helpers.end()) << name->decorated << " (needed by " << hook.what << ")";
                }
        }
    for (const auto& [step, needs] : ManagedDataSteps())
        for (const hostnames::HostName* name : needs->names)
            if (name && InThisBuild(*name)) {
                const auto built = std::find_if(helpers.begin(), helpers.end(),
                                                [&](const std::string& id) { return HostNameOf(id) == name; });
                EXPECT_NE(built, helpers.end()) << name->decorated << " (needed by " << step << ")";
            }
}

TEST(MissingHelpers, EachMissingHelperLeavesOutExactlyTheRowsThatCallItAndTheWorkIsRight) {
    const std::vector<std::string> helpers = Split(FAILCLOSED_HELPERS, ',');
    ASSERT_FALSE(helpers.empty());
    // Each emulated IDE without the plug-in (the checksum its packages give)
    // and with it.
    std::vector<IdeRun> runs;
    for (const std::string& id : helpers) {
        runs.push_back({VariantDir(id), "", {}, {}, id + "-without"});
        runs.push_back({VariantDir(id), BinDir() + "\\Toravex10.dll", {}, {}, id + "-with"});
    }
    const std::vector<IdeResult> results = RunEmulatedIdes(runs);

    for (size_t i = 0; i < helpers.size(); ++i) {
        const std::string& id = helpers[i];
        SCOPED_TRACE(id);
        const hostnames::HostName* helper = HostNameOf(id);
        ASSERT_NE(helper, nullptr);
        // The runtime really lacks the name: a look-up finds nothing.
        const std::string runtimePath = VariantDir(id) + "\\rtl100.bpl";
        HMODULE runtime = LoadLibraryExA(runtimePath.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        ASSERT_NE(runtime, nullptr) << runtimePath;
        EXPECT_EQ(GetProcAddress(runtime, helper->decorated), nullptr);
        FreeLibrary(runtime);

        const IdeResult& without = results[2 * i];
        const IdeResult& with = results[2 * i + 1];
        ASSERT_TRUE(without.Clean()) << without.Describe();
        ASSERT_EQ(without.workload.rfind("packages=1 ", 0), 0u) << without.Describe();
        EXPECT_TRUE(with.Clean()) << with.Describe();
        EXPECT_EQ(with.workload, without.workload) << with.Describe();

        const std::set<std::string> expected = RowsCalling(helper);
        // The package unit index's InitializePackage hook is made only in
        // the builds that have the index: in this one its helpers leave
        // nothing out.
        const bool onlyForTheIndex = !Profile().hasPackageUnitIndex &&
                                     std::count(std::begin(kInitializePackageNeeds.names),
                                                std::end(kInitializePackageNeeds.names), helper) > 0;
        // A name only the IDE hooks of other builds call leaves nothing out
        // in this one.
        const bool onlyOtherBuilds = std::any_of(std::begin(kIdeHooks), std::end(kIdeHooks), [&](const IdeHook& h) {
            return !HookExists(h) && Needs(h, helper);
        }) && expected.empty();
        if (!onlyForTheIndex && !onlyOtherBuilds) EXPECT_FALSE(expected.empty());
        EXPECT_EQ(LeftOutFor(with.toravexLog, helper->decorated), expected) << with.Describe();
        // No other helper is missing, and no row that calls this one was made.
        for (const std::string& event : with.toravexLog) {
            if (event.find(": missing helper ") != std::string::npos) {
                EXPECT_NE(event.find(helper->decorated), std::string::npos) << event;
            }
            if (event.rfind("made ", 0) == 0) {
                EXPECT_EQ(expected.count(event.substr(event.rfind(' ') + 1)), 0u) << event;
            }
        }
    }
}
