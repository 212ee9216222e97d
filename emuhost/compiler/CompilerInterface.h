// The emulated hosted compilers as the emulated IDE, its core packages and the
// tests see them.
//
// The IDE's compiler start-up routine (hostabi/CompilerCallbacks.h) hands
// the callback table to the Delphi compiler library's DccInitialize, which
// keeps it. DccCompile then compiles a project: it looks up each unit along
// the project's search path through callback 8, which looks the file up with
// FindFirstFileA through the IDE core package's import slot and, when asked,
// asks the core package's TDefaultFileSystem.IsReadonly. Both compiler
// libraries run their C runtime routines over generated data while they
// compile (RuntimeWorkload), so their results show whether those routines
// still work.
//
// A project file holds one item per line:
//   search=<folder>;<folder>...   the folders looked through, in order
//   unit=<name>                   a unit: <name>.dcu, then <name>.pas, in each folder
#pragma once

#include <cstdint>

namespace emucompiler {

// The argument of the file look-up callback; its result is the file's age
// (DOS date in the upper, time in the lower 16 bits, local time) or -1 when
// the file does not exist.
struct FileLookup {
    const char* fileName;   // in
    uint32_t askReadonly;   // in: also ask the IDE's file system
    int32_t age;            // out: as the result
    uint32_t attributes;    // out: the file's attributes
    uint32_t size;          // out: its size (low 32 bits)
    uint32_t readonly;      // out: the file system's answer, when asked
};

struct CompileResult {
    uint32_t units;     // units of the project
    uint32_t lookups;   // calls of the look-up callback
    uint32_t found;     // units found
    uint32_t readonly;  // units whose source is read-only
    uint32_t checksum;  // over everything the compile computed
};

// dcc100.dll ... (stdcall):
//   void DccInitialize(const void* callbackTable)
//   BOOL DccCompile(const char* projectFile, CompileResult* result)
// Both compiler libraries (stdcall):
//   uint32_t COMPILE(uint32_t seed) (comp32x.dll, comp32p.dll), and
//   uint32_t RuntimeWorkload(uint32_t seed): the C runtime routines over data
//   generated from seed; the checksum of every result.
using DccInitializeProc = void(__stdcall*)(const void* callbackTable);
using DccCompileProc = int(__stdcall*)(const char* projectFile, CompileResult* result);
using WorkloadProc = uint32_t(__stdcall*)(uint32_t seed);

// The core package's file look-up behind callback 8 (cdecl, exported as
// CoreLookUpFile): the same result and record.
using CoreLookUpFileProc = int32_t (*)(FileLookup* lookup);

}  // namespace emucompiler
