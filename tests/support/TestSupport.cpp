#include "TestSupport.h"

#include <fstream>
#include <sstream>

#include "base/StepTrace.h"

namespace testsupport {

std::string BuildDir() { return TORAVEX_BUILD_DIR; }
std::string BinDir() { return BuildDir() + "\\bin"; }
std::string EmulatedIdeDir(int packageVersion) {
    return BuildDir() + "\\emuide\\" + std::to_string(packageVersion) + "\\bin";
}

std::string TempDir() {
    static std::string dir;
    if (dir.empty()) {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        dir = std::string(base) + "toravex-test-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir.c_str(), nullptr);
    }
    return dir;
}

HMODULE LoadEmulatedRuntime(int packageVersion) {
    const char* name = packageVersion == 50 ? "vcl50.bpl" : nullptr;
    std::string file = name ? name : "rtl" + std::to_string(packageVersion) + ".bpl";
    if (HMODULE h = GetModuleHandleA(file.c_str())) return h;
    return LoadLibraryA((EmulatedIdeDir(packageVersion) + "\\" + file).c_str());
}

void DeleteKeyTree(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    for (;;) {
        char sub[512];
        DWORD size = sizeof sub;
        if (RegEnumKeyExA(key, 0, sub, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteKeyTree(path + "\\" + sub);
    }
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

static HKEY CreateKey(const std::string& path) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

void WriteDword(const std::string& path, const std::string& name, DWORD value) {
    HKEY key = CreateKey(path);
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void WriteString(const std::string& path, const std::string& name, const std::string& value) {
    HKEY key = CreateKey(path);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

bool KeyExists(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool ReadString(const std::string& path, const std::string& name, std::string& value) {
    char data[2048];
    DWORD size = sizeof data, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return false;
    value.assign(data, size && data[size - 1] == 0 ? size - 1 : size);
    return true;
}

int RunProgram(const std::string& exe, const std::string& arguments, DWORD timeoutMs) {
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    DWORD code = static_cast<DWORD>(-2);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, static_cast<UINT>(-2));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadTextFile(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

namespace {
std::vector<std::string> gSteps;
void Record(const char* step) { gSteps.emplace_back(step); }
}  // namespace

StepRecorder::StepRecorder() {
    gSteps.clear();
    toravex::SetStepObserver(&Record);
}
StepRecorder::~StepRecorder() { toravex::SetStepObserver(nullptr); }
const std::vector<std::string>& StepRecorder::Steps() const { return gSteps; }
std::vector<std::string> StepRecorder::StepsWithPrefix(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& s : gSteps)
        if (s.rfind(prefix, 0) == 0) out.push_back(s);
    return out;
}
void StepRecorder::Clear() { gSteps.clear(); }

}  // namespace testsupport
