#include <windows.h>
#include <shlobj.h>

#include "SetupPlatform.h"

namespace setup {

std::string IncludeTrailingDelimiter(const std::string& path) {
    return !path.empty() && path.back() == '\\' ? path : path + "\\";
}

std::string FolderOf(const std::string& path) {
    size_t last = path.find_last_of("\\:");
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

bool Win32SetupPlatform::IsWin9xFamily() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

std::string Win32SetupPlatform::AppDataFolder() {
    LPITEMIDLIST list = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &list) != S_OK || !list) return {};
    char path[MAX_PATH] = {};
    BOOL found = SHGetPathFromIDListA(list, path);
    CoTaskMemFree(list);
    std::string folder = found ? path : "";
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

std::string Win32SetupPlatform::ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return FolderOf(std::string(path, length < sizeof path ? length : 0));
}

bool Win32SetupPlatform::FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32SetupPlatform::CopyFileOver(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

void Win32SetupPlatform::ClearAttributes(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

bool Win32SetupPlatform::RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool Win32SetupPlatform::ForceFolders(const std::string& folder) {
    std::string path = folder;
    while (!path.empty() && path.back() == '\\') path.pop_back();
    if (path.empty()) return false;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::string parent = FolderOf(path);
    // A drive ("C:\") or the root of the current drive ("\") exists already.
    if (parent.size() > 1 && parent.back() == '\\' && parent[parent.size() - 2] != ':' && !ForceFolders(parent))
        return false;
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

void Win32SetupPlatform::RemoveFolder(const std::string& folder) { RemoveDirectoryA(folder.c_str()); }

}  // namespace setup
