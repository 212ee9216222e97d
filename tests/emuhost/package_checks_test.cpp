// The emulated runtime's package information and duplicate-unit check, and
// the core package's design-package constructor, as the package import
// resolver meets them: name types and unit flags reported by GetPackageInfo,
// the check that searches every loaded package, and packages that require
// one another.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "HostCall.h"
#include "HostCaller.h"
#include "HostLayout.h"
#include "HostNames.h"
#include "TestSupport.h"
#include "base/HostString.h"

namespace n = hostnames;
using toravex::HostString;

namespace {

uint32_t Word(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

std::string PackagePath(int build, const std::string& file) { return testsupport::EmulatedIdeDir(build) + "\\" + file; }

void* RuntimeExport(int build, const n::HostName& name) {
    return reinterpret_cast<void*>(GetProcAddress(testsupport::LoadEmulatedRuntime(build), name.decorated));
}

// Calls a routine with EAX, EDX, ECX and pushed arguments, as host code does.
HostCallFrame CallAsHost(void* routine, std::initializer_list<uint32_t> registers,
                         std::initializer_list<uint32_t> pushed = {}) {
    HostCallFrame f{};
    uint32_t* r = &f.eax;
    for (uint32_t v : registers) *r++ = v;
    for (uint32_t v : pushed) f.stack[f.stackCount++] = v;
    testsupport_host_call(routine, &f);
    return f;
}

struct Entry {
    std::string name;
    int type, flags;
    bool operator==(const Entry&) const = default;
};
std::vector<Entry> gEntries;
void HOSTCALL_STACK CollectEntry(const char* name, uint8_t type, uint8_t flags, void*) {
    gEntries.push_back({name ? std::string(name, hostabi::LengthOf(name)) : "", type, flags});
}

// The message of the package error that loading `file` through the
// runtime's LoadPackage raises ("" when it loads), and the module. The
// packages it requires are found in the IDE's folder, as in the IDE.
std::string LoadPackage(int build, const std::string& file, HMODULE* module = nullptr) {
    SetDllDirectoryA(testsupport::EmulatedIdeDir(build).c_str());
    HostString name(PackagePath(build, file).c_str());
    HMODULE loaded = nullptr;
    std::string message = testsupport::RaisedMessage([&] {
        loaded = reinterpret_cast<HMODULE>(CallAsHost(RuntimeExport(build, n::Sysutils_LoadPackage), {Word(name.Get())}).outEax);
    });
    if (module) *module = loaded;
    return message;
}

void UnloadPackage(int build, HMODULE module) {
    CallAsHost(RuntimeExport(build, n::Sysutils_UnloadPackage), {Word(module)});
}

// The strings and exceptions of this test program belong to the runtime
// of build 100 (all runtimes share the process heap).
class PackageInformation : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }
};

}  // namespace

// Every name type and unit flag as GetPackageInfo reports it, in the
// table's order; build 50's runtime knows no compiled-package name.
TEST_F(PackageInformation, ReportsNameTypesAndUnitFlagsInTableOrder) {
    struct Case {
        int build;
        const char* file;
        uint32_t flags;
        std::vector<Entry> entries;
    };
    const Case cases[] = {
        {90, "dclemuflags.bpl", 0x40000003,
         {{"rtl90", 1, 0}, {"dclemuflags", 0, 0x02}, {"EmuFlags", 0, 0}, {"EmuDesign01", 0, 0x01},
          {"EmuEditors01", 0, 0x04}, {"EmuReg01", 0, 0x08}, {"EmuFlagOnly", 0, 0x10}, {"dclemuflags.dcp", 2, 0}}},
        {50, "dclemuflags.bpl", 0x40000003,
         {{"vcl50", 1, 0}, {"dclemuflags", 0, 0x02}, {"EmuFlags", 0, 0}, {"EmuDesign01", 0, 0x01},
          {"EmuEditors01", 0, 0x04}, {"EmuReg01", 0, 0x08}, {"EmuFlagOnly", 0, 0x10}}},
        {70, "dclemuset.bpl", 0x40000003,
         {{"rtl70", 1, 0}, {"dclemusetbase", 1, 0}, {"dclemuset", 0, 0x02}, {"EmuSet", 0, 0}, {"dclemuset.dcp", 2, 0}}},
        {90, "dclemuskip.bpl", 0x4000000B,
         {{"rtl90", 1, 0}, {"dclemuskip", 0, 0x02}, {"EmuReg01", 0, 0}, {"EmuSkip", 0, 0}, {"dclemuskip.dcp", 2, 0}}},
        {90, "rtl90.bpl", 0x40000004,
         {{"System", 0, 0}, {"SysInit", 0, 0x0C}, {"SysUtils", 0, 0}, {"SysConst", 0, 0}, {"Classes", 0, 0},
          {"RTLConsts", 0, 0}, {"Contnrs", 0, 0}, {"StrUtils", 0, 0}, {"Math", 0, 0}, {"Types", 0, 0},
          {"Variants", 0, 0}, {"Windows", 0, 0}, {"rtl.dcp", 2, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.build) + " " + c.file);
        HMODULE module = LoadLibraryExA(PackagePath(c.build, c.file).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        ASSERT_NE(module, nullptr);
        int32_t flags = 0;
        gEntries.clear();
        HostCallFrame f = CallAsHost(RuntimeExport(c.build, n::Sysutils_GetPackageInfo),
                                     {Word(module), 0, Word(&flags)}, {Word(reinterpret_cast<void*>(&CollectEntry))});
        EXPECT_EQ(f.stackRemoved, 4);
        EXPECT_TRUE(f.preserved);
        EXPECT_EQ(static_cast<uint32_t>(flags), c.flags);
        EXPECT_EQ(gEntries, c.entries);
        FreeLibrary(module);
    }

    // A module without package information is the runtime's package error.
    HMODULE plain = LoadLibraryExA(PackagePath(90, "dclemunoinfo.bpl").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(plain, nullptr);
    int32_t flags = 0;
    std::string cls;
    EXPECT_EQ(testsupport::RaisedMessage(
                  [&] {
                      CallAsHost(RuntimeExport(90, n::Sysutils_GetPackageInfo), {Word(plain), 0, Word(&flags)},
                                 {Word(reinterpret_cast<void*>(&CollectEntry))});
                  },
                  &cls),
              "Cannot access package information for package 'dclemunoinfo.bpl'");
    EXPECT_EQ(cls, "EPackageError");
    FreeLibrary(plain);
}

// The runtime's check before a package initializes: each unit it or a
// package it requires contains (its own unit, SysInit and weakly packaged
// units aside) is searched for in every other loaded package whose
// duplicates are not ignored. A rejected package is released again.
TEST_F(PackageInformation, TheRuntimesDuplicateCheckSearchesEveryLoadedPackage) {
    constexpr int kBuild = 90;
    ASSERT_NE(testsupport::LoadEmulatedRuntime(kBuild), nullptr);
    HMODULE core = LoadLibraryA(PackagePath(kBuild, "coreide90.bpl").c_str());
    ASSERT_NE(core, nullptr);
    struct Case {
        std::vector<std::string> loaded;
        std::string file, message;
    };
    const Case cases[] = {
        // A unit with the main or the implicit flag is checked, and so is one
        // of a loaded package that carries such a flag.
        {{"dclemu01.bpl"}, "dclemuflags.bpl",
         "Cannot load package 'dclemuflags.'  It contains unit 'EmuDesign01,' which is also contained in package 'dclemu01'"},
        {{"dclemuflags.bpl"}, "dclemuflagmate.bpl",
         "Cannot load package 'dclemuflagmate.'  It contains unit 'EmuFlagOnly,' which is also contained in package "
         "'dclemuflags'"},
        // Only a weak unit in common.
        {{"dclemu01.bpl", "dclemu02.bpl"}, "dclemu03.bpl", ""},
        // The same package again.
        {{"dclemu01.bpl"}, "dclemu01.bpl", ""},
        // A package that ignores duplicates is neither checked nor checked against.
        {{"dclemu01.bpl"}, "dclemuskip.bpl", ""},
        {{"dclemuskip.bpl"}, "dclemudup.bpl", ""},
        // A unit of the core package, loaded before any design package.
        {{}, "dclemucoredup.bpl",
         "Cannot load package 'dclemucoredup.'  It contains unit 'EmuCoreIde,' which is also contained in package "
         "'coreide90'"},
        // A unit of the package that the new one requires.
        {{"dclemusetdup.bpl"}, "dclemuset.bpl",
         "Cannot load package 'dclemusetbase.'  It contains unit 'EmuSetShared,' which is also contained in package "
         "'dclemusetdup'"},
        // No package information: nothing to check, and it has "Initialize".
        {{"dclemu01.bpl"}, "dclemunoinfo.bpl", ""},
        {{}, "dclemunoinit.bpl", "Invalid package file '" + PackagePath(kBuild, "dclemunoinit.bpl") + "'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<HMODULE> held;
        for (const std::string& file : c.loaded) {
            HMODULE m = nullptr;
            ASSERT_EQ(LoadPackage(kBuild, file, &m), "");
            held.push_back(m);
        }
        HMODULE module = nullptr;
        EXPECT_EQ(LoadPackage(kBuild, c.file, &module), c.message);
        if (module) held.push_back(module);
        for (auto it = held.rbegin(); it != held.rend(); ++it) UnloadPackage(kBuild, *it);
        EXPECT_EQ(GetModuleHandleA(PackagePath(kBuild, c.file).c_str()), nullptr);
    }
    EXPECT_EQ(GetModuleHandleA(PackagePath(kBuild, "dclemusetbase.bpl").c_str()), nullptr);
    FreeLibrary(core);
}

// Releasing the package of a set unloads the package it required too; a
// package loaded twice initializes once and stays until its last release.
TEST_F(PackageInformation, PackagesStayWhileReferencedAndGoWithWhatRequiredThem) {
    constexpr int kBuild = 70;
    const std::string set = PackagePath(kBuild, "dclemuset.bpl"), base = PackagePath(kBuild, "dclemusetbase.bpl");
    HMODULE module = nullptr;
    ASSERT_EQ(LoadPackage(kBuild, "dclemuset.bpl", &module), "");
    EXPECT_NE(GetModuleHandleA(base.c_str()), nullptr);
    UnloadPackage(kBuild, module);
    EXPECT_EQ(GetModuleHandleA(set.c_str()), nullptr);
    EXPECT_EQ(GetModuleHandleA(base.c_str()), nullptr);

    HMODULE first = nullptr, second = nullptr;
    ASSERT_EQ(LoadPackage(kBuild, "dclemu02.bpl", &first), "");
    auto result = reinterpret_cast<uint32_t (*)()>(GetProcAddress(first, "WorkloadResult"));
    ASSERT_NE(result, nullptr);
    const uint32_t initialized = result();
    ASSERT_EQ(LoadPackage(kBuild, "dclemu02.bpl", &second), "");
    EXPECT_EQ(second, first);
    EXPECT_EQ(result(), initialized);
    UnloadPackage(kBuild, second);
    EXPECT_EQ(GetModuleHandleA(PackagePath(kBuild, "dclemu02.bpl").c_str()), first);
    EXPECT_EQ(result(), initialized);
    UnloadPackage(kBuild, first);
    EXPECT_EQ(GetModuleHandleA(PackagePath(kBuild, "dclemu02.bpl").c_str()), nullptr);
}

// The core package of builds 90 and 100 exports TDesignPackage's
// constructor under the host's name: called as the host calls a
// constructor (class in EAX, allocation flag in DL, the file name in ECX,
// the owning list pushed and removed by the constructor), it returns a new
// package that keeps the name and has joined its owner's list.
TEST_F(PackageInformation, TheCorePackageExportsTheDesignPackageConstructor) {
    for (int build : {100, 90, 70, 60, 50}) {
        SCOPED_TRACE(build);
        ASSERT_NE(testsupport::LoadEmulatedRuntime(build), nullptr);
        const std::string corePackage = build == 50 ? "coride50.bpl" : "coreide" + std::to_string(build) + ".bpl";
        HMODULE core = LoadLibraryA(PackagePath(build, corePackage).c_str());
        ASSERT_NE(core, nullptr);
        void* create = reinterpret_cast<void*>(GetProcAddress(core, n::Pakmgr_TDesignPackage_Create.decorated));
        if (build < 90) {
            EXPECT_EQ(create, nullptr);
            FreeLibrary(core);
            continue;
        }
        ASSERT_NE(create, nullptr);
        auto packageClass = reinterpret_cast<void*>(GetProcAddress(core, "@Pakmgr@TDesignPackage@"));
        auto packagesClass = reinterpret_cast<void*>(GetProcAddress(core, "@Pakmgr@TDesignPackages@"));
        auto createList = reinterpret_cast<void*(HOSTCALL*)(void*, int8_t)>(
            GetProcAddress(core, "@Pakmgr@TDesignPackages@$bctr$qqrv"));
        ASSERT_TRUE(packageClass && packagesClass && createList);
        auto free = reinterpret_cast<void(HOSTCALL*)(void*)>(RuntimeExport(build, n::System_TObject_Free));

        struct Packages {
            const void* classRef;
            hostabi::ListObject* items;
        };
        struct Package {
            const void* classRef;
            const char* fileName;
            Packages* owner;
        };
        auto* list = static_cast<Packages*>(createList(packagesClass, 1));
        HostString name("C:\\IDE\\bin\\dclstd100.bpl");
        HostCallFrame f = CallAsHost(create, {Word(packageClass), 1, Word(name.Get())}, {Word(list)});
        EXPECT_EQ(f.stackRemoved, 4);
        EXPECT_TRUE(f.preserved);
        auto* package = reinterpret_cast<Package*>(f.outEax);
        ASSERT_NE(package, nullptr);
        EXPECT_EQ(package->classRef, packageClass);
        EXPECT_EQ(std::string(package->fileName), "C:\\IDE\\bin\\dclstd100.bpl");
        EXPECT_EQ(package->owner, list);
        ASSERT_EQ(list->items->count, 1);
        EXPECT_EQ(list->items->list[0], package);
        free(package);
        EXPECT_EQ(list->items->count, 0);
        free(list);
        FreeLibrary(core);
    }
}
