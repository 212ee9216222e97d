// A stand-in for the plug-in library, and a tiny IDE expert that reports
// what it sees of the real one ("Toravex10.dll"): whether it is loaded when
// the IDE's expert loading reaches the probe, and how many references the
// process holds on it then and when the IDE ends. The report goes to the
// probe's own file name followed by ".log".
#include <windows.h>
#include <winternl.h>

#include <cstdio>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// The loader's reference count of a module, from the process's module list.
// Wine keeps it where Windows XP does; only tests read it.
int ReferencesOf(HMODULE module) {
    struct Entry {
        LIST_ENTRY inLoadOrder, inMemoryOrder, inInitializationOrder;
        void* base;
        void* entryPoint;
        ULONG imageSize;
        UNICODE_STRING fullName, baseName;
        ULONG flags;
        USHORT loadCount;
    };
    PEB* peb;
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
    const LIST_ENTRY* list = &peb->Ldr->InMemoryOrderModuleList;
    for (const LIST_ENTRY* link = list->Flink; link != list; link = link->Flink) {
        auto* entry = CONTAINING_RECORD(link, Entry, inMemoryOrder);
        if (entry->base == module) return entry->loadCount;
    }
    return 0;
}

void Report(const char* event) {
    char path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(reinterpret_cast<HMODULE>(&__ImageBase), path, MAX_PATH);
    lstrcpyA(path + length, ".log");
    HMODULE library = GetModuleHandleA("Toravex10.dll");
    if (FILE* log = std::fopen(path, "a")) {
        std::fprintf(log, "%s loaded=%d references=%d\n", event, library ? 1 : 0, ReferencesOf(library));
        std::fclose(log);
    }
}

void Terminate() { Report("terminate"); }

}  // namespace

extern "C" __declspec(dllexport) int ProbeReferencesOf(HMODULE module) { return ReferencesOf(module); }

extern "C" BOOL WINAPI InitWizard0001(void*, void*, void** terminate) {
    Report("init");
    if (terminate) *terminate = reinterpret_cast<void*>(&Terminate);
    return TRUE;
}
