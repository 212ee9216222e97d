// Import tables: damaged images built in memory, the 9x forwarding-stub
// slots, delay-import addresses, and the tables of real test libraries
// re-pointed, restored, unloaded and listed.
#include <memory>
#include <string>
#include <vector>

#include "PatchTestSupport.h"
#include "base/Utils.h"
#include "patching/Hooking.h"

using namespace toravex;

namespace {

void* Marker(uintptr_t v) { return reinterpret_cast<void*>(v); }

std::vector<std::string> Names(HostStringList* list) {
    std::vector<std::string> names;
    for (int32_t i = 0; list && i < list->Count(); ++i) names.push_back((*list)[i].CStr());
    delete list;
    return names;
}

// Admits every library and maps 0x11110000 to 0x22220000.
bool MapMarker(const char*, void* address, void** replacement) {
    if (!address) return true;
    if (address != Marker(0x11110000)) return false;
    *replacement = Marker(0x22220000);
    return true;
}

class ImportTest : public PlatformTest {
protected:
    void TearDown() override {
        delete ImportHooks;
        ImportHooks = nullptr;
        delete HookedModules;
        HookedModules = nullptr;
        FreeReplacementMap();
        PlatformTest::TearDown();
    }
};

TEST_F(ImportTest, DamagedImagesAreWalkedWithoutAFault) {
    TJclPeMapImgHooks hooks;
    {
        TestImage zeroOffset(0x2000);
        zeroOffset.U32(60, 0);
        EXPECT_EQ(CheckedNtHeaders(zeroOffset.base()), nullptr);
        EXPECT_FALSE(hooks.HookModule(zeroOffset.base(), MapMarker));
        EXPECT_TRUE(Names(ImportedLibraryNames(zeroOffset.base())).empty());
    }
    {
        // Headers cut short by a page nobody may read.
        auto* pages = static_cast<uint8_t*>(VirtualAlloc(nullptr, 8192, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &old);
        uint8_t* base = pages + 4096 - 200;
        base[0] = 'M', base[1] = 'Z';
        const uint32_t offset = 64;
        std::memcpy(base + 60, &offset, 4);
        std::memcpy(base + 64, "PE\0\0", 4);
        EXPECT_EQ(CheckedNtHeaders(base), nullptr);
        EXPECT_FALSE(hooks.HookModule(base, MapMarker));
        EXPECT_EQ(DelayImportAddress(base, 0x1000), nullptr);
        VirtualFree(pages, 0, MEM_RELEASE);
    }
    {
        TestImage image(0x2000);
        ASSERT_NE(CheckedNtHeaders(image.base()), nullptr);
        image.Directory(1, 0x2000);  // the import directory starts past SizeOfImage
        image.Import(0x2000, 0x2100, 0x2200);
        image.Text(0x2100, "kernel32.dll");
        image.U32(0x2200, 0x11110000);
        EXPECT_FALSE(hooks.HookModule(image.base(), MapMarker));
        EXPECT_EQ(image.U32(0x2200), 0x11110000u);

        // A thunk table that runs to the end of the image: its last slot
        // inside is re-pointed, the one beyond is not read.
        image.Directory(1, 0x1000);
        image.Import(0x1000, 0x1100, 0x1FF8);
        image.Text(0x1100, "kernel32.dll");
        image.U32(0x1FF8, 0x11110000);
        image.U32(0x1FFC, 0x11110000);
        image.U32(0x2000, 0x11110000);
        EXPECT_TRUE(hooks.HookModule(image.base(), MapMarker));
        EXPECT_EQ(image.U32(0x1FFC), 0x22220000u);
        EXPECT_EQ(image.U32(0x2000), 0x11110000u);

        // A name that runs past the end, a delay directory past the end.
        image.Import(0x1000, 0x1FFA, 0x1FF8);
        std::memset(image.base() + 0x1FFA, 'x', 0x10);
        image.Directory(13, 0x1800);
        image.U32(0x1800 + 4, 0x5000);
        EXPECT_TRUE(Names(ImportedLibraryNames(image.base())).empty());
        EXPECT_EQ(FindImportSlot(image.base(), "kernel32.dll", Marker(0x22220000)), nullptr);
    }
    EXPECT_EQ(hooks.Count(), 2);
}

TEST_F(ImportTest, DelayImportNamesMayBeAddressesOrRvas) {
    TestImage image(0x2000, 0x4000, 0x400000);
    EXPECT_EQ(DelayImportAddress(image.base(), 0x403000), image.base() + 0x3000);
    EXPECT_EQ(DelayImportAddress(image.base(), 0x1000), image.base() + 0x1000);
    image.Directory(1, 0x1000);
    image.Import(0x1000, 0x1100, 0x1200);
    image.Text(0x1100, "rtl100.bpl");
    image.U32(0x1200, 0x11110000);
    image.Directory(13, 0x1300);
    image.U32(0x1304, 0x401100);  // old style: an address
    image.U32(0x1324, 0x1500);    // new style: an RVA
    image.Text(0x1500, "RTL100.bpl");
    EXPECT_EQ(Names(ImportedLibraryNames(image.base())), (std::vector<std::string>{"rtl100.bpl", "RTL100.bpl"}));
}

TEST_F(ImportTest, On9xASlotHoldingAForwardingStubOfARegisteredRoutineIsRepointed) {
    alignas(16) uint8_t stub[16] = {0x68, 0x00, 0x00, 0x11, 0x11, 0xE9};  // push 11110000h; jmp ...
    TestImage image(0x2000);
    image.Directory(1, 0x1000);
    image.Import(0x1000, 0x1100, 0x1200);
    image.Text(0x1100, "KERNEL32.DLL");
    image.U32(0x1200, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(stub)));
    TJclPeMapImgHooks hooks;
    EXPECT_FALSE(hooks.HookModule(image.base(), MapMarker));  // NT: the stub is an address like any other
    platform.family = 1;
    ASSERT_TRUE(hooks.HookModule(image.base(), MapMarker));
    EXPECT_EQ(image.U32(0x1200), 0x22220000u);
    EXPECT_EQ(hooks[0]->OriginalAddress, Marker(0x11110000));
    EXPECT_STREQ(hooks[0]->LibraryName.CStr(), "KERNEL32.DLL");
    hooks.Clear();  // restores the routine itself
    EXPECT_EQ(image.U32(0x1200), 0x11110000u);
}

// Two imports re-pointed at one replacement (memmove and memcpy share their
// adapter): freeing the hooks gives each slot its own routine back.
TEST_F(ImportTest, SlotsSharingAReplacementAreEachRestoredToTheirOwnRoutine) {
    TestImage image(0x2000);
    image.Directory(1, 0x1000);
    image.Import(0x1000, 0x1100, 0x1200);
    image.Text(0x1100, "msvcrt.dll");
    image.U32(0x1200, 0x11110000);
    image.U32(0x1204, 0x33330000);
    TJclPeMapImgHooks hooks;
    ASSERT_TRUE(hooks.HookModule(image.base(), [](const char*, void* address, void** replacement) {
        if (!address) return true;
        *replacement = Marker(0x22220000);
        return true;
    }));
    EXPECT_EQ(image.U32(0x1200), 0x22220000u);
    EXPECT_EQ(image.U32(0x1204), 0x22220000u);
    hooks.Clear();
    EXPECT_EQ(image.U32(0x1200), 0x11110000u);
    EXPECT_EQ(image.U32(0x1204), 0x33330000u);
}

class FixtureLibrary {
public:
    FixtureLibrary() : module(LoadLibraryA("import_fixture.dll")) {}
    ~FixtureLibrary() {
        if (module) FreeLibrary(module);
    }
    template <class Fn>
    Fn Export(const char* name) const {
        return reinterpret_cast<Fn>(GetProcAddress(module, name));
    }
    HMODULE module;
};

int gFills = 0;
void* __cdecl CountingMemset(void* dest, int value, size_t count) {
    ++gFills;
    auto* p = static_cast<uint8_t*>(dest);
    for (size_t i = 0; i < count; ++i) p[i] = static_cast<uint8_t>(value);
    return dest;
}
char* __stdcall NotCalled(char* text) { return text; }

TEST_F(ImportTest, RealModuleIsRepointedOnceAndRestoredWhenTheHooksAreFreed) {
    FixtureLibrary fixture;
    ASSERT_NE(fixture.module, nullptr);
    auto* memsetAddress = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "memset"));
    auto* upperAddress = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "CharUpperA"));
    void* host = nullptr;
    RegisterReplacement(GetModuleHandleA("msvcrt.dll"), "memset", reinterpret_cast<void*>(&CountingMemset), host);
    EXPECT_EQ(host, memsetAddress);
    RegisterReplacement(GetModuleHandleA("user32.dll"), "CharUpperA", reinterpret_cast<void*>(&NotCalled));
    ImportHooks = new TJclPeMapImgHooks;
    HookedModules = new TStringIntegerHash;

    HookModuleImports("import_fixture.dll", nullptr);
    ASSERT_EQ(ImportHooks->Count(), 1);
    EXPECT_NE(FindImportSlot(fixture.module, "msvcrt.dll", reinterpret_cast<void*>(&CountingMemset)), nullptr);
    EXPECT_NE(FindImportSlot(fixture.module, "USER32.DLL", upperAddress), nullptr);  // left alone
    char bytes[4] = {};
    fixture.Export<void* (*)(void*, int, size_t)>("FillBytes")(bytes, 'a', 3);
    EXPECT_EQ(gFills, 1);
    char text[] = "abc";
    EXPECT_STREQ(fixture.Export<char* (*)(char*)>("Upper")(text), "ABC");

    HookModuleImports("import_fixture.dll", nullptr);         // already scanned under this name
    HookModuleImports("own", GetModuleHandleA(nullptr));      // this library itself
    SkippedSystemModules[0] = GetModuleHandleA("user32.dll");
    HookModuleImports("user32.dll", nullptr);
    SkippedSystemModules[0] = nullptr;
    EXPECT_EQ(ImportHooks->Count(), 1);
    EXPECT_EQ(HookedModules->Count(), 1);

    delete ImportHooks;
    ImportHooks = nullptr;
    EXPECT_NE(FindImportSlot(fixture.module, "MSVCRT.DLL", memsetAddress), nullptr);
    fixture.Export<void* (*)(void*, int, size_t)>("FillBytes")(bytes, 'b', 3);
    EXPECT_EQ(gFills, 1);
    EXPECT_EQ(bytes[2], 'b');
}

TEST_F(ImportTest, ItemsOfAnUnloadedModuleRestoreNothing) {
    RegisterReplacement(GetModuleHandleA("msvcrt.dll"), "memset", reinterpret_cast<void*>(&CountingMemset));
    ImportHooks = new TJclPeMapImgHooks;
    {
        FixtureLibrary fixture;
        ASSERT_TRUE(ImportHooks->HookModule(fixture.module, ChooseReplacement));
    }
    ASSERT_EQ(GetModuleHandleA("import_fixture.dll"), nullptr);
    // Windows frees the module's range; Wine leaves it reserved. Either way
    // nothing can be written there, and the restore must not try.
    void* base = (*ImportHooks)[0]->Base;
    MEMORY_BASIC_INFORMATION region{};
    VirtualQuery(base, &region, sizeof region);
    EXPECT_NE(region.State, static_cast<DWORD>(MEM_COMMIT));
    (*ImportHooks)[0]->Unhook();
    if (region.State == MEM_FREE) {
        EXPECT_EQ((*ImportHooks)[0]->Base, nullptr);
    }

    FixtureLibrary again;
    ASSERT_TRUE(ImportHooks->HookModule(again.module, ChooseReplacement));
    platform.failQuery = true;  // an unanswered query counts as gone too
    ImportHooks->Delete(1);
    EXPECT_NE(FindImportSlot(again.module, "MSVCRT.DLL", reinterpret_cast<void*>(&CountingMemset)), nullptr);
    platform.failQuery = false;
    EXPECT_FALSE(ImportHooks->HookModule(again.module, ChooseReplacement));  // its slot no longer holds memset
}

TEST_F(ImportTest, ImportedAndDelayLoadedLibraryIsListedOnce) {
    FixtureLibrary fixture;
    ASSERT_NE(fixture.module, nullptr);
    // Enter the delay-import directory the linker left empty.
    auto* base = reinterpret_cast<uint8_t*>(fixture.module);
    auto* descriptor = static_cast<const uint8_t*>(fixture.Export<const void* (*)()>("DelayImportDescriptor")());
    IMAGE_NT_HEADERS32* nt = CheckedNtHeaders(base);
    ASSERT_NE(nt, nullptr);
    IMAGE_DATA_DIRECTORY& delay = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    DWORD old;
    ASSERT_TRUE(VirtualProtect(&delay, sizeof delay, PAGE_READWRITE, &old));
    delay.VirtualAddress = static_cast<DWORD>(descriptor - base);
    delay.Size = 32;
    VirtualProtect(&delay, sizeof delay, old, &old);

    std::vector<std::string> names = Names(ImportedLibraryNames(base));
    int targets = 0, msvcrt = 0;
    for (const std::string& n : names) targets += n == "patch_target.dll", msvcrt += n == "MSVCRT.DLL";
    EXPECT_EQ(targets, 1);
    EXPECT_EQ(msvcrt, 1);
    EXPECT_GE(names.size(), 3u);
}

TEST_F(ImportTest, LoadedModulesAreFoundByFileNameWithOrWithoutPsapi) {
    FixtureLibrary fixture;
    EXPECT_EQ(LoadedModuleFinder().Find("IMPORT_FIXTURE.DLL"), fixture.module);
    EXPECT_EQ(LoadedModuleFinder().Find("no_such_module.dll"), nullptr);
    platform.hidePsapi = true;
    EXPECT_EQ(LoadedModuleFinder().Find("import_fixture.dll"), fixture.module);
    platform.hidePsapi = false;
    platform.family = 1;
    EXPECT_EQ(LoadedModuleFinder().Find("Import_Fixture.dll"), fixture.module);
    platform.hidePsapi = platform.hideToolhelp = true;
    platform.family = 2;
    EXPECT_EQ(LoadedModuleFinder().Find("import_fixture.dll"), nullptr);
}

}  // namespace
