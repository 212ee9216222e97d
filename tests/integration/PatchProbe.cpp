// The patch probe: an IDE expert that watches Toravex's runtime patch set
// from inside the emulated IDE and writes what it sees to a report
// (PATCHPROBE_REPORT) for the test to judge. The test registers it twice
// around Toravex ("APatchProbe", "Toravex", "ZPatchProbe"), so the IDE calls
// its entry before the plug-in is loaded (a copy of every import slot and
// routine entry is taken) and again after the plug-in installed itself (the
// start-up checks, and a timer for the checks after start-up). It keeps
// itself loaded, so that at process exit it is notified after the plug-in
// has removed its patches, and compares everything with the copy.
//
// PATCHPROBE_MODE: "full" (everything), "rows" (the patch set's rows and the
// removal), "loader" (the dependency scans of new libraries), "stress".
// PATCHPROBE_MODULES: the folder of the probe's test modules;
// PATCHPROBE_WORK: a folder with the files the test prepared.
#include "PatchProbe.h"

#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "HostCall.h"
#include "HostNames.h"
#include "ProbeImage.h"
#include "ProbeRows.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace probe {

using namespace hostnames;

void Report(const std::string& line) {
    static const std::string file = Env("PATCHPROBE_REPORT");
    HANDLE h = CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}

std::string Env(const char* name) {
    char value[2048];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n && n < sizeof value ? std::string(value, n) : std::string();
}

HMODULE CoreLoadLibraryA(const char* fileName) {
    auto load = reinterpret_cast<HMODULE (*)(const char*)>(GetProcAddress(GetModuleHandleA(kCore), "CoreLoadLibraryA"));
    return load ? load(fileName) : nullptr;
}

HMODULE CoreLoadLibraryExW(const wchar_t* fileName, DWORD flags) {
    auto load = reinterpret_cast<HMODULE (*)(const wchar_t*, HANDLE, DWORD)>(
        GetProcAddress(GetModuleHandleA(kCore), "CoreLoadLibraryExW"));
    return load ? load(fileName, nullptr, flags) : nullptr;
}

namespace {
// Libraries the probe loaded after the installation; their slots are judged
// against the loader's own resolution at removal.
std::vector<HMODULE> gLaterModules;
}  // namespace

void RememberLaterModule(HMODULE module) {
    if (module && !(reinterpret_cast<uintptr_t>(module) & 0xFFFF)) gLaterModules.push_back(module);
}

namespace {

bool IsCallSiteStub(const void* code) {
    MEMORY_BASIC_INFORMATION m;
    if (!VirtualQuery(code, &m, sizeof m) || m.Type != MEM_PRIVATE) return false;
    auto* p = static_cast<const uint8_t*>(code);
    return p[0] == 0x50 && Contains(GetModuleHandleA(kPlugin), JumpTarget(p + 28));
}

// Where a slot leads: "host" (the routine itself), "plugin" (into the
// plug-in library), "stub" (a call-site stub that jumps into it), "none"
// (no slot) or "other".
std::string SlotClass(void** slot, const void* host) {
    if (!slot) return "none";
    const void* value = *slot;
    if (value == host) return "host";
    if (Contains(GetModuleHandleA(kPlugin), value)) return "plugin";
    return IsCallSiteStub(value) ? "stub" : "other";
}

std::string Hex(uint32_t v) {
    char s[16];
    std::snprintf(s, sizeof s, "%08X", v);
    return s;
}

// ---- The copy taken before the plug-in is loaded.

struct SlotCopy {
    std::string module;
    ImportSlot slot;
    void* value;
};
struct EntryCopy {
    std::string name;
    const void* entry;
    EntryBytes bytes;
};
std::vector<SlotCopy> gSlots;
std::vector<EntryCopy> gEntries;
bool gCopied = false;

const char* const kKernelRoutines[] = {"LoadLibraryA", "LoadLibraryExW", "FreeLibrary", "CreateProcessW",
                                       "SetThreadPriority"};

void TakeCopy() {
    for (const char* name : {static_cast<const char*>(nullptr), kRuntime, kCore, "msvcrt.dll"}) {
        HMODULE m = GetModuleHandleA(name);
        for (const ImportSlot& s : ImportSlots(m)) gSlots.push_back({name ? name : "exe", s, *s.slot});
    }
    auto copyEntry = [](const std::string& name, const void* entry) {
        if (entry) gEntries.push_back({name, entry, ReadEntry(entry)});
    };
    HMODULE rtl = GetModuleHandleA(kRuntime);
#define HOST_EXPORT(id, module, builds, name) copyEntry(name, reinterpret_cast<void*>(GetProcAddress(rtl, name)));
#define HOST_DATA(id, module, builds, name)
#define HOST_RAISES(id, module, builds, name) HOST_EXPORT(id, module, builds, name)
#include "HostExports.inc"
#undef HOST_EXPORT
#undef HOST_DATA
#undef HOST_RAISES
    for (const char* name : kKernelRoutines)
        copyEntry(name, reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
    for (const char* name : {"memset", "memmove", "memcpy", "strcmp", "_stricmp", "strlen"})
        copyEntry(name, reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), name)));
    gCopied = true;
}

const EntryCopy* CopyOf(const std::string& name) {
    for (const EntryCopy& e : gEntries)
        if (e.name == name) return &e;
    return nullptr;
}

// "original", "jump" (a jump into the plug-in), or "changed".
std::string EntryClass(const std::string& name) {
    const EntryCopy* e = CopyOf(name);
    if (!e) return "none";
    if (std::memcmp(e->entry, e->bytes.bytes, 5) == 0) return "original";
    return Contains(GetModuleHandleA(kPlugin), JumpTarget(e->entry)) ? "jump" : "changed";
}

int32_t Entered(const char* name) {
    auto count = reinterpret_cast<int32_t (*)(const char*)>(
        GetProcAddress(GetModuleHandleA(kRuntime), "EmuHostEntryCount"));
    return count ? count(name) : -1;
}

// ---- The rows of the patch set, reached three ways.

void CheckRows(HMODULE later) {
    HMODULE core = GetModuleHandleA(kCore);
    for (int i = 0; i < kRowCount; ++i) {
        const Row& row = kRows[i];
        void* host = reinterpret_cast<void*>(GetProcAddress(RowModule(row), row.name));
        if (!host) {
            Report(std::string("row ") + row.name + " absent");
            continue;
        }
        const char* library = row.cRuntime ? "msvcrt.dll" : kRuntime;
        void** slotA = FindImportSlot(core, library, row.name);
        void** slotC = FindImportSlot(later, library, row.name);
        // The second run counts: caches are filled and call sites settled.
        auto run = [&](void** slot, void* routine, int32_t& entered) -> std::string {
            if (slot) routine = *slot;
            if (!routine) return "-";
            Exercise(row, routine);
            const int32_t before = Entered(row.name);
            const uint32_t digest = Exercise(row, routine);
            entered = before < 0 ? -1 : Entered(row.name) - before;
            return Hex(digest);
        };
        int32_t a = -1, b = -1, c = -1;
        const std::string ra = run(slotA, nullptr, a), rb = run(nullptr, host, b), rc = run(slotC, nullptr, c);
        char counts[96];
        std::snprintf(counts, sizeof counts, " enteredA=%d enteredB=%d enteredC=%d", a, b, c);
        Report(std::string("row ") + row.name + " slotA=" + SlotClass(slotA, host) + " slotC=" + SlotClass(slotC, host) +
               " entry=" + EntryClass(row.name) + counts + " resultA=" + ra + " resultB=" + rb + " resultC=" + rc);
    }
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    for (const char* name : kKernelRoutines) {
        const void* host = reinterpret_cast<void*>(GetProcAddress(kernel32, name));
        Report(std::string("kernel32 ") + name + " slotA=" + SlotClass(FindImportSlot(core, "kernel32.dll", name), host) +
               " slotC=" + SlotClass(FindImportSlot(later, "kernel32.dll", name), host) + " entry=" + EntryClass(name));
    }
    // TObjectList's notification: the replacement's code copied over it.
    static const uint8_t kNotify[32] = {0x56, 0x8B, 0xF2, 0x80, 0xF9, 0x02, 0x75, 0x13, 0x80, 0x78, 0x10,
                                        0x00, 0x74, 0x0D, 0x85, 0xF6, 0x74, 0x09, 0xB2, 0x01, 0x8B, 0xC6,
                                        0x8B, 0x08, 0xFF, 0x51, 0xFC, 0x5E, 0xC3, 0x8D, 0x40, 0x00};
    const void* notify =
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(kRuntime), Contnrs_TObjectList_Notify.decorated));
    Report(std::string("notify copied=") + (notify && std::memcmp(notify, kNotify, 32) == 0 ? "1" : "0"));
    int changed = 0;
    for (const SlotCopy& s : gSlots)
        if (s.module == "exe" && *s.slot.slot != s.value) ++changed;
    Report("exe-imports changed=" + std::to_string(changed));
}

// ---- Comparison call sites of the design packages.

const void* CallTarget(const void* code) {
    auto* p = static_cast<const uint8_t*>(code);
    if (p[0] != 0xE8) return nullptr;
    int32_t displacement;
    std::memcpy(&displacement, p + 1, 4);
    return p + 5 + displacement;
}

struct FlagSite {
    const char* name;
    bool wide;
    int (*holds)(int order);  // the test the site's caller makes
};
const FlagSite kFlagSites[] = {
    {"dp_LStrEqualJe", false, [](int o) { return int(o == 0); }},
    {"dp_LStrDifferJne", false, [](int o) { return int(o != 0); }},
    {"dp_LStrEqualJeNear", false, [](int o) { return int(o == 0); }},
    {"dp_LStrDifferJneNear", false, [](int o) { return int(o != 0); }},
    {"dp_LStrEqualSete", false, [](int o) { return int(o == 0); }},
    {"dp_LStrDifferSetne", false, [](int o) { return int(o != 0); }},
    {"dp_LStrBelowJb", false, [](int o) { return int(o < 0); }},
    {"dp_LStrAboveJa", false, [](int o) { return int(o > 0); }},
    {"dp_WStrEqualJe", true, [](int o) { return int(o == 0); }},
    {"dp_WStrDifferSetne", true, [](int o) { return int(o != 0); }},
    {"dp_WStrBelowJb", true, [](int o) { return int(o < 0); }},
};

const std::vector<std::string> kSiteTexts = {"",   "a",    "b",   "ab",   "abc", "abd",      "abcd",
                                             "abce", "ABCD", "\xE9", "\xE9t", "abcdefgh", "abcdefgi"};

// How many answers of a flag-test site are wrong, over every pair of texts
// (each string made twice, so that equal strings are not the same pointer).
int WrongAnswers(const FlagSite& site, const void* routine) {
    HMODULE rtl = GetModuleHandleA(kRuntime);
    auto fromPChar = reinterpret_cast<void(HOSTCALL*)(char**, const char*)>(
        GetProcAddress(rtl, System_LStrFromPChar.decorated));
    auto clear = reinterpret_cast<void*(HOSTCALL*)(char**)>(GetProcAddress(rtl, System_LStrClr.decorated));
    auto call = reinterpret_cast<int(HOSTCALL*)(const void*, const void*)>(const_cast<void*>(routine));
    int wrong = 0;
    for (const std::string& a : kSiteTexts)
        for (const std::string& b : kSiteTexts) {
            char *x = nullptr, *y = nullptr;
            fromPChar(&x, a.c_str());
            fromPChar(&y, b.c_str());
            BSTR wx = a.empty() ? nullptr : SysAllocString(Wide(a).c_str());
            BSTR wy = b.empty() ? nullptr : SysAllocString(Wide(b).c_str());
            const int order = site.wide ? Order(Wide(a), Wide(b)) : Order(a, b);
            if ((site.wide ? call(wx, wy) : call(x, y)) != site.holds(order)) ++wrong;
            clear(&x);
            clear(&y);
            SysFreeString(wx);
            SysFreeString(wy);
        }
    return wrong;
}

// Where a site's call leads: "thunk" (its own import thunk), "plugin+<offset>"
// (a routine of the plug-in), or "other".
std::string SiteTarget(HMODULE package, const void* site) {
    const void* target = CallTarget(site);
    if (Contains(package, target)) return "thunk";
    HMODULE plugin = GetModuleHandleA(kPlugin);
    if (Contains(plugin, target))
        return "plugin+" + Hex(static_cast<uint32_t>(static_cast<const char*>(target) - reinterpret_cast<char*>(plugin)));
    return "other";
}

// The sites of a package whose start-up work has run them, and of a copy of
// it that no scan reached (loaded past the hooks), run here once more.
void CheckCallSites() {
    HMODULE scanned = GetModuleHandleA("dclemu01.bpl");
    HMODULE unscanned = LoadLibraryA((Env("PATCHPROBE_WORK") + "\\dclunscanned.bpl").c_str());
    const void* host = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(kRuntime), System_LStrCmp.decorated));
    Report("unscanned slot=" + SlotClass(FindImportSlot(unscanned, kRuntime, System_LStrCmp.decorated), host));
    for (HMODULE package : {scanned, unscanned})
        for (const FlagSite& site : kFlagSites) {
            const void* routine = reinterpret_cast<void*>(GetProcAddress(package, site.name));
            if (!routine) {
                Report(std::string("site ") + site.name + " absent");
                continue;
            }
            const int wrong = WrongAnswers(site, routine);
            Report(std::string(package == scanned ? "site " : "unscanned-site ") + site.name + " target=" +
                   SiteTarget(package, routine) + " wrong=" + std::to_string(wrong));
        }
    // The routine the equality sites now call answers equality only: for
    // "ab" against "b" it reports no carry, where an ordering compare does.
    const void* equality = CallTarget(reinterpret_cast<void*>(GetProcAddress(scanned, "dp_LStrEqualJe")));
    const void* ordering = CallTarget(reinterpret_cast<void*>(GetProcAddress(scanned, "dp_LStrBelowJb")));
    auto fromPChar = reinterpret_cast<void(HOSTCALL*)(char**, const char*)>(
        GetProcAddress(GetModuleHandleA(kRuntime), System_LStrFromPChar.decorated));
    char *ab = nullptr, *b = nullptr;
    fromPChar(&ab, "ab");
    fromPChar(&b, "b");
    char line[128];
    std::snprintf(line, sizeof line, "carry ab-b equality=%u ordering=%u",
                  probe_compare_flags(const_cast<void*>(equality), ab, b) & kCarry,
                  probe_compare_flags(const_cast<void*>(ordering), ab, b) & kCarry);
    Report(line);
}

// ---- Libraries loaded after start-up (LoadLibraryA / LoadLibraryExW hooks).

const char* Scanned(HMODULE module) {
    if (!module) return "unloaded";
    void** slot = FindImportSlot(module, kRuntime, Sysutils_SameText.decorated);
    if (!slot) return "none";
    return *slot == reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(kRuntime), Sysutils_SameText.decorated))
               ? "no"
               : "yes";
}

void Remember(HMODULE module) { RememberLaterModule(module); }

// A package and a library with a package and a library among their imports
// (the test's modules, ProbeModule.cpp).
void CheckDependencyScans() {
    const std::string dir = Env("PATCHPROBE_MODULES") + "\\";
    Remember(CoreLoadLibraryA((dir + "ProbePkg.bpl").c_str()));
    Remember(CoreLoadLibraryA((dir + "ProbeTool.dll").c_str()));
    std::string line = "scan";
    for (const char* name : {"ProbePkg.bpl", "ProbePkgDep.bpl", "ProbePkgDep.dll", "ProbeTool.dll", "ProbeToolDep.bpl",
                             "ProbeToolDep.dll"})
        line += std::string(" ") + name + "=" + Scanned(GetModuleHandleA(name));
    Report(line);
}

void CheckLoaderEdges() {
    const std::string dir = Env("PATCHPROBE_MODULES") + "\\", work = Env("PATCHPROBE_WORK") + "\\";
    void* sameText = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(kRuntime), Sysutils_SameText.decorated));

    // The same file name again: no second scan (its slot, put back by hand,
    // stays); the full path through LoadLibraryExW is a new name: scanned.
    HMODULE pkg = GetModuleHandleA("ProbePkg.bpl");
    void** slot = FindImportSlot(pkg, kRuntime, Sysutils_SameText.decorated);
    DWORD old;
    VirtualProtect(slot, 4, PAGE_READWRITE, &old);
    *slot = sameText;
    VirtualProtect(slot, 4, old, &old);
    CoreLoadLibraryA((dir + "ProbePkg.bpl").c_str());
    std::string line = std::string("again by-name=") + Scanned(pkg);
    CoreLoadLibraryExW(Wide(dir + "ProbePkg.bpl").c_str(), 0);
    Report(line + " by-path=" + Scanned(pkg));

    // TortoiseSVN's libraries with a path are passed by; by bare name not.
    HMODULE tortoise = CoreLoadLibraryExW(Wide(work + "TORTOISESVN\\BIN\\TORTOISEPROC1033.DLL").c_str(), 0);
    Remember(tortoise);
    line = std::string("tortoise with-path=") + Scanned(tortoise);
    HMODULE bare = CoreLoadLibraryExW(L"TortoiseProc1033.dll", 0);
    Report(line + " bare=" + Scanned(bare) + " same=" + (bare == tortoise ? "1" : "0"));

    // A data-file load scans nothing, so the image load after it is the
    // first scan of that name.
    HMODULE data = CoreLoadLibraryExW(Wide(work + "ProbeData.dll").c_str(), LOAD_LIBRARY_AS_DATAFILE);
    HMODULE image = CoreLoadLibraryExW(Wide(work + "ProbeData.dll").c_str(), 0);
    Remember(image);
    Report(std::string("datafile loaded=") + (data ? "1" : "0") + " image=" + Scanned(image));
    // The same for a load as an image resource (mapped for its resources
    // only, the handle tagged in its low bits).
    HMODULE resource = CoreLoadLibraryExW(Wide(work + "ProbeResource.dll").c_str(), 0x20);
    image = CoreLoadLibraryExW(Wide(work + "ProbeResource.dll").c_str(), 0);
    Remember(image);
    char tag[16];
    std::snprintf(tag, sizeof tag, "%u", static_cast<unsigned>(reinterpret_cast<uintptr_t>(resource) & 3));
    Report(std::string("image-resource loaded=") + (resource ? "1" : "0") + " tag=" + tag + " image=" + Scanned(image));

    // Without resolving references: a slot that already holds a routine of
    // the map (bound on disk) is not re-pointed; the same file loaded fully is.
    CopyBound(dir + "ProbeLeaf.dll", work + "ProbeBound.dll", kRuntime, sameText);
    CopyBound(dir + "ProbeLeaf.dll", work + "ProbeBound2.dll", kRuntime, sameText);
    HMODULE unresolved = CoreLoadLibraryExW(Wide(work + "ProbeBound.dll").c_str(), DONT_RESOLVE_DLL_REFERENCES);
    HMODULE resolved = CoreLoadLibraryExW(Wide(work + "ProbeBound2.dll").c_str(), 0);
    Remember(resolved);
    Report(std::string("dont-resolve unresolved=") + Scanned(unresolved) + " resolved=" + Scanned(resolved));

    // A failed load keeps the loader's error for the caller.
    SetLastError(0);
    HMODULE missing = CoreLoadLibraryA((dir + "NoSuchModule.bpl").c_str());
    Report(std::string("failed-load result=") + (missing ? "1" : "0") + " error=" + std::to_string(GetLastError()));
}

// ---- Thread priorities during and after start-up.

void CheckPriority(const char* when, int priority) {
    HANDLE self = GetCurrentThread();
    const int before = GetThreadPriority(self);
    const BOOL result = SetThreadPriority(self, priority);
    const int after = GetThreadPriority(self);
    const BOOL nil = SetThreadPriority(nullptr, priority);
    char line[160];
    std::snprintf(line, sizeof line, "priority %s result=%d changed=%d nil=%d entry=%s", when, result,
                  after != before ? 1 : 0, nil, EntryClass("SetThreadPriority").c_str());
    Report(line);
    SetThreadPriority(self, before);
}

// ---- After start-up: the checks of the mode.

void CheckAfterStartUp() {
    const std::string mode = Env("PATCHPROBE_MODE");
    Report("checks " + mode);
    if (mode == "stress") {
        RunStress();
    } else if (mode == "loader") {
        CheckDependencyScans();
    } else {
        if (mode == "full") CheckPriority("after", THREAD_PRIORITY_BELOW_NORMAL);
        HMODULE later = CoreLoadLibraryA((Env("PATCHPROBE_IDE") + "\\dclemu02.bpl").c_str());
        Remember(later);
        CheckRows(later);
        if (mode == "full") {
            CheckCallSites();
            CheckDependencyScans();
            CheckLoaderEdges();
        }
    }
    Report("checks done");
}

// The IDE's main window is up once a visible window of its class exists;
// the plug-in's own watch ends its start-up phase at one of its next ticks.
UINT_PTR gTimer = 0;
int gVisibleTicks = 0;

void CALLBACK AfterStartUpTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND main = FindWindowA("TAppBuilder", nullptr);
    if (!main || !IsWindowVisible(main) || ++gVisibleTicks < 4) return;
    KillTimer(nullptr, gTimer);
    CheckAfterStartUp();
}

// ---- At process exit, after the plug-in removed its patches.

void CheckRemoval() {
    int slots = 0, entries = 0;
    for (const SlotCopy& s : gSlots) {
        ++slots;
        if (*s.slot.slot != s.value)
            Report("removal-differs slot " + s.module + " " + s.slot.library + " " + s.slot.routine);
    }
    for (HMODULE m : gLaterModules)
        for (const ImportSlot& s : ImportSlots(m)) {
            HMODULE library = GetModuleHandleA(s.library.c_str());
            void* expected = reinterpret_cast<void*>(GetProcAddress(library, s.routine.c_str()));
            if (!expected) continue;
            ++slots;
            if (*s.slot != expected) Report("removal-differs later-slot " + s.library + " " + s.routine);
        }
    for (const EntryCopy& e : gEntries) {
        ++entries;
        if (std::memcmp(e.entry, e.bytes.bytes, 5) != 0)
            Report("removal-differs entry " + e.name + " " + EntryClass(e.name) + " " +
                   std::to_string(std::memcmp(e.entry, e.bytes.bytes, 8) != 0));
    }
    Report("removal slots=" + std::to_string(slots) + " entries=" + std::to_string(entries));
}

int gEntryCalls = 0;

void Terminate() {}

}  // namespace

}  // namespace probe

using namespace probe;

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // At process exit (reserved set) the plug-in, loaded after the probe,
    // has been notified before it.
    if (reason == DLL_PROCESS_DETACH && reserved && gCopied && Env("PATCHPROBE_MODE") != "loader") CheckRemoval();
    return TRUE;
}

// The IDE's expert entry: before the plug-in, the copy; after it, the
// start-up checks and the timer for the rest.
extern "C" BOOL WINAPI InitWizard0001(void*, void*, void** terminate) {
    if (terminate) *terminate = reinterpret_cast<void*>(&Terminate);
    if (++gEntryCalls == 1) {
        char self[MAX_PATH];
        GetModuleFileNameA(reinterpret_cast<HMODULE>(&__ImageBase), self, MAX_PATH);
        LoadLibraryA(self);  // stays until the process ends
        Report(std::string("copy plugin-loaded=") + (GetModuleHandleA(kPlugin) ? "1" : "0"));
        TakeCopy();
    } else if (gEntryCalls == 2) {
        Report(std::string("startup plugin-loaded=") + (GetModuleHandleA(kPlugin) ? "1" : "0"));
        if (Env("PATCHPROBE_MODE") == "full") CheckPriority("startup", THREAD_PRIORITY_LOWEST);
        gTimer = SetTimer(nullptr, 0, 50, &AfterStartUpTick);
    }
    return TRUE;
}

// In a process where nothing is patched: each row's digest, for comparison.
extern "C" void ProbeReference() {
    for (int i = 0; i < kRowCount; ++i) {
        void* routine = reinterpret_cast<void*>(GetProcAddress(RowModule(kRows[i]), kRows[i].name));
        Report(std::string("ref ") + kRows[i].name + " " + (routine ? Hex(Exercise(kRows[i], routine)) : "-"));
    }
}
