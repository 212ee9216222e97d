// The object probe: an IDE expert that watches the managed-data and object
// replacements from inside the emulated IDE and writes what it sees to a
// report (OBJECTPROBE_REPORT). The test registers it twice around Toravex
// ("AObjectProbe", "Toravex", "ZObjectProbe"):
//   - its first entry, before the plug-in loads, keeps the runtime classes'
//     slots and TObject.NewInstance's entry, and hears of every module
//     unload after the plug-in (the runtime tells the procedures added last
//     first);
//   - its second entry, after the plug-in installed itself, reports what was
//     redirected and hears of every unload before the plug-in;
//   - it keeps itself loaded, so at process exit it is detached after the
//     plug-in's teardown and checks that every slot and entry is as before.
// Report lines:
//   installed newinstance=<0|1> new=<0|1> dispose=... isclass=...
//   unload <module> before=<n> after=<n> inside=<n> others=<n> runtime=<n>
//       the module's classes with a stub in their NewInstance slot before and
//       after the plug-in heard of it, those whose slot leads into the module
//       again, the classes with a stub in the first design package and among
//       the runtime's own classes
//   counts <when> new=<n> dispose=<n> ... entries of the runtime's routines
//   exit runtime=<restored>/<classes> newinstance=<0|1>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "HostCall.h"
#include "HostNames.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

namespace n = hostnames;

HMODULE Rtl() { return GetModuleHandleA("rtl100.bpl"); }
void* Export(const n::HostName& name) { return reinterpret_cast<void*>(GetProcAddress(Rtl(), name.decorated)); }

void Report(const std::string& line) {
    char file[MAX_PATH];
    if (!GetEnvironmentVariableA("OBJECTPROBE_REPORT", file, sizeof file)) return;
    if (FILE* f = std::fopen(file, "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

bool Inside(HMODULE module, const void* address) {
    MEMORY_BASIC_INFORMATION info;
    return module && VirtualQuery(address, &info, sizeof info) && info.AllocationBase == module;
}

void* Slot(const void* cls, int offset) { return *reinterpret_cast<void* const*>(static_cast<const char*>(cls) + offset); }

// A NewInstance stub of the plug-in: B8 <accelerator> E9 <into the plug-in>.
bool HoldsStub(const void* cls) {
    auto* code = static_cast<const uint8_t*>(Slot(cls, -12));
    if (code[0] != 0xB8 || code[5] != 0xE9) return false;
    return Inside(GetModuleHandleA("Toravex10.dll"), code + 10 + *reinterpret_cast<const int32_t*>(code + 6));
}

// A jump written at a routine's entry, into the plug-in.
bool JumpsIntoPlugin(const void* entry) {
    auto* code = static_cast<const uint8_t*>(entry);
    return entry && code[0] == 0xE9 &&
           Inside(GetModuleHandleA("Toravex10.dll"), code + 5 + *reinterpret_cast<const int32_t*>(code + 1));
}

void* const* ShapeClasses(HMODULE module) {
    auto list = reinterpret_cast<void* const* (*)()>(GetProcAddress(module, "ShapeClasses"));
    return list ? list() : nullptr;
}

int Accelerated(HMODULE module) {
    int count = 0;
    if (void* const* classes = ShapeClasses(module))
        for (; *classes; ++classes) count += HoldsStub(*classes);
    return count;
}

std::string NameOf(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, sizeof path - 1);
    const char* name = std::strrchr(path, '\\');
    return name ? name + 1 : path;
}

struct Routine {
    const char* key;
    const n::HostName* name;
};
const Routine kRoutines[] = {{"new", &n::System_New},
                             {"dispose", &n::System_Dispose},
                             {"initializearray", &n::System_InitializeArray},
                             {"finalizearray", &n::System_FinalizeArray},
                             {"dynarrayclear", &n::System_DynArrayClear},
                             {"isclass", &n::System_IsClass}};

void ReportCounts(const char* when) {
    auto count = reinterpret_cast<int32_t (*)(const char*)>(GetProcAddress(Rtl(), "EmuHostEntryCount"));
    std::string line = std::string("counts ") + when;
    for (const Routine& r : kRoutines) line += " " + std::string(r.key) + "=" + std::to_string(count(r.name->decorated));
    Report(line);
}

struct Kept {
    const void* cls;
    void* newInstance;
    void* freeInstance;
};
std::vector<Kept> gRuntimeClasses;
uint8_t gNewInstanceEntry[5];
std::map<uint32_t, int> gBefore;  // module -> classes with a stub before the plug-in heard of its unload
int gEntries = 0;

void HOSTCALL BeforePluginHearsOfUnload(uint32_t module) {
    gBefore[module] = Accelerated(reinterpret_cast<HMODULE>(module));
}

void HOSTCALL AfterPluginHeardOfUnload(uint32_t module) {
    HMODULE m = reinterpret_cast<HMODULE>(module);
    void* const* classes = ShapeClasses(m);
    if (!classes) return;
    int inside = 0;
    for (void* const* c = classes; *c; ++c) inside += Inside(m, Slot(*c, -12));
    HMODULE first = GetModuleHandleA("dclemu01.bpl");
    int runtime = 0;
    for (const Kept& k : gRuntimeClasses) runtime += HoldsStub(k.cls);
    Report("unload " + NameOf(m) + " before=" + std::to_string(gBefore[module]) +
           " after=" + std::to_string(Accelerated(m)) + " inside=" + std::to_string(inside) +
           " others=" + std::to_string(first && first != m ? Accelerated(first) : -1) +
           " runtime=" + std::to_string(runtime));
}

using UnloadProc = void(HOSTCALL*)(uint32_t);
void AddUnloadProc(UnloadProc proc) {
    reinterpret_cast<void(HOSTCALL*)(UnloadProc)>(Export(n::System_AddModuleUnloadProc))(proc);
}

void FirstEntry() {
    char self[MAX_PATH];
    GetModuleFileNameA(reinterpret_cast<HMODULE>(&__ImageBase), self, sizeof self);
    LoadLibraryA(self);  // detached only at process exit, after the plug-in
    for (const n::HostName* name : {&n::System_TObject, &n::System_TInterfacedObject, &n::Classes_TList,
                                    &n::Contnrs_TObjectList, &n::Classes_TInterfaceList, &n::Sysutils_Exception,
                                    &n::Sysutils_EConvertError, &n::Classes_EListError, &n::Sysutils_EOSError}) {
        const void* cls = Export(*name);
        gRuntimeClasses.push_back({cls, Slot(cls, -12), Slot(cls, -8)});
    }
    std::memcpy(gNewInstanceEntry, Export(n::System_TObject_NewInstance), 5);
    AddUnloadProc(&AfterPluginHeardOfUnload);
}

void SecondEntry() {
    std::string line = "installed newinstance=" + std::to_string(JumpsIntoPlugin(Export(n::System_TObject_NewInstance)));
    for (const Routine& r : kRoutines) line += " " + std::string(r.key) + "=" + std::to_string(JumpsIntoPlugin(Export(*r.name)));
    Report(line);
    ReportCounts("installed");
    AddUnloadProc(&BeforePluginHearsOfUnload);
}

void AtExit() {
    ReportCounts("exit");
    int restored = 0;
    for (const Kept& k : gRuntimeClasses)
        restored += Slot(k.cls, -12) == k.newInstance && Slot(k.cls, -8) == k.freeInstance;
    Report("exit runtime=" + std::to_string(restored) + "/" + std::to_string(gRuntimeClasses.size()) +
           " newinstance=" + std::to_string(std::memcmp(gNewInstanceEntry, Export(n::System_TObject_NewInstance), 5) == 0));
}

void HOSTCALL NoTermination() {}

}  // namespace

extern "C" BOOL WINAPI InitWizard0001(void*, void*, void (HOSTCALL** terminate)()) {
    if (++gEntries == 1)
        FirstEntry();
    else if (gEntries == 2)
        SecondEntry();
    if (terminate) *terminate = &NoTermination;
    return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved && gEntries >= 2) AtExit();
    return TRUE;
}
