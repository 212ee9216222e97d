#include "ide/CompilerHooks.h"

#include <cstring>

#include "CompilerCallbacks.h"
#include "base/BuildProfile.h"
#include "base/DiagnosticLog.h"
#include "base/HostException.h"
#include "base/HostRuntime.h"
#include "base/SpinLock.h"
#include "base/SystemPlatform.h"
#include "ide/IDEHooks.h"
#include "patching/CodeWriter.h"
#include "patching/ImportHooks.h"
#include "patching/Redirect.h"
#include "runtime/LoaderHooks.h"

namespace toravex {

namespace {

using FindFirstFileRoutine = HANDLE(WINAPI*)(const char* fileName, WIN32_FIND_DATAA* findData);

// The compiler's callback table while the hook is installed, and a copy of
// what it held before.
struct CompilerInitHook {
    uint32_t* table = nullptr;
    uint8_t saved[hostabi::kCompilerCallbackTableSize] = {};
    void** findFirstSlot = nullptr;  // the IDE core package's FindFirstFileA slot
    void* slotContent = nullptr;     // what the slot holds outside the callback
    int running = 0;                 // callbacks running, on all threads
    bool installed = false;
} gHook;

// Guards the slot swap: who makes it, who undoes it.
SpinLock gSwapLock;

RedirectRecord gReadonlyRecord;

// FileIsReadonly calls nothing of the host; the wrapper calls the IDE's own
// callback (read from its table) and FindFirstFileByAttributes the system.
const HostNeeds kReadonlyNeeds = {};
const HostNeeds kLookUpNeeds = {};

uint32_t SavedEntry(int index) {
    uint32_t entry;
    std::memcpy(&entry, gHook.saved + 4 * index, 4);
    return entry;
}

// One aligned 32-bit store into the slot, which the hook made writable for
// good: a protection change on every look-up would cost more than the
// look-up it saves.
void StoreSlot(void* value) { Platform().Store(gHook.findFirstSlot, &value, 4); }

void EnterLookUp() {
    SpinLockGuard guard(gSwapLock);
    if (gHook.running++ == 0 && gHook.findFirstSlot) {
        gHook.slotContent = *gHook.findFirstSlot;
        StoreSlot(reinterpret_cast<void*>(&FindFirstFileByAttributes));
    }
}

void LeaveLookUp() {
    SpinLockGuard guard(gSwapLock);
    if (--gHook.running == 0 && gHook.findFirstSlot) StoreSlot(gHook.slotContent);
}

bool HasWildcard(const char* name) {
    for (; *name; ++name)
        if (*name == '*' || *name == '?') return true;
    return false;
}

// The build's compiler start-up routine (its name and module differ).
const hostnames::HostName* CompilerStartupName() {
    using namespace hostnames;
    for (const HostName* name : {&Pascppcominout_PascalWin32CompilerInit, &Pascppcominout_PascalCompilerInit,
                                 &Cominout_PascalCompilerInit})
        if (name->builds & Profile().hostBuild) return name;
    return nullptr;
}

}  // namespace

int32_t __stdcall FindFileCallbackWrapper(uint32_t argument) {
    const auto lookUp = reinterpret_cast<hostabi::FileLookupCallback>(SavedEntry(hostabi::kFileLookupCallback));
    int32_t result = -1;
    EnterLookUp();
    host::TryFinally([&] { result = lookUp(argument); }, [] { LeaveLookUp(); });
    return result;
}

HANDLE WINAPI FindFirstFileByAttributes(const char* fileName, WIN32_FIND_DATAA* findData) {
    if (!fileName || HasWildcard(fileName)) {
        const auto search = reinterpret_cast<FindFirstFileRoutine>(gHook.slotContent);
        return search ? search(fileName, findData) : INVALID_HANDLE_VALUE;
    }
    // WIN32_FILE_ATTRIBUTE_DATA is the find data's first 36 bytes.
    if (!GetFileAttributesExA(fileName, GetFileExInfoStandard, findData)) return INVALID_HANDLE_VALUE;
    const char* name = FileNamePart(fileName);
    size_t length = std::strlen(name);
    if (length >= sizeof findData->cFileName) length = sizeof findData->cFileName - 1;
    std::memcpy(findData->cFileName, name, length);
    findData->cFileName[length] = 0;
    findData->cAlternateFileName[0] = 0;
    return nullptr;
}

bool HOSTCALL FileIsReadonly(void*, const char* fileName) {
    const DWORD attributes = GetFileAttributesA(fileName ? fileName : "");
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void InstallCompilerInitHook() {
    if (gHook.installed) return;
    const char kWhat[] = "compiler file look-up";
    if (const hostnames::HostName* missing = FirstMissing(kLookUpNeeds)) {
        LogLeftOut(kWhat, "missing helper", missing->decorated);
        return;
    }
    const hostnames::HostName* name = CompilerStartupName();
    const auto* routine = static_cast<const uint8_t*>(name ? FindHostExport(*name) : nullptr);
    if (!routine) {
        LogLeftOut(kWhat, "missing export", name ? name->decorated : nullptr);
        return;
    }
    const uint8_t* operand = routine + hostabi::CallbackTableOperandOffset(Profile().packageVersion);
    uint32_t* table = nullptr;
    if (Platform().IsReadable(operand, 4)) std::memcpy(&table, operand, 4);
    if (!table || !Platform().IsReadable(table, hostabi::kCompilerCallbackTableSize)) {
        LogLeftOut(kWhat, "callback table not readable");
        return;
    }
    std::memcpy(gHook.saved, table, sizeof gHook.saved);
    if (!SavedEntry(hostabi::kFileLookupCallback)) {
        LogLeftOut(kWhat, "no file look-up in the callback table");
        return;
    }

    HMODULE core = FindHostModule(Profile().ideCorePackage);
    HMODULE kernel32 = Platform().GetModule("kernel32.dll");
    void* findFirstFile = kernel32 ? Platform().GetExport(kernel32, "FindFirstFileA") : nullptr;
    void** slot = core && findFirstFile ? FindImportSlot(core, "kernel32.dll", findFirstFile) : nullptr;
    if (!slot) {
        LogLeftOut(kWhat, "missing import", "FindFirstFileA");
        return;
    }
    DWORD old;
    // The slot stays writable: the wrapper swaps it on every call.
    if (!Platform().Protect(slot, 4, PAGE_EXECUTE_READWRITE, &old)) {
        LogLeftOut(kWhat, "protection change failed");
        return;
    }
    gHook.findFirstSlot = slot;
    gHook.table = table;
    const uint32_t wrapper = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&FindFileCallbackWrapper));
    gHook.installed = StoreCode(&table[hostabi::kFileLookupCallback], &wrapper, 4);
    if (gHook.installed)
        LogMade("callback", kWhat);
    else
        LogLeftOut(kWhat, "code write failed");
}

void RemoveCompilerInitHook() {
    if (gHook.installed) {
        // Only the entry this hook wrote, and only while it still holds the
        // wrapper: an entry someone else changed since stays theirs.
        uint32_t* entry = &gHook.table[hostabi::kFileLookupCallback];
        if (*entry == static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&FindFileCallbackWrapper))) {
            const uint32_t saved = SavedEntry(hostabi::kFileLookupCallback);
            if (StoreCode(entry, &saved, 4)) LogEvent("removed callback compiler file look-up");
        }
        gHook.installed = false;
    }
    const bool readonlyJump = gReadonlyRecord.Address && gReadonlyRecord.UseCount == 1;
    RemoveRedirect(gReadonlyRecord);
    if (readonlyJump) LogEvent("removed entry %s", hostnames::Virtfile_TDefaultFileSystem_IsReadonly.decorated);
}

void InstallReadonlyHook() {
    const char* what = hostnames::Virtfile_TDefaultFileSystem_IsReadonly.decorated;
    if (gReadonlyRecord.UseCount > 0) return;
    if (const hostnames::HostName* missing = FirstMissing(kReadonlyNeeds)) {
        LogLeftOut(what, "missing helper", missing->decorated);
        return;
    }
    void* isReadonly = FindHostExport(hostnames::Virtfile_TDefaultFileSystem_IsReadonly);
    if (!isReadonly) {
        LogLeftOut(what, "missing export");
        return;
    }
    StartRedirect(isReadonly, reinterpret_cast<void*>(&FileIsReadonly), gReadonlyRecord);
    if (gReadonlyRecord.Address)
        LogMade("entry", what);
    else
        LogLeftOut(what, "protection change failed");
}

}  // namespace toravex
