// Runs the emulated IDE of a build as a separate process with switches of a
// test, under a registry root of its own, and reads its log: several runs
// may go side by side. A run that does not end by itself is ended once its
// log shows what the test waited for.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace idetest {

struct IdeRun {
    IdeRun(int buildNumber, std::string switches) : build(buildNumber), arguments(std::move(switches)) {}

    int build = 100;
    std::string arguments;  // the test's switches
    // Optional: the run is ended (its process terminated) once this holds
    // for the log, 500 ms later; the exit code is then -3.
    std::function<bool(const std::vector<std::string>&)> stopWhen;
    int timeoutMs = 120000;
    // Optional: the registry root of this run, instead of RunAll's.
    std::string root;
    // Optional: one more environment variable for the process, "NAME=value".
    std::string environment;

    // Results.
    int exitCode = -1;
    std::vector<std::string> log;

    // The index of the first log line equal to `line`, or, when it ends
    // with a blank, starting with it; -1 when there is none.
    long Line(const std::string& line) const;
    std::vector<std::string> Lines(const std::string& prefix) const;
    bool Has(const std::string& line) const;
};

// Starts every run, waits for all of them, fills in their results. `root`
// names the registry root below \Software\Borland (the IDE's -r switch).
void RunAll(std::vector<IdeRun*> runs, const std::string& root);

// A log predicate: at least `count` lines start with prefix.
std::function<bool(const std::vector<std::string>&)> Logged(const std::string& prefix, int count = 1);

}  // namespace idetest
