// Shared helpers of the emulated-runtime tests: the runtime package loaded in
// this process, its exports by name, and calls made exactly as host code
// makes them (registers, pushed arguments, flags).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "HostCall.h"
#include "HostCaller.h"
#include "HostLayout.h"
#include "HostNames.h"
#include "TestSupport.h"
#include "base/HostString.h"

namespace emutest {

constexpr uint32_t kZF = 0x40, kCF = 0x01;

inline HMODULE Rtl() { return testsupport::LoadEmulatedRuntime(100); }

inline void* Export(const hostnames::HostName& name) {
    return reinterpret_cast<void*>(GetProcAddress(Rtl(), name.decorated));
}

template <class Fn>
Fn Routine(const hostnames::HostName& name) {
    return reinterpret_cast<Fn>(Export(name));
}

template <class T>
uint32_t Word(T v) {
    if constexpr (std::is_pointer_v<T>) return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(v));
    else return static_cast<uint32_t>(v);
}

// Calls the export with EAX, EDX, ECX and the pushed arguments given.
inline HostCallFrame HostCall(const hostnames::HostName& name, std::initializer_list<uint32_t> registers,
                              std::initializer_list<uint32_t> pushed = {}) {
    HostCallFrame f{};
    uint32_t* r = &f.eax;
    for (uint32_t v : registers) *r++ = v;
    for (uint32_t v : pushed) f.stack[f.stackCount++] = v;
    void* routine = Export(name);
    EXPECT_NE(routine, nullptr) << name.decorated;
    if (routine) testsupport_host_call(routine, &f);
    EXPECT_TRUE(f.preserved) << name.decorated << " changed EBX, ESI, EDI or EBP";
    return f;
}

inline std::string Text(const char* hostString) {
    return hostString ? std::string(hostString, hostabi::LengthOf(hostString)) : std::string();
}

inline int32_t RefCount(const char* s) { return hostabi::HeaderOf(s)->refCount; }

// The sign of a comparison result.
inline int Sign(int32_t v) { return (v > 0) - (v < 0); }

class EmuHostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(Rtl(), nullptr); }
};

}  // namespace emutest
