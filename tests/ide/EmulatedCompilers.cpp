#include "EmulatedCompilers.h"

#include <map>

#include "TestSupport.h"

namespace compilertest {

namespace {

unsigned BuildBit(int version) {
    switch (version) {
        case 100: return hostnames::B100;
        case 90: return hostnames::B90;
        case 70: return hostnames::B70;
        case 60: return hostnames::B60;
        default: return hostnames::B50;
    }
}

HMODULE Load(int version, const std::string& file) {
    const std::string path = testsupport::EmulatedIdeDir(version) + "\\" + file;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

const void* gHandedOver = nullptr;
void __stdcall TakeTable(const void* callbacks) { gHandedOver = callbacks; }

}  // namespace

const EmulatedCompilers& LoadEmulatedCompilers(int version) {
    static std::map<int, EmulatedCompilers> loaded;
    auto found = loaded.find(version);
    if (found != loaded.end()) return found->second;

    EmulatedCompilers c{};
    c.version = version;
    c.buildBit = BuildBit(version);
    testsupport::LoadEmulatedRuntime(version);
    const std::string n = std::to_string(version);
    c.core = Load(version, version == 50 ? "coride50.bpl" : "coreide" + n + ".bpl");
    c.startupModule = version >= 90 ? Load(version, "delphicoreide" + n + ".bpl") : c.core;
    c.dcc = Load(version, "dcc" + n + ".dll");
    const char* cpp = version >= 90 ? "comp32x.dll" : "comp32p.dll";
    if (!GetModuleHandleA(cpp)) c.cpp = Load(version, cpp);

    const hostnames::HostName* names[] = {&hostnames::Pascppcominout_PascalWin32CompilerInit,
                                          &hostnames::Pascppcominout_PascalCompilerInit,
                                          &hostnames::Cominout_PascalCompilerInit};
    for (const hostnames::HostName* name : names)
        if (name->builds & c.buildBit)
            c.startupRoutine = reinterpret_cast<const uint8_t*>(GetProcAddress(c.startupModule, name->decorated));
    if (c.startupRoutine) {
        gHandedOver = nullptr;
        using Startup = void(__attribute__((regparm(3))) *)(void(__stdcall*)(const void*));
        reinterpret_cast<Startup>(const_cast<uint8_t*>(c.startupRoutine))(&TakeTable);
        c.callbacks = static_cast<uint32_t*>(const_cast<void*>(gHandedOver));
        if (auto initialize = c.Export<emucompiler::DccInitializeProc>(c.dcc, "DccInitialize"))
            initialize(c.callbacks);
    }
    return loaded.emplace(version, c).first->second;
}

std::string CompilerProjectFile() { return testsupport::BuildDir() + "\\emuide\\compiler-project\\Project.units"; }
std::string CompilerProjectFolder(int folder) {
    return testsupport::BuildDir() + "\\emuide\\compiler-project\\source" + std::to_string(folder);
}

ConstantHostString::ConstantHostString(const std::string& text) : text_(text) {
    const int32_t header[2] = {-1, static_cast<int32_t>(text.size())};
    buffer_.assign(reinterpret_cast<const char*>(header), sizeof header);
    buffer_ += text;
    buffer_ += std::string(4, '\0');
}

// The import slot through which a module calls a kernel32 routine.
uint32_t* KernelSlot(HMODULE module, const char* routine) {
    const uint32_t address = Word(GetProcAddress(GetModuleHandleA("kernel32.dll"), routine));
    auto* base = reinterpret_cast<uint8_t*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (_stricmp(reinterpret_cast<char*>(base + d->Name), "kernel32.dll") != 0) continue;
        for (auto* slot = reinterpret_cast<uint32_t*>(base + d->FirstThunk); *slot; ++slot)
            if (*slot == address) return slot;
    }
    return nullptr;
}

// The age the host gives a file: its local last-write time as DOS date and time.
int32_t DosAge(const std::string& file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data)) return -1;
    FILETIME local;
    WORD date, time;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    return static_cast<int32_t>(uint32_t(date) << 16 | time);
}

HostCallFrame CallC(const void* routine, std::initializer_list<uint32_t> arguments) {
    HostCallFrame frame{};
    frame.stackCount = static_cast<uint32_t>(arguments.size());
    int i = static_cast<int>(arguments.size());
    for (uint32_t argument : arguments) frame.stack[--i] = argument;
    testsupport_host_call(routine, &frame);
    return frame;
}

}  // namespace compilertest
