#include "IdeRun.h"

#include <thread>

#include "TestSupport.h"

namespace idetest {

long IdeRun::Line(const std::string& line) const {
    const bool prefix = !line.empty() && line.back() == ' ';
    for (size_t i = 0; i < log.size(); ++i)
        if (prefix ? log[i].rfind(line, 0) == 0 : log[i] == line) return static_cast<long>(i);
    return -1;
}

std::vector<std::string> IdeRun::Lines(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : log)
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
}

bool IdeRun::Has(const std::string& line) const {
    for (const std::string& l : log)
        if (l == line) return true;
    return false;
}

std::function<bool(const std::vector<std::string>&)> Logged(const std::string& prefix, int count) {
    return [prefix, count](const std::vector<std::string>& log) {
        int n = 0;
        for (const std::string& line : log) n += line.rfind(prefix, 0) == 0;
        return n >= count;
    };
}

namespace {

// This process's environment with one more variable, as CreateProcess takes it.
std::vector<char> EnvironmentWith(const std::string& variable) {
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* p = strings; *p; p += lstrlenA(p) + 1) block.insert(block.end(), p, p + lstrlenA(p) + 1);
    FreeEnvironmentStringsA(strings);
    block.insert(block.end(), variable.begin(), variable.end());
    block.push_back(0);
    block.push_back(0);
    return block;
}

void Run(IdeRun& run, const std::string& root, int index) {
    const std::string exe = run.build >= 90 ? "bds.exe" : "delphi32.exe";
    const std::string logFile =
        testsupport::TempDir() + "\\ide-run-" + std::to_string(index) + "-" + std::to_string(GetTickCount()) + ".log";
    DeleteFileA(logFile.c_str());
    std::string commandLine = testsupport::EmulatedIdeDir(run.build) + "\\" + exe + " -r" +
                              (run.root.empty() ? root : run.root) + " -log:" + logFile +
                              " " + run.arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> environment;
    if (!run.environment.empty()) environment = EnvironmentWith(run.environment);
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                        environment.empty() ? nullptr : environment.data(), nullptr, &startup, &process)) {
        run.exitCode = -1;
        return;
    }
    const DWORD until = GetTickCount() + static_cast<DWORD>(run.timeoutMs);
    bool stopped = false;
    while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
        if (run.stopWhen && run.stopWhen(testsupport::ReadLines(logFile))) {
            Sleep(500);
            TerminateProcess(process.hProcess, 3);
            stopped = true;
        } else if (static_cast<int>(until - GetTickCount()) < 0) {
            TerminateProcess(process.hProcess, 2);
            stopped = true;
        }
    }
    WaitForSingleObject(process.hProcess, 10000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    run.exitCode = stopped ? -3 : static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.log = testsupport::ReadLines(logFile);
}

}  // namespace

void RunAll(std::vector<IdeRun*> runs, const std::string& root) {
    // Two at a time: the machine's cores.
    for (size_t first = 0; first < runs.size(); first += 2) {
        std::vector<std::thread> threads;
        for (size_t i = first; i < runs.size() && i < first + 2; ++i)
            threads.emplace_back([&, i] { Run(*runs[i], root, static_cast<int>(i)); });
        for (std::thread& t : threads) t.join();
    }
}

}  // namespace idetest
