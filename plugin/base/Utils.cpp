#include "base/Utils.h"

#include <shlobj.h>

#include "base/StringHash.h"
#include "base/SystemPlatform.h"

namespace toravex {

HostString ProgramDirectory;

void CreateFileAgeCache();
void FreeFileAgeCache();

namespace {

// The host's ExtractFileDir: up to the last "\" or ":", without that "\"
// unless it follows a drive or another delimiter.
HostString ExtractFileDir(const char* path, int32_t length) {
    int32_t i = length;
    while (i > 0 && path[i - 1] != '\\' && path[i - 1] != ':') --i;
    if (i > 1 && path[i - 1] == '\\' && path[i - 2] != '\\' && path[i - 2] != ':') --i;
    return HostString(path, i);
}

}  // namespace

void PrepareUtils() {
    CreateFileAgeCache();
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ProgramDirectory = length > 0 && length < sizeof path ? ExtractFileDir(path, static_cast<int32_t>(length))
                                                          : HostString();
}

void TeardownUtils() {
    FreeFileAgeCache();
    ProgramDirectory.Clear();
}

HostString LocalAppDataFolder() {
    HostString folder;
    LPITEMIDLIST items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_LOCAL_APPDATA, &items)) && items) {
        char path[MAX_PATH];
        if (SHGetPathFromIDListA(items, path)) folder = TrimPathDelimiter(HostString(path).Get());
    }
    if (items) {
        IMalloc* shellAllocator = nullptr;
        if (SUCCEEDED(SHGetMalloc(&shellAllocator)) && shellAllocator) {
            shellAllocator->Free(items);
            shellAllocator->Release();
        }
    }
    return folder;
}

bool IsWinNT() { return Platform().Family() == VER_PLATFORM_WIN32_NT; }

IMAGE_NT_HEADERS32* CheckedNtHeaders(const void* module) {
    SystemPlatform& platform = Platform();
    if (!module || !platform.IsReadable(module, sizeof(IMAGE_DOS_HEADER))) return nullptr;
    const auto* dos = static_cast<const IMAGE_DOS_HEADER*>(module);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew == 0) return nullptr;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS32*>(reinterpret_cast<uintptr_t>(module) +
                                                     static_cast<uint32_t>(dos->e_lfanew));
    if (!platform.IsReadable(nt, sizeof(IMAGE_NT_HEADERS32)) || nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
    return nt;
}

}  // namespace toravex
