#include "CompilerIdeRun.h"

#include <windows.h>
#include <shlobj.h>

#include "HostBuilds.h"
#include "TestSupport.h"

namespace compilertest {

namespace {
int gRuns = 0;
}

std::string FreshFolder(const std::string& name) {
    const std::string folder = testsupport::TempDir() + "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            SetFileAttributesA((folder + "\\" + data.cFileName).c_str(), 0);
            DeleteFileA((folder + "\\" + data.cFileName).c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    return folder;
}

std::string CacheEntry(int n, const char* extension) {
    char folder[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder);
    return std::string(folder) + "\\Toravex\\bcbide_dynxmlserializer.cached." + std::to_string(n) + extension;
}

void ClearCompilerCache() {
    for (int n = 1; n <= 9; ++n)
        for (const char* extension : {".cs", ".dll", ".tmp", ".err"}) {
            SetFileAttributesA(CacheEntry(n, extension).c_str(), 0);
            DeleteFileA(CacheEntry(n, extension).c_str());
        }
}

IdeRun::IdeRun(int version, bool withPlugin) : version_(version) {
    root_ = "ToravexCompilerTest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++gRuns);
    key_ = "Software\\Borland\\" + root_ + "\\" + emuhost::HostBuildFor(version).versionKey;
    log_ = testsupport::TempDir() + "\\" + root_ + ".log";
    testsupport::DeleteKeyTree("Software\\Borland\\" + root_);
    if (withPlugin)
        testsupport::WriteString(key_ + "\\Experts", "Toravex",
                                 testsupport::BinDir() + "\\Toravex" + std::to_string(version / 10) + ".dll");
}

IdeRun::~IdeRun() { testsupport::DeleteKeyTree("Software\\Borland\\" + root_); }

int IdeRun::Start(const std::string& arguments) {
    DeleteFileA(log_.c_str());
    return testsupport::RunProgram(testsupport::EmulatedIdeDir(version_) + "\\" + emuhost::HostBuildFor(version_).ideExecutable,
                                   "-r" + root_ + " -log:" + log_ + " " + arguments, 240000);
}

std::vector<std::string> IdeRun::Lines() const { return testsupport::ReadLines(log_); }

std::vector<std::string> IdeRun::LinesStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : Lines())
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
}

std::string IdeRun::Line(const std::string& prefix) const {
    std::vector<std::string> lines = LinesStartingWith(prefix);
    return lines.size() == 1 ? lines[0] : "";
}

std::string IdeRun::WithoutTime(const std::string& line) {
    const size_t at = line.find(" ms=");
    return at == std::string::npos ? line : line.substr(0, at);
}

}  // namespace compilertest
