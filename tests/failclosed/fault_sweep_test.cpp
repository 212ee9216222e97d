// The fault build of Toravex10 (build/tests/failclosed/faults) in the
// emulated IDE, with one platform operation failing at a time: a refused
// protection change, a failed allocation of executable pages, a store that
// does not take, a module or export not found, unreadable bytes. Swept over
// the calls a run makes (a spread sample of each operation's calls, and a
// few runs where an operation fails from some call on), every run must end
// the IDE's start-up work with the checksum of a run without the plug-in
// and exit cleanly.
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

// Up to `count` call numbers of 1..total: the first calls, the last, and
// evenly spread between.
std::set<long> Spread(long total, int count) {
    std::set<long> n;
    for (long first = 1; first <= 3 && first <= total; ++first) n.insert(first);
    if (total > 0) n.insert(total);
    for (int i = 1; i < count - 3 && total > 4; ++i) n.insert(1 + (total - 1) * i / (count - 3));
    return n;
}

}  // namespace

TEST(FaultSweep, EveryRunEndsTheStartUpWorkWithTheRightChecksumAndExitsCleanly) {
    const std::string ide = EmulatedIdeDir(100);
    const std::vector<std::string> packages = {ide + "\\dclemu01.bpl", ide + "\\dclemu02.bpl"};
    const std::string report = TempDir() + "\\faults.txt";

    const IdeResult plain = RunEmulatedIde({ide, "", packages, {}, "plain"});
    ASSERT_TRUE(plain.Clean()) << plain.Describe();
    ASSERT_EQ(plain.workload.rfind("packages=2 ", 0), 0u) << plain.Describe();

    // A run without a fault counts the calls of each operation.
    DeleteFileA(report.c_str());
    const IdeResult counted = RunEmulatedIde({ide, FaultBuild(), packages, {{"TORAVEX_FAULT_REPORT", report}}, "counted"});
    ASSERT_TRUE(counted.Clean()) << counted.Describe();
    ASSERT_EQ(counted.workload, plain.workload) << counted.Describe();
    std::string failed;
    const std::map<std::string, long> calls = Calls(report, &failed);
    ASSERT_EQ(failed, "none");
    ASSERT_GT(calls.at("any"), 0);

    std::vector<std::string> faults;
    for (const auto& [operation, total] : calls) {
        if (operation == "any") continue;
        for (long n : Spread(total, 6)) faults.push_back(operation + ":" + std::to_string(n));
        // The operation failing from its first call on.
        if (total > 0) faults.push_back(operation + ":1+");
    }
    for (long n : Spread(calls.at("any"), 12)) faults.push_back("any:" + std::to_string(n));

    int runs = 0, unclean = 0, faulted = 0;
    for (const std::string& fault : faults) {
        SCOPED_TRACE(fault);
        DeleteFileA(report.c_str());
        const IdeResult run = RunEmulatedIde(
            {ide, FaultBuild(), packages, {{"TORAVEX_FAULT", fault}, {"TORAVEX_FAULT_REPORT", report}}, "fault"});
        ++runs;
        if (!run.Clean()) ++unclean;
        EXPECT_TRUE(run.Clean()) << run.Describe();
        EXPECT_EQ(run.workload, plain.workload) << run.Describe();
        // A run that fails a first call surely reached it; a later call may
        // not come once an earlier failure changed the course.
        std::string injected;
        Calls(report, &injected);
        if (injected != "none") ++faulted;
        if (fault.ends_with(":1") || fault.ends_with(":1+")) EXPECT_NE(injected, "none") << run.Describe();
    }
    std::printf("fault sweep: %d runs over %ld platform calls (", runs, calls.at("any"));
    for (const auto& [operation, total] : calls) std::printf(" %s=%ld", operation.c_str(), total);
    std::printf(" ), %d with a failed call, %d unclean\n", faulted, unclean);
    EXPECT_EQ(unclean, 0);
}
