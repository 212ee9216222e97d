// The process-level hooks of the runtime patch set: every library the IDE
// loads later through LoadLibraryA or LoadLibraryExW has its imports scanned
// as it arrives; FreeLibrary reports unloaded packages (older builds);
// SetThreadPriority is held off while the IDE starts. All have the Win32
// routine's stdcall convention.
#pragma once

#include <windows.h>

#include "patching/Redirect.h"

namespace toravex {

HMODULE WINAPI LoadLibraryAHook(LPCSTR fileName);
HMODULE WINAPI LoadLibraryExWHook(LPCWSTR fileName, HANDLE file, DWORD flags);
BOOL WINAPI FreeLibraryHook(HMODULE module);
BOOL WINAPI SetThreadPriorityHook(HANDLE thread, int priority);

// The host's routines, saved when the hooks are registered.
extern void* HostLoadLibraryA;
extern void* HostLoadLibraryExW;
extern void* HostFreeLibrary;
extern RedirectRecord SetThreadPriorityRecord;

// Set by the start-up for the package unit index: told of every module the
// FreeLibrary hook released. Nil when nobody listens.
extern void (*PackageUnloadNotification)(HMODULE module);
// Set by the start-up for the splash progress: told of the file name of
// every library loaded through the hooks. Nil when nobody listens.
extern void (*LibraryLoadNotification)(const char* fileName);

// Scans one module's imports under the scan lock (handle 0: the loaded
// module of that name, if any).
void ScanModuleImports(const char* name, HMODULE handle);
void CreateScanLock();
// Runs work under the scan lock (for changes of the scan's containers).
void ScanModulesLocked(void (*work)());

// The part of a name after its last "\" or "/" (the whole name if none;
// nil for nil), and the extension: from the last "." not followed by a
// delimiter (the empty tail if none).
const char* FileNamePart(const char* name);
const char* FileExtPart(const char* name);

// TortoiseSVN's shell libraries, loaded by the file dialogs with a path,
// are never scanned.
bool IsTortoiseModule(LPCWSTR fileName);

}  // namespace toravex
