// The runtime's module list: every package and library built with the host
// registers its module record at process attach and removes it at detach,
// and may bring a language resource module that holds its translated
// resources.
#include <windows.h>

#include <cstring>

#include "EmuRuntime.h"

namespace {

// "C:\dir\Pkg.bpl" with its extension replaced by `extension` (no dot).
bool WithExtension(const char* path, const char* extension, char (&out)[MAX_PATH]) {
    const char* dot = std::strrchr(path, '.');
    const char* slash = std::strrchr(path, '\\');
    const size_t stem = dot && (!slash || dot > slash) ? static_cast<size_t>(dot - path) : std::strlen(path);
    if (stem + 1 + std::strlen(extension) + 1 > sizeof out) return false;
    std::memcpy(out, path, stem);
    out[stem] = '.';
    std::strcpy(out + stem + 1, extension);
    return true;
}

HMODULE LoadAsResourceModule(const char* path, const char* extension) {
    char file[MAX_PATH];
    if (!WithExtension(path, extension, file) || GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) return nullptr;
    return LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

}  // namespace

extern "C" {

hostabi::LibModule* emu_System_LibModuleList = nullptr;

void HOSTCALL emu_System_RegisterModule(hostabi::LibModule* module) {
    module->next = emu_System_LibModuleList;
    emu_System_LibModuleList = module;
}

void HOSTCALL emu_System_UnregisterModule(hostabi::LibModule* module) {
    for (hostabi::LibModule** link = &emu_System_LibModuleList; *link; link = &(*link)->next) {
        if (*link == module) {
            *link = module->next;
            return;
        }
    }
}

// The resource module of the user's language beside the module: its file
// name with the language's three-letter abbreviation as extension ("ENU"),
// else the first two letters ("EN"); 0 when there is none.
uint32_t HOSTCALL emu_System_LoadResourceModule(const char* moduleName, int8_t /*checkOwner*/) {
    char language[8] = {};
    if (!moduleName || !GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, language, sizeof language))
        return 0;
    HMODULE module = LoadAsResourceModule(moduleName, language);
    if (!module) {
        language[2] = 0;
        module = LoadAsResourceModule(moduleName, language);
    }
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(module));
}

uint32_t HOSTCALL emu_System_LoadResourceModule50(const char* moduleName) {
    return emu_System_LoadResourceModule(moduleName, 1);
}

}
