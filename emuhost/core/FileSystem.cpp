// The IDE core package's default file system, as far as the hosted compiler
// uses it: the look-up of one file behind the compiler's file look-up
// callback, and TDefaultFileSystem.IsReadonly. Both search for the file with
// FindFirstFileA, called through this package's import slot, as the host's
// file system does.
#include <windows.h>

#include "../compiler/CompilerInterface.h"
#include "HostCall.h"
#include "RuntimeCalls.h"

extern "C" bool HOSTCALL emu_Virtfile_TDefaultFileSystem_IsReadonly(void* self, const char* fileName);

namespace {

// The file system object the IDE keeps; its methods use no field.
struct DefaultFileSystem {
    void* classRecord;
} gDefaultFileSystem;

// The exported routine, called at its entry as the IDE calls it.
bool(HOSTCALL* volatile gIsReadonly)(void*, const char*) = &emu_Virtfile_TDefaultFileSystem_IsReadonly;

int32_t DosAge(const FILETIME& written) {
    FILETIME local;
    WORD date, time;
    if (!FileTimeToLocalFileTime(&written, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return -1;
    return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

}  // namespace

// TDefaultFileSystem.IsReadonly (Self, FileName): whether the file exists
// with the read-only attribute.
extern "C" bool HOSTCALL emu_Virtfile_TDefaultFileSystem_IsReadonly(void*, const char* fileName) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(fileName ? fileName : "", &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

extern "C" int32_t CoreLookUpFile(emucompiler::FileLookup* lookup) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(lookup->fileName, &data);
    if (find == INVALID_HANDLE_VALUE) {
        lookup->age = -1;
        return -1;
    }
    FindClose(find);
    lookup->attributes = data.dwFileAttributes;
    lookup->size = data.nFileSizeLow;
    lookup->age = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? -1 : DosAge(data.ftLastWriteTime);
    if (lookup->askReadonly) {
        char* name = nullptr;
        rtl_System_LStrFromPChar(&name, lookup->fileName);
        lookup->readonly = gIsReadonly(&gDefaultFileSystem, name);
        rtl_System_LStrClr(&name);
    }
    return lookup->age;
}
