// Runs of an emulated IDE for the fail-closed tests: under a registry root
// of their own, with an expert or none, the environment a run needs, and
// what the run left behind (exit code, IDE log, workload line, the
// plug-in's diagnostic log).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace failclosed {

struct IdeRun {
    std::string ideDir;                                       // the folder of bds.exe
    std::string expert;                                       // registered under "Experts"; "" for none
    std::vector<std::string> designPackages;                  // "Known Packages"; none: those beside bds.exe
    std::vector<std::pair<std::string, std::string>> environment;  // set for the run only
    std::string tag;                                          // names the run's files and registry root
};

struct IdeResult {
    int exitCode = -1;
    bool exitLogged = false;       // the IDE's log ends its shut-down with "exit 0"
    std::string workload;          // "packages=<n> checksum=<x>" of the workload line
    std::vector<std::string> ideLog;
    std::vector<std::string> toravexLog;  // the diagnostic log (TORAVEX_LOG), events only
    // Whether the run ended cleanly: exit code 0 and its last log line.
    bool Clean() const { return exitCode == 0 && exitLogged; }
    std::string Describe() const;  // for failure messages
};

// Runs the IDE (closing itself once its main window shows) with the
// plug-in's diagnostic log switched on.
IdeResult RunEmulatedIde(const IdeRun& run);
// Runs them two at a time (each under its own registry root, with its own
// environment and files: their tags differ); the results in their order.
std::vector<IdeResult> RunEmulatedIdes(const std::vector<IdeRun>& runs);

// The event of a diagnostic log line: the line without its process id and
// time.
std::string EventOf(const std::string& line);

std::vector<std::string> Split(const std::string& text, char separator);

}  // namespace failclosed
