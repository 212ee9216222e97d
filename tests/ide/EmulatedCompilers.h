// The emulated IDE's compiler modules of one build, loaded into a test
// program: the IDE core package, the module of the compiler start-up routine,
// the Delphi and C++ compiler libraries (emuhost/compiler).
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "CompilerCallbacks.h"
#include "HostCaller.h"
#include "HostNames.h"
#include "compiler/CompilerInterface.h"

namespace compilertest {

struct EmulatedCompilers {
    int version;
    unsigned buildBit;             // hostnames::B100 ...
    HMODULE core;                  // coreide100.bpl ... coride50.bpl
    HMODULE startupModule;         // delphicoreide100.bpl, delphicoreide90.bpl, else the core package
    HMODULE dcc;                   // dcc100.dll ...
    HMODULE cpp;                   // comp32x.dll, comp32p.dll
    const uint8_t* startupRoutine;  // the compiler start-up routine's entry
    uint32_t* callbacks;           // the table it hands over

    template <class T>
    T Export(HMODULE module, const char* name) const {
        return reinterpret_cast<T>(GetProcAddress(module, name));
    }
    hostabi::FileLookupCallback FileLookup() const {
        return reinterpret_cast<hostabi::FileLookupCallback>(callbacks[hostabi::kFileLookupCallback]);
    }
};

inline constexpr int kBuilds[] = {100, 90, 70, 60, 50};

// Loads a build's modules (once per build; the C++ compiler library only
// when no other build's library of the same name is loaded) and has the
// start-up routine hand its table to the Delphi compiler.
const EmulatedCompilers& LoadEmulatedCompilers(int version);

// The project the emulated IDE compiles, and one of its folders.
std::string CompilerProjectFile();
std::string CompilerProjectFolder(int folder);  // 1 ... 3

// A constant host long string (reference count -1) of text.
class ConstantHostString {
public:
    explicit ConstantHostString(const std::string& text);
    const char* Get() const { return text_.empty() ? nullptr : buffer_.data() + 8; }

private:
    std::string text_, buffer_;
};

// Calls a C routine (arguments on the stack, removed by the caller) as
// compiled code does, through the test support's host caller.
HostCallFrame CallC(const void* routine, std::initializer_list<uint32_t> arguments);

// The import slot through which a module calls a kernel32 routine; nil when
// it has none.
uint32_t* KernelSlot(HMODULE module, const char* routine);

// The age the host gives a file: its local last-write time as DOS date and
// time; -1 when it does not exist.
int32_t DosAge(const std::string& file);

template <class T>
uint32_t Word(T value) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
}

}  // namespace compilertest
