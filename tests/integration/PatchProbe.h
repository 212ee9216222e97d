// Shared parts of the patch probe (PatchProbe.dll): its report file and the
// modules it looks at.
#pragma once

#include <windows.h>

#include <string>

namespace probe {

constexpr const char* kPlugin = "Toravex10.dll";
constexpr const char* kRuntime = "rtl100.bpl";
constexpr const char* kCore = "coreide100.bpl";

// Appends one line to the report (PATCHPROBE_REPORT).
void Report(const std::string& line);

// An environment variable of the process ("" when unset).
std::string Env(const char* name);

// The core package's loaders: LoadLibraryA and LoadLibraryExW called
// through the core package's own import slots.
HMODULE CoreLoadLibraryA(const char* fileName);
HMODULE CoreLoadLibraryExW(const wchar_t* fileName, DWORD flags);

// Where an address leads: "host" (the routine itself), "plugin" (into the
// plug-in library), "stub" (a call-site stub that jumps into it), "none"
// (no slot) or "other".
std::string SlotClass(void** slot, const void* host);
bool IsCallSiteStub(const void* code);

// A library loaded after the plug-in installed itself: its import slots
// are checked at removal too.
void RememberLaterModule(HMODULE module);

// Two threads comparing strings through call sites that are rewritten while
// they run, then two threads loading libraries.
void RunStress();

}  // namespace probe
