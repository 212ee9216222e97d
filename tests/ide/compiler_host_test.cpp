// The emulated host's compiler side, on which the compiler hooks act: the
// modules of each build export their host names, the start-up routine hands
// over the table whose address its code holds, file look-ups go through the
// core package's FindFirstFileA slot, the compiler libraries hold the shared
// table's routines in the order the plug-in's scan relies on, and those
// routines and their callers compute what the C runtime computes.
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

int gFindFirstCalls = 0;
HANDLE WINAPI CountingFindFirstFileA(const char* name, WIN32_FIND_DATAA* data) {
    ++gFindFirstCalls;
    return FindFirstFileA(name, data);
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

// Entry 8 answers with the file's age and attributes, and the read-only test
// when asked; every search it makes, the read-only test's included, goes
// through the core package's import slot of FindFirstFileA.
TEST(EmulatedCompilerHost, FileLookUpsSearchThroughTheCorePackagesSlotAndAskTheReadOnlyTest) {
    const std::string writable = CompilerProjectFolder(1) + "\\Unit0000.pas";
    const std::string readOnly = CompilerProjectFolder(1) + "\\Unit0003.pas";
    const std::string missing = CompilerProjectFolder(1) + "\\Unit0001.pas";
    ASSERT_NE(GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << "the project's read-only unit";
    struct Case {
        const std::string* file;
        bool ask;
        int32_t age;
        uint32_t readonly;
        int searches;
    };
    const Case cases[] = {
        {&writable, false, DosAge(writable), 0, 1}, {&writable, true, DosAge(writable), 0, 2},
        {&readOnly, true, DosAge(readOnly), 1, 2},  {&missing, true, -1, 0, 1},
    };
    for (int version : {100, 70}) {
        const EmulatedCompilers& c = LoadEmulatedCompilers(version);
        SCOPED_TRACE(version);
        uint32_t* slot = KernelSlot(c.core, "FindFirstFileA");
        ASSERT_NE(slot, nullptr);
        DWORD old;
        ASSERT_TRUE(VirtualProtect(slot, 4, PAGE_EXECUTE_READWRITE, &old));
        const uint32_t original = *slot;
        *slot = Word(&CountingFindFirstFileA);
        for (const Case& k : cases) {
            SCOPED_TRACE(*k.file + (k.ask ? " asked" : ""));
            emucompiler::FileLookup lookup{};
            lookup.fileName = k.file->c_str();
            lookup.askReadonly = k.ask;
            gFindFirstCalls = 0;
            EXPECT_EQ(c.FileLookup()(Word(&lookup)), k.age);
            EXPECT_EQ(lookup.age, k.age);
            EXPECT_EQ(lookup.readonly, k.readonly);
            EXPECT_EQ(gFindFirstCalls, k.searches);
            if (k.age != -1) {
                EXPECT_EQ(lookup.size, testsupport::ReadTextFile(*k.file).size());
            }
        }
        *slot = original;
        VirtualProtect(slot, 4, old, &old);
    }
}

TEST(EmulatedCompilerHost, IsReadonlyIsTrueOnlyForAnExistingReadOnlyFile) {
    const EmulatedCompilers& c = LoadEmulatedCompilers(100);
    auto isReadonly = c.Export<const void*>(c.core, hostnames::Virtfile_TDefaultFileSystem_IsReadonly.decorated);
    ASSERT_NE(isReadonly, nullptr);
    const struct {
        std::string file;
        bool readonly;
    } cases[] = {{CompilerProjectFolder(1) + "\\Unit0003.pas", true},
                 {CompilerProjectFolder(1) + "\\Unit0000.pas", false},
                 {CompilerProjectFolder(1) + "\\NoSuchUnit.pas", false},
                 {"", false},
                 {CompilerProjectFolder(1), false}};
    for (const auto& k : cases) {
        ConstantHostString name(k.file);
        HostCallFrame frame{};
        frame.eax = 0x12345678;  // Self: not used
        frame.edx = Word(name.Get());
        testsupport_host_call(isReadonly, &frame);
        EXPECT_EQ(frame.outEax & 0xFF, k.readonly ? 1u : 0u) << k.file;
        EXPECT_TRUE(frame.preserved);
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
