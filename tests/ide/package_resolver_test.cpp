// The package import resolver in the emulated runtime of build 90, in this
// process: the runtime helpers bound through call-site stubs, the package
// unit index behind InitializePackage with the FreeLibrary notification, and
// the design-package constructor hook.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "../patching/PatchTestSupport.h"
#include "HostCaller.h"
#include "TestSupport.h"
#include "base/BucketList.h"
#include "base/HostString.h"
#include "base/Lifecycle.h"
#include "base/StringHash.h"
#include "ide/PackageImportResolver.h"
#include "ide/PackageUnitIndex.h"
#include "ide/RuntimeImportBinding.h"
#include "patching/CallSiteStub.h"
#include "patching/ImportHooks.h"
#include "patching/ModuleImports.h"
#include "patching/ReplacementMap.h"
#include "runtime/LoaderHooks.h"

using namespace toravex;
namespace n = hostnames;

namespace {

constexpr int kBuild = 90;

std::string PackagePath(const std::string& file) { return testsupport::EmulatedIdeDir(kBuild) + "\\" + file; }
uint32_t Word(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

HostCallFrame CallAsHost(const void* routine, std::initializer_list<uint32_t> registers,
                         std::initializer_list<uint32_t> pushed = {}) {
    HostCallFrame f{};
    uint32_t* r = &f.eax;
    for (uint32_t v : registers) *r++ = v;
    for (uint32_t v : pushed) f.stack[f.stackCount++] = v;
    testsupport_host_call(routine, &f);
    return f;
}

void* RuntimeExport(const n::HostName& name) {
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("rtl90.bpl"), name.decorated));
}

// Where a slot or a direct call leads.
void* SlotValue(const uint8_t* thunk) {
    void** slot;
    std::memcpy(&slot, thunk + 2, 4);
    return *slot;
}
bool IsStubFor(const void* code, const void* target) {
    auto* stub = static_cast<const uint8_t*>(code);
    int32_t jump;
    std::memcpy(&jump, stub + kStubJumpOffset, 4);
    return std::memcmp(stub, kCallSiteStubTemplate, 15) == 0 && stub + kStubJumpOffset + 4 + jump == target;
}

class PackageResolver : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(testsupport::LoadEmulatedRuntime(kBuild), nullptr);
        RuntimePackage = GetModuleHandleA("rtl90.bpl");
        SetDllDirectoryA(testsupport::EmulatedIdeDir(kBuild).c_str());
        CreateScanLock();
    }
    void SetUp() override {
        CreateReplacementMap();
        ImportHooks = new TJclPeMapImgHooks;
        HookedModules = new TStringIntegerHash;
    }
    void TearDown() override {
        delete ImportHooks;  // puts the slots back
        ImportHooks = nullptr;
        delete HookedModules;
        HookedModules = nullptr;
        FreeReplacementMap();
    }
};

using LStrLenCall = int32_t(HOSTCALL*)(const char*);

}  // namespace

// Every helper of the table gets a stub; in a package scanned afterwards a
// direct call of the import thunk becomes a direct call of the routine on
// its first run, while a call through the slot keeps going through the stub.
// Both reach the routine with their arguments, stack arguments included.
TEST_F(PackageResolver, BoundHelpersAreCalledDirectlyFromTheSecondCallOfEachCallSite) {
    BindRuntimeImports();
    for (const n::HostName* name : RuntimeImportTable) {
        void* routine = RuntimeExport(*name);
        void* stub = nullptr;
        ASSERT_TRUE(FindReplacement(routine, stub)) << name->decorated;
        EXPECT_TRUE(IsStubFor(stub, routine)) << name->decorated;
    }

    HMODULE package = LoadLibraryA(PackagePath("dclemu01.bpl").c_str());
    ASSERT_NE(package, nullptr);
    HookModuleImports("dclemu01.bpl", package);
    void* lstrLen = RuntimeExport(n::System_LStrLen);
    void* llmul = RuntimeExport(n::System_llmul);
    auto* direct = reinterpret_cast<uint8_t*>(GetProcAddress(package, "dp_LStrLenDirect"));
    auto* indirect = reinterpret_cast<uint8_t*>(GetProcAddress(package, "dp_LStrLenIndirect"));
    auto* multiply = reinterpret_cast<uint8_t*>(GetProcAddress(package, "dp_Int64MulDirect"));
    ASSERT_TRUE(direct && indirect && multiply);

    const uint8_t* thunk = CallDestination(direct);
    ASSERT_EQ(thunk[0], 0xFF);
    EXPECT_TRUE(IsStubFor(SlotValue(thunk), lstrLen));
    HostString text("abcdef");
    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ(reinterpret_cast<LStrLenCall>(direct)(text.Get()), 6);
        EXPECT_EQ(direct[0], 0xE8);
        EXPECT_EQ(CallDestination(direct), lstrLen);
        EXPECT_EQ(reinterpret_cast<LStrLenCall>(indirect)(text.Get()), 6);
        EXPECT_EQ(indirect[0], 0xFF);
        EXPECT_EQ(indirect[1], 0x15);
        EXPECT_TRUE(IsStubFor(SlotValue(indirect), lstrLen));
    }

    uint8_t* mulCall = multiply + 12;
    EXPECT_TRUE(IsStubFor(SlotValue(CallDestination(mulCall)), llmul));
    const int64_t a = 0x123456789LL, b = -77;
    for (int call = 0; call < 2; ++call) {
        HostCallFrame f = CallAsHost(multiply, {Word(&a), Word(&b)});
        EXPECT_EQ(static_cast<int64_t>((uint64_t(f.outEdx) << 32) | f.outEax), a * b);
        EXPECT_EQ(f.stackRemoved, 0);
        EXPECT_TRUE(f.preserved);
        EXPECT_EQ(CallDestination(mulCall), llmul);
    }
    FreeLibrary(package);
}

// No page for stubs: nothing is registered, a package's slots keep the
// routines and its calls go through the thunks as before.
TEST_F(PackageResolver, WithoutAPageForStubsNothingIsBoundAndCallsStayOnTheirImports) {
    FakePlatform platform;
    platform.pagesLeft = 0;
    SystemPlatform* previous = SetPlatform(&platform);
    while (StubPages.Newest() && StubPages.Newest()->count < kStubsPerPage) MakeCallSiteStub(&platform);
    BindRuntimeImports();
    SetPlatform(previous);
    EXPECT_EQ(ReplacementMap->Count(), 0);

    HMODULE package = LoadLibraryA(PackagePath("dclemu02.bpl").c_str());
    ASSERT_NE(package, nullptr);
    HookModuleImports("dclemu02.bpl", package);
    auto* direct = reinterpret_cast<uint8_t*>(GetProcAddress(package, "dp_LStrLenDirect"));
    const uint8_t* thunk = CallDestination(direct);
    EXPECT_EQ(SlotValue(thunk), RuntimeExport(n::System_LStrLen));
    HostString text("abc");
    EXPECT_EQ(reinterpret_cast<LStrLenCall>(direct)(text.Get()), 3);
    EXPECT_EQ(CallDestination(direct), thunk);
    FreeLibrary(package);
}

namespace {

// The unit index behind the runtime's InitializePackage, with the runtime's
// FreeLibrary reporting to it, as start-up and the patch set wire them.
class UnitIndexSession : public PackageResolver {
protected:
    void SetUp() override {
        PackageResolver::SetUp();
        UnitIndex = new TStringIntegerHash;
        IndexedModules = new TModuleBucketList(3);
        HostFreeLibrary = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "FreeLibrary"));
        AddReplacement(HostFreeLibrary, reinterpret_cast<void*>(&FreeLibraryHook));
        HookModuleImports("rtl90.bpl", RuntimePackage);
        InstallInitializePackageHook();
        StorePackageUnloadNotification();
    }
    void TearDown() override {
        ClearPackageUnloadNotification();
        RemoveInitializePackageHook();
        for (auto it = loaded_.rbegin(); it != loaded_.rend(); ++it) Unload(it->second);
        delete UnitIndex;
        UnitIndex = nullptr;
        delete IndexedModules;
        IndexedModules = nullptr;
        PackageResolver::TearDown();
    }

    // The runtime's LoadPackage: "" or the message of the error it raises.
    std::string Load(const std::string& file) {
        HostString name(PackagePath(file).c_str());
        HMODULE module = nullptr;
        std::string message = testsupport::RaisedMessage([&] {
            module = reinterpret_cast<HMODULE>(
                CallAsHost(RuntimeExport(n::Sysutils_LoadPackage), {Word(name.Get())}).outEax);
        });
        if (module) loaded_.push_back({file, module});
        return message;
    }
    // The runtime's UnloadPackage of the most recent load of file.
    void Release(const std::string& file) {
        for (auto it = loaded_.rbegin(); it != loaded_.rend(); ++it)
            if (it->first == file) {
                Unload(it->second);
                loaded_.erase(std::next(it).base());
                return;
            }
        ADD_FAILURE() << file << " is not loaded";
    }
    static void Unload(HMODULE module) { CallAsHost(RuntimeExport(n::Sysutils_UnloadPackage), {Word(module)}); }

    static HMODULE IndexedOwner(const char* unit) {
        HostString name(unit);
        int32_t value = 0;
        UnitIndex->Find(StringHash(name.Get()), name.Get(), value);
        return reinterpret_cast<HMODULE>(static_cast<intptr_t>(value));
    }

    std::vector<std::pair<std::string, HMODULE>> loaded_;
};

}  // namespace

// A user's session, step by step: what loads, the error of what does not,
// and the index afterwards (its unit count and the packages examined).
TEST_F(UnitIndexSession, ChecksEachUnitOnceAndForgetsPackagesThatAreGone) {
    struct Step {
        const char* verb;
        const char* file;
        std::string message;
        int32_t units, modules;
    };
    const Step steps[] = {
        {"load", "dclemu01.bpl", "", 3, 1},
        // Refused at its second unit: the first one leaves the index again
        // once the runtime has released the package.
        {"load", "dclemudup.bpl",
         "Cannot load package 'dclemudup.'  It contains unit 'EmuReg01,' which is also contained in package '" +
             PackagePath("dclemu01.bpl") + "'",
         3, 1},
        {"load", "dclemudup2.bpl", "", 4, 2},
        // Units with a flag set are neither checked nor indexed.
        {"load", "dclemuflags.bpl", "", 5, 3},
        {"load", "dclemuflagmate.bpl", "", 7, 4},
        // Examined, not indexed: duplicates ignored, no package information.
        {"load", "dclemuskip.bpl", "", 7, 5},
        {"load", "dclemunoinfo.bpl", "", 7, 6},
        // Indexed before its missing "Initialize" is noticed; gone with it.
        {"load", "dclemunoinit.bpl", "Invalid package file '" + PackagePath("dclemunoinit.bpl") + "'", 7, 6},
        // A second load is no duplicate; releasing it leaves the index alone.
        {"load", "dclemu01.bpl", "", 7, 6},
        {"release", "dclemu01.bpl", "", 7, 6},
        {"load", "dclemudup.bpl",
         "Cannot load package 'dclemudup.'  It contains unit 'EmuDup,' which is also contained in package '" +
             PackagePath("dclemudup2.bpl") + "'",
         7, 6},
        // Released for good, its units load from other packages.
        {"release", "dclemu01.bpl", "", 4, 5},
        {"release", "dclemudup2.bpl", "", 3, 4},
        {"load", "dclemudup.bpl", "", 5, 5},
        // A package set leaves as a whole.
        {"load", "dclemuset.bpl", "", 6, 6},
        {"release", "dclemuset.bpl", "", 5, 5},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.verb) + " " + s.file);
        if (std::string(s.verb) == "load") {
            EXPECT_EQ(Load(s.file), s.message);
        } else {
            Release(s.file);
            EXPECT_EQ(GetModuleHandleA(PackagePath(s.file).c_str()) != nullptr,
                      std::string(s.file) == "dclemu01.bpl" && s.units == 7);
        }
        EXPECT_EQ(UnitIndex->Count(), s.units);
        EXPECT_EQ(IndexedModules->Count(), s.modules);
    }
    EXPECT_EQ(IndexedOwner("EmuReg01"), GetModuleHandleA(PackagePath("dclemudup.bpl").c_str()));
    EXPECT_EQ(IndexedOwner("EmuFlagOnly"), GetModuleHandleA(PackagePath("dclemuflagmate.bpl").c_str()));
    EXPECT_EQ(GetModuleHandleA(PackagePath("dclemusetbase.bpl").c_str()), nullptr);
}

namespace {

std::vector<std::string> gReported;
void RecordPackage(const char* fileName) { gReported.push_back(fileName); }

}  // namespace

// While installed, every design package the IDE creates through the core
// package's constructor is reported by its file name (an empty name is
// not), and the constructor's own work is done; removed, the constructor's
// code is as it was and nothing is reported.
TEST(DesignPackageHook, ReportsEachDesignPackageCreatedUntilRemoved) {
    ASSERT_NE(testsupport::LoadEmulatedRuntime(kBuild), nullptr);
    HMODULE core = LoadLibraryA(PackagePath("coreide90.bpl").c_str());
    ASSERT_NE(core, nullptr);
    void* create = reinterpret_cast<void*>(GetProcAddress(core, n::Pakmgr_TDesignPackage_Create.decorated));
    auto packageClass = reinterpret_cast<void*>(GetProcAddress(core, "@Pakmgr@TDesignPackage@"));
    auto createList = reinterpret_cast<void*(HOSTCALL*)(void*, int8_t)>(GetProcAddress(core, "@Pakmgr@TDesignPackages@$bctr$qqrv"));
    ASSERT_TRUE(create && packageClass && createList);
    void* list = createList(reinterpret_cast<void*>(GetProcAddress(core, "@Pakmgr@TDesignPackages@")), 1);
    auto free = reinterpret_cast<void(HOSTCALL*)(void*)>(RuntimeExport(n::System_TObject_Free));
    uint8_t entry[8];
    std::memcpy(entry, create, sizeof entry);

    auto previous = PackageProgressStep;
    PackageProgressStep = &RecordPackage;
    gReported.clear();
    auto construct = [&](const char* file) {
        HostString name(file);
        HostCallFrame f = CallAsHost(create, {Word(packageClass), 1, Word(name.Get())}, {Word(list)});
        EXPECT_EQ(f.stackRemoved, 4);
        EXPECT_TRUE(f.preserved);
        struct Package {
            const void* classRef;
            const char* fileName;
        };
        auto* package = reinterpret_cast<Package*>(f.outEax);
        EXPECT_EQ(package->classRef, packageClass);
        EXPECT_STREQ(package->fileName ? package->fileName : "", file);
        free(package);
    };

    InstallDesignPackageCreateHook();
    EXPECT_EQ(static_cast<uint8_t*>(create)[0], 0xE9);
    for (const char* file : {"C:\\IDE\\bin\\dclstd90.bpl", "", "C:\\IDE\\bin\\dclnet90.bpl"}) construct(file);
    EXPECT_EQ(gReported, (std::vector<std::string>{"C:\\IDE\\bin\\dclstd90.bpl", "C:\\IDE\\bin\\dclnet90.bpl"}));

    RemoveDesignPackageCreateHook();  // the end of start-up
    EXPECT_EQ(std::memcmp(entry, create, sizeof entry), 0);
    construct("C:\\IDE\\bin\\dclado90.bpl");
    RemoveDesignPackageCreateHook();  // shut-down: nothing left to restore
    EXPECT_EQ(std::memcmp(entry, create, sizeof entry), 0);
    EXPECT_EQ(gReported.size(), 2u);

    PackageProgressStep = previous;
    free(list);
    FreeLibrary(core);
}
