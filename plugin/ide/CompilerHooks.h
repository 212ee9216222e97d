// The hosted compiler's file look-up and the IDE file system's read-only
// test, each made one attribute query (the steps are in IDEHooks.h).
//
// InstallCompilerInitHook reads the address of the IDE's compiler callback
// table from the compiler start-up routine's code (hostabi/CompilerCallbacks.h),
// keeps a copy of the table, makes the IDE core package's import slot of
// FindFirstFileA writable and puts FindFileCallbackWrapper into the file
// look-up entry. While the wrapped callback runs, the slot holds
// FindFirstFileByAttributes; outside it, its own content.
#pragma once

#include <windows.h>

#include <cstdint>

#include "HostCall.h"

namespace toravex {

// The file look-up entry while the hook is installed (stdcall, as the
// callback): runs the IDE's own callback with FindFirstFileByAttributes in
// the core package's slot, and puts the slot's content back whatever the
// callback does. Calls on several threads, or nested ones, share one swap:
// the first in makes it, the last out undoes it.
int32_t __stdcall FindFileCallbackWrapper(uint32_t argument);

// FindFirstFileA's stand-in while the callback runs: the attributes, times
// and size of one file queried directly into the find data (its first 36
// bytes), its file name part (at most 259 characters, terminated) and an
// empty short name; 0 as the search handle, INVALID_HANDLE_VALUE for a file
// that does not exist. A name with wildcards is a real search: it goes to
// the slot's own content.
HANDLE WINAPI FindFirstFileByAttributes(const char* fileName, WIN32_FIND_DATAA* findData);

// TDefaultFileSystem.IsReadonly's replacement (Self, FileName): whether the
// file exists with the read-only attribute.
bool HOSTCALL FileIsReadonly(void* self, const char* fileName);

}  // namespace toravex
