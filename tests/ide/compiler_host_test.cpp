// The emulated host's compiler side, on which the compiler hooks act: the
// modules of each build export their host names, the start-up routine hands
// over the table whose address its code holds, the compiler libraries hold
// the shared table's routines in the order the plug-in's scan relies on, and
// those routines and their callers compute what the C runtime computes
// (compiler_routines_test.cpp). The file look-up and the read-only test of
// the host are checked beside the hooks' (compiler_hooks_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "CompilerRoutines.h"
#include "EmulatedCompilers.h"
#include "TestSupport.h"

using namespace compilertest;
using hostabi::CompilerRoutine;

namespace {

struct ListedName {
    const hostnames::HostName* name;
};
#define HOST_EXPORT(id, module, builds, text) {&hostnames::id},
#define HOST_DATA(id, module, builds, text) {&hostnames::id},
#define HOST_RAISES(id, module, builds, text) {&hostnames::id},
const ListedName kListed[] = {
#include "HostExports.inc"
};
#undef HOST_EXPORT
#undef HOST_DATA
#undef HOST_RAISES

const char* const kRoutineExports[] = {"crt_memcpy", "crt_memmove", "crt_memset",
                                       "crt_strcat", "crt_strlen",  "crt_memcmp"};

const uint8_t* RoutineIn(HMODULE library, CompilerRoutine routine) {
    return reinterpret_cast<const uint8_t*>(GetProcAddress(library, kRoutineExports[static_cast<int>(routine)]));
}

}  // namespace

TEST(EmulatedCompilerHost, EachBuildsModulesExportExactlyTheirHostNames) {
    for (int version : kBuilds) {
        const EmulatedCompilers& c = LoadEmulatedCompilers(version);
        SCOPED_TRACE(version);
        ASSERT_NE(c.core, nullptr);
        ASSERT_NE(c.startupModule, nullptr);
        ASSERT_NE(c.dcc, nullptr);
        for (const ListedName& listed : kListed) {
            const hostnames::HostName& n = *listed.name;
            const bool inBuild = (n.builds & c.buildBit) != 0;
            switch (n.module) {
                case hostnames::Module::CORE:
                    EXPECT_EQ(GetProcAddress(c.core, n.decorated) != nullptr, inBuild) << n.decorated;
                    break;
                case hostnames::Module::DELPHICORE:
                    EXPECT_EQ(GetProcAddress(c.startupModule, n.decorated) != nullptr, inBuild) << n.decorated;
                    break;
                case hostnames::Module::DCC:
                    EXPECT_EQ(GetProcAddress(c.dcc, n.decorated) != nullptr, inBuild) << n.decorated;
                    break;
                case hostnames::Module::COMP32:
                    if (c.cpp) {
                        EXPECT_EQ(GetProcAddress(c.cpp, n.decorated) != nullptr, inBuild) << n.decorated;
                    }
                    break;
                case hostnames::Module::RTL:
                    break;
            }
        }
    }
}

TEST(EmulatedCompilerHost, TheStartUpRoutineHandsOverTheTableWhoseAddressItsCodeHolds) {
    for (int version : kBuilds) {
        const EmulatedCompilers& c = LoadEmulatedCompilers(version);
        SCOPED_TRACE(version);
        ASSERT_NE(c.startupRoutine, nullptr);
        ASSERT_NE(c.callbacks, nullptr);
        uint32_t operand;
        std::memcpy(&operand, c.startupRoutine + hostabi::CallbackTableOperandOffset(version), 4);
        EXPECT_EQ(operand, Word(c.callbacks));
        EXPECT_EQ(c.startupRoutine[hostabi::CallbackTableOperandOffset(version) - 1], 0x68) << "push <table>";
        for (int i = 0; i < hostabi::kCompilerCallbackCount; ++i) {
            EXPECT_NE(c.callbacks[i], 0u) << i;
            if (i != hostabi::kFileLookupCallback) {
                EXPECT_NE(c.callbacks[i], c.callbacks[hostabi::kFileLookupCallback]);
            }
        }
    }
}

TEST(EmulatedCompilerLibraries, HoldTheTablesRoutinesOfTheirBuildInTheScansOrderAfterTheirEntry) {
    for (int version : kBuilds) {
        const EmulatedCompilers& c = LoadEmulatedCompilers(version);
        for (HMODULE library : {c.dcc, c.cpp}) {
            if (!library) continue;
            SCOPED_TRACE(std::to_string(version) + (library == c.dcc ? " dcc" : " cpp"));
            const uint8_t* entry = c.Export<const uint8_t*>(library, library == c.dcc ? "DccInitialize" : "COMPILE");
            ASSERT_NE(entry, nullptr);
            MEMORY_BASIC_INFORMATION region;
            ASSERT_TRUE(VirtualQuery(entry, &region, sizeof region));
            const uint8_t* regionEnd = static_cast<const uint8_t*>(region.BaseAddress) + region.RegionSize;
            const uint8_t* previous = reinterpret_cast<const uint8_t*>(reinterpret_cast<uintptr_t>(entry) & ~0xFFFu);
            for (int r = 0; r < hostabi::kCompilerRoutineCount; ++r) {
                const auto routine = CompilerRoutine(r);
                const hostabi::CompilerRoutineCode* row = hostabi::FindCompilerRoutine(c.buildBit, routine);
                const uint8_t* code = RoutineIn(library, routine);
                ASSERT_NE(row, nullptr);
                ASSERT_NE(code, nullptr);
                EXPECT_EQ(std::memcmp(code, row->bytes, row->size), 0) << kRoutineExports[r];
                EXPECT_GT(code, previous) << kRoutineExports[r] << " after the one before";
                EXPECT_LE(code + row->size, regionEnd) << kRoutineExports[r] << " in the entry's region";
                EXPECT_EQ(routine == CompilerRoutine::strlen, std::memcmp(code, "\x55\x8B\xEC", 3) != 0);
                previous = code + row->size;
            }
            EXPECT_GE(RoutineIn(library, CompilerRoutine::strcat), RoutineIn(library, CompilerRoutine::memset) + 138)
                << "strcat beyond the bytes passed over after memset";
        }
    }
}
