// Starting an emulated IDE under a registry root of its own and reading what
// it logged: the compile switch (-compile:<project>) and the C# compiler runs
// (-csc:<folder>) of emuhost/ide.
#pragma once

#include <string>
#include <vector>

namespace compilertest {

// An empty folder of that name in the test program's temporary folder.
std::string FreshFolder(const std::string& name);

// The compiler call cache's entry n with that extension (".dll", ".cs" ...)
// in this user's local application-data folder, as the plug-in names it;
// and the removal of entries 1 to 9 (tests holding the lock "compilercache").
std::string CacheEntry(int n, const char* extension);
void ClearCompilerCache();

class IdeRun {
public:
    // A fresh registry root and log for one test; Toravex<suffix>.dll as an
    // expert when withPlugin.
    IdeRun(int version, bool withPlugin);
    ~IdeRun();

    // Starts the IDE with these extra arguments and waits for its end; its
    // exit code.
    int Start(const std::string& arguments);

    // The log lines of the last start; the ones that start with prefix.
    std::vector<std::string> Lines() const;
    std::vector<std::string> LinesStartingWith(const std::string& prefix) const;
    // The one line that starts with prefix ("" when there is not exactly one).
    std::string Line(const std::string& prefix) const;
    // A line without its " ms=<time>" part.
    static std::string WithoutTime(const std::string& line);

    const std::string& log() const { return log_; }

private:
    int version_;
    std::string root_, key_, log_;
};

}  // namespace compilertest
