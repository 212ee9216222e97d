// The callbacks of the compiler start-up routine's table (CompilerStartup.S).
#include <cstdint>

#include "CompilerInterface.h"

// The IDE core package's file look-up (core/FileSystem.cpp).
extern "C" int32_t CoreLookUpFile(emucompiler::FileLookup* lookup);

// Entry 8: one file, looked up by the IDE's file system.
extern "C" int32_t __stdcall FileLookupCallback(emucompiler::FileLookup* lookup) { return CoreLookUpFile(lookup); }

// The entries the compiler does not call.
extern "C" int32_t __stdcall UnusedCallback(uint32_t) { return 0; }
