// The cache of the C# compiler runs the IDE makes while it starts (build
// 100). CreateProcessWHook stands in for kernel32's CreateProcessW (an entry
// jump of the runtime patch set). While the start-up phase lasts it numbers
// every process started; a call of csc.exe (a quoted path ending in
// \csc.exe" and a response file "@<file>" last) with an "/out:<file>" option
// in that response file is looked up in cache entry n, the n-th process's
// files in the local application-data folder:
//   <LocalAppData>\Toravex\bcbide_dynxmlserializer.cached.<n>.dll (.cs .tmp .err)
// When the entry's source equals the new one and the output exists, the
// entry's .cs, .tmp and .err are copied into place and the host's
// touch.exe (in HostDirectory) is started on the output instead of the
// compiler. Otherwise the compiler runs; when it ends with exit code 0 and
// the output exists, its four files are stored as entry n (a compiler the
// caller starts suspended is not waited for, and not stored). After the
// start-up phase the hook passes its first call through and is gone.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "patching/Redirect.h"

namespace toravex {

BOOL WINAPI CreateProcessWHook(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                               LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                               LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                               LPPROCESS_INFORMATION processInformation);

// The hook's own entry jump, taken away and put back around each call.
extern RedirectRecord CreateProcessWRecord;

// The processes started so far while the start-up phase lasts.
extern std::atomic<uint32_t> CompilerCallCounter;

// Copies source to dest, both names with their extension changed to
// extension (as the host's ChangeFileExt), dest's attributes cleared first;
// whether the copy succeeded.
bool CopyWithExt(const char* source, const char* dest, const char* extension);

// Whether two files can both be read and hold the same bytes.
bool FilesEqual(const char* a, const char* b);

}  // namespace toravex
