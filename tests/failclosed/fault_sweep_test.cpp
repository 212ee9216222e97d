// The fault build of Toravex10 (build/tests/failclosed/faults) in the
// emulated IDE, with one platform operation failing at a time: a refused
// protection change, a failed allocation of executable pages, a store that
// does not take, a module or export not found, unreadable bytes. Every run
// must end the IDE's start-up work with the checksum of a run without the
// plug-in and exit cleanly. The sample, from a run without a fault that
// counts the calls: for each operation its first, middle and last call, and
// all of its calls at once.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "FailClosedSupport.h"
#include "TestSupport.h"

using namespace failclosed;
using namespace testsupport;

namespace {

std::string FaultBuild() { return BuildDir() + "\\tests\\failclosed\\faults\\Toravex10.dll"; }

// The calls of each operation, from the fault build's report line
// "calls any=<n> protect=<n> ... failed=<what>".
std::map<std::string, long> Calls(const std::string& reportFile, std::string* failed) {
    std::map<std::string, long> calls;
    const std::vector<std::string> lines = ReadLines(reportFile);
    if (lines.empty()) return calls;
    for (const std::string& field : Split(lines.back(), ' ')) {
        const size_t eq = field.find('=');
        if (eq == std::string::npos) continue;
        if (field.compare(0, eq, "failed") == 0)
            *failed = field.substr(eq + 1);
        else
            calls[field.substr(0, eq)] = std::atol(field.c_str() + eq + 1);
    }
    return calls;
}

// The calls of an operation that a run fails: its first, its middle and its
// last call (at start-up, while the IDE runs, at shut-down), and once every
// call from the first on.
std::vector<std::string> FaultsOf(const std::string& operation, long total) {
    std::set<long> calls;
    if (total > 0) calls = {1, (total + 1) / 2, total};
    std::vector<std::string> faults;
    for (long n : calls) faults.push_back(operation + ":" + std::to_string(n));
    if (total > 1) faults.push_back(operation + ":1+");
    return faults;
}

}  // namespace

TEST(FaultSweep, EveryRunEndsTheStartUpWorkWithTheRightChecksumAndExitsCleanly) {
    const std::string ide = EmulatedIdeDir(100);
    const std::vector<std::string> packages = {ide + "\\dclemu01.bpl"};
    const std::string report = TempDir() + "\\faults.txt";

    const IdeResult plain = RunEmulatedIde({ide, "", packages, {}, "plain"});
    ASSERT_TRUE(plain.Clean()) << plain.Describe();
    ASSERT_EQ(plain.workload.rfind("packages=1 ", 0), 0u) << plain.Describe();

    // A run without a fault counts the calls of each operation.
    DeleteFileA(report.c_str());
    const IdeResult counted =
        RunEmulatedIde({ide, FaultBuild(), packages, {{"TORAVEX_FAULT_REPORT", report}}, "counted"});
    ASSERT_TRUE(counted.Clean()) << counted.Describe();
    ASSERT_EQ(counted.workload, plain.workload) << counted.Describe();
    std::string failed;
    const std::map<std::string, long> calls = Calls(report, &failed);
    ASSERT_EQ(failed, "none");
    ASSERT_GT(calls.at("any"), 0);

    std::vector<std::string> faults;
    for (const auto& [operation, total] : calls)
        if (operation != "any")
            for (const std::string& fault : FaultsOf(operation, total)) faults.push_back(fault);

    // Each run reports into a file of its own.
    auto reportOf = [&](size_t i) { return report + "." + std::to_string(i); };
    std::vector<IdeRun> ideRuns;
    for (size_t i = 0; i < faults.size(); ++i) {
        DeleteFileA(reportOf(i).c_str());
        ideRuns.push_back({ide, FaultBuild(), packages,
                           {{"TORAVEX_FAULT", faults[i]}, {"TORAVEX_FAULT_REPORT", reportOf(i)}}, "fault " + faults[i]});
    }
    const std::vector<IdeResult> results = RunEmulatedIdes(ideRuns);

    int unclean = 0, faulted = 0;
    for (size_t i = 0; i < faults.size(); ++i) {
        const std::string& fault = faults[i];
        const IdeResult& run = results[i];
        SCOPED_TRACE(fault);
        if (!run.Clean()) ++unclean;
        EXPECT_TRUE(run.Clean()) << run.Describe();
        EXPECT_EQ(run.workload, plain.workload) << run.Describe();
        // A run that fails a first call surely reached it; a later call may
        // not come once an earlier failure changed the course.
        std::string injected;
        Calls(reportOf(i), &injected);
        if (injected != "none" && !injected.empty()) ++faulted;
        if (fault.ends_with(":1") || fault.ends_with(":1+")) {
            EXPECT_TRUE(!injected.empty() && injected != "none") << run.Describe();
        }
    }
    std::printf("fault sweep: %zu runs over %ld platform calls (", faults.size(), calls.at("any"));
    for (const auto& [operation, total] : calls) std::printf(" %s=%ld", operation.c_str(), total);
    std::printf(" ), %d with a failed call, %d unclean\n", faulted, unclean);
    EXPECT_EQ(unclean, 0);
}
