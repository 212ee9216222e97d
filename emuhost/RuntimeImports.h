// Static imports from the emulated runtime package, for the emulated host's
// executables and packages: each entry of hostabi/HostExports.inc becomes a
// function declared with its decorated name, so that taking its address makes
// the linker import it from rtl100.bpl (or the build's runtime package).
#pragma once

#define HOST_EXPORT(id, module, builds, name) extern "C" __declspec(dllimport) void rtlimp_##id() __asm__(name);
#define HOST_DATA(id, module, builds, name) extern "C" __declspec(dllimport) char rtlimp_##id[] __asm__(name);
#define HOST_RAISES(id, module, builds, name) HOST_EXPORT(id, module, builds, name)
#include "HostExports.inc"
#undef HOST_EXPORT
#undef HOST_DATA
#undef HOST_RAISES

// RUNTIME_IMPORT(System_GetMem, void*(HOSTCALL*)(int32_t)) gives a typed pointer.
#define RUNTIME_IMPORT(id, type) reinterpret_cast<type>(&rtlimp_##id)
