#include "FailClosedSupport.h"

#include <windows.h>

#include <atomic>
#include <cctype>
#include <cstring>
#include <map>
#include <thread>

#include "TestSupport.h"

namespace failclosed {

using namespace testsupport;

std::string IdeResult::Describe() const {
    std::string text = "exit code " + std::to_string(exitCode) + "\nIDE log:\n";
    for (const std::string& line : ideLog) text += "  " + line + "\n";
    text += "Toravex log:\n";
    for (const std::string& line : toravexLog) text += "  " + line + "\n";
    return text;
}

std::string EventOf(const std::string& line) {
    // "<pid> <hh:mm:ss.mmm> <event>"
    const size_t first = line.find(' ');
    const size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    return second == std::string::npos ? line : line.substr(second + 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t from = 0;
    while (from <= text.size()) {
        const size_t to = text.find(separator, from);
        const std::string part = text.substr(from, to == std::string::npos ? std::string::npos : to - from);
        if (!part.empty()) parts.push_back(part);
        if (to == std::string::npos) break;
        from = to + 1;
    }
    return parts;
}

namespace {

// The tag as a part of file and key names.
std::string NamePart(const std::string& tag) {
    std::string name = tag;
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '-';
    return name;
}

// This process's environment with the overrides set, as CreateProcess takes
// it: names compare without regard to case.
std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& overrides) {
    struct NoCase {
        bool operator()(const std::string& a, const std::string& b) const { return _stricmp(a.c_str(), b.c_str()) < 0; }
    };
    std::map<std::string, std::string, NoCase> variables;
    char* block = GetEnvironmentStringsA();
    for (const char* p = block; *p; p += std::strlen(p) + 1) {
        const std::string entry(p);
        const size_t eq = entry.find('=', 1);  // names like "=C:" start with one
        if (eq != std::string::npos) variables[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsA(block);
    for (const auto& [name, value] : overrides) variables[name] = value;
    std::string text;
    for (const auto& [name, value] : variables) text += name + "=" + value + '\0';
    return text + '\0';
}

// Like RunProgram, with an environment of its own.
int RunWithEnvironment(const std::string& exe, const std::string& arguments, std::string environment) {
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, environment.data(), nullptr, &si,
                        &pi))
        return -1;
    DWORD code = static_cast<DWORD>(-2);
    if (WaitForSingleObject(pi.hProcess, 90000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, static_cast<UINT>(-2));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

}  // namespace

IdeResult RunEmulatedIde(const IdeRun& run) {
    const std::string name = NamePart(run.tag);
    const std::string root = "ToravexFailClosed" + std::to_string(GetCurrentProcessId()) + "-" + name;
    const std::string key = "Software\\Borland\\" + root + "\\4.0";
    const std::string ideLog = TempDir() + "\\ide-" + name + ".log";
    const std::string toravexLog = TempDir() + "\\toravex-" + name + ".log";
    DeleteFileA(ideLog.c_str());
    DeleteFileA(toravexLog.c_str());
    DeleteKeyTree("Software\\Borland\\" + root);
    if (!run.expert.empty()) WriteString(key + "\\Experts", "Toravex", run.expert);
    for (const std::string& package : run.designPackages) WriteString(key + "\\Known Packages", package, "package");

    std::vector<std::pair<std::string, std::string>> environment = run.environment;
    environment.emplace_back("TORAVEX_LOG", toravexLog);
    IdeResult result;
    result.exitCode = RunWithEnvironment(run.ideDir + "\\bds.exe", "-r" + root + " -autoclose:500 -log:" + ideLog,
                                         EnvironmentBlock(environment));
    DeleteKeyTree("Software\\Borland\\" + root);

    result.ideLog = ReadLines(ideLog);
    result.exitLogged = !result.ideLog.empty() && result.ideLog.back() == "exit 0";
    for (const std::string& line : result.ideLog)
        if (line.rfind("workload ", 0) == 0) result.workload = line.substr(9, line.find(" ms=") - 9);
    for (const std::string& line : ReadLines(toravexLog))
        if (!line.empty()) result.toravexLog.push_back(EventOf(line));
    return result;
}

std::vector<IdeResult> RunEmulatedIdes(const std::vector<IdeRun>& runs) {
    TempDir();  // made once, before the threads ask for it
    std::vector<IdeResult> results(runs.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next++) < runs.size();) results[i] = RunEmulatedIde(runs[i]);
    };
    std::thread second(work);
    work();
    second.join();
    return results;
}

}  // namespace failclosed
