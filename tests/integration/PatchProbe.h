// Shared parts of the patch probe (PatchProbe.dll): its report file and the
// modules it looks at.
#pragma once

#include <windows.h>

#include <string>
#include <type_traits>

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

// ASCII text as a wide string (a byte above 0x7F becomes 0xFF80 and up).
inline std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// The host's order of two strings: unsigned characters, then the shorter
// one first; -1, 0 or 1.
template <class S>
int Order(const S& a, const S& b) {
    using Unsigned = std::make_unsigned_t<typename S::value_type>;
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<Unsigned>(a[i]) < static_cast<Unsigned>(b[i]) ? -1 : 1;
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// A library loaded after the plug-in installed itself: its import slots
// are checked at removal too.
void RememberLaterModule(HMODULE module);

// Two threads comparing strings through call sites that are rewritten while
// they run, then two threads loading libraries.
void RunStress();

}  // namespace probe
