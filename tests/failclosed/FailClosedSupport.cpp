#include "FailClosedSupport.h"

#include <windows.h>

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

IdeResult RunEmulatedIde(const IdeRun& run) {
    const std::string root = "ToravexFailClosed" + std::to_string(GetCurrentProcessId());
    const std::string key = "Software\\Borland\\" + root + "\\4.0";
    const std::string ideLog = TempDir() + "\\ide-" + run.tag + ".log";
    const std::string toravexLog = TempDir() + "\\toravex-" + run.tag + ".log";
    DeleteFileA(ideLog.c_str());
    DeleteFileA(toravexLog.c_str());
    DeleteKeyTree("Software\\Borland\\" + root);
    if (!run.expert.empty()) WriteString(key + "\\Experts", "Toravex", run.expert);
    for (const std::string& package : run.designPackages) WriteString(key + "\\Known Packages", package, "package");

    SetEnvironmentVariableA("TORAVEX_LOG", toravexLog.c_str());
    for (const auto& [name, value] : run.environment) SetEnvironmentVariableA(name.c_str(), value.c_str());
    IdeResult result;
    result.exitCode = RunProgram(run.ideDir + "\\bds.exe", "-r" + root + " -autoclose:0 -log:" + ideLog, 90000);
    for (const auto& variable : run.environment) SetEnvironmentVariableA(variable.first.c_str(), nullptr);
    SetEnvironmentVariableA("TORAVEX_LOG", nullptr);
    DeleteKeyTree("Software\\Borland\\" + root);

    result.ideLog = ReadLines(ideLog);
    result.exitLogged = !result.ideLog.empty() && result.ideLog.back() == "exit 0";
    for (const std::string& line : result.ideLog)
        if (line.rfind("workload ", 0) == 0) result.workload = line.substr(9, line.find(" ms=") - 9);
    for (const std::string& line : ReadLines(toravexLog))
        if (!line.empty()) result.toravexLog.push_back(EventOf(line));
    return result;
}

}  // namespace failclosed
