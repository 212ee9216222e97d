// Packages: the package-information resource read through GetPackageInfo,
// LoadPackage with the duplicate-unit check, unloading with the module-unload
// procedures, and the generated design packages' import thunks.
#include "EmuHostTest.h"

#include <cstring>
#include <set>
#include <vector>

#include "base/HostException.h"

using namespace emutest;
using toravex::HostString;
namespace n = hostnames;
namespace host = toravex::host;

namespace {

class Packages : public EmuHostTest {
protected:
    static std::string PackagePath(const char* name) { return testsupport::EmulatedIdeDir(100) + "\\" + name; }
};

struct Unit {
    std::string name;
    int type, flags;
};
std::vector<Unit> gUnits;
void HOSTCALL_STACK CollectUnit(const char* name, uint8_t type, uint8_t flags, void* param) {
    gUnits.push_back({Text(name), type, flags});
    ++*static_cast<int*>(param);
}

using testsupport::RaisedMessage;

HMODULE LoadPackage(const std::string& path) {
    HostString name(path.c_str());
    return reinterpret_cast<HMODULE>(HostCall(n::Sysutils_LoadPackage, {Word(name.Get())}).outEax);
}

std::vector<uint32_t> gUnloaded;
void HOSTCALL RecordUnload(uint32_t module) { gUnloaded.push_back(module); }

}  // namespace

TEST_F(Packages, GetPackageInfoReportsRequiredPackagesThenUnitsWithTheirFlags) {
    HMODULE module = LoadLibraryExA(PackagePath("dclemu07.bpl").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(module, nullptr);
    int32_t flags = 0;
    int calls = 0;
    gUnits.clear();
    HostCallFrame f = HostCall(n::Sysutils_GetPackageInfo, {Word(module), Word(&calls), Word(&flags)},
                               {Word(&CollectUnit)});
    EXPECT_EQ(f.stackRemoved, 4);
    EXPECT_EQ(static_cast<uint32_t>(flags) & hostabi::kModuleTypeMask, hostabi::kPackageModule);
    ASSERT_EQ(calls, 9);
    EXPECT_EQ(gUnits[0].name, "rtl100");
    EXPECT_EQ(gUnits[0].type, hostabi::kRequiresPackage);
    EXPECT_EQ(gUnits[1].name, "dclemu07");
    EXPECT_EQ(gUnits[1].flags, 2);
    EXPECT_EQ(gUnits[4].name, "EmuReg07");
    EXPECT_EQ(gUnits[4].type, hostabi::kContainsUnit);
    EXPECT_EQ(gUnits[6].flags, 4);  // the shared weak unit
    EXPECT_EQ(gUnits[7].flags, 0x10);  // an implicit unit
    EXPECT_EQ(gUnits[8].name, "dclemu07.dcp");
    EXPECT_EQ(gUnits[8].type, hostabi::kDcpBpiName);
    FreeLibrary(module);
}

TEST_F(Packages, ADuplicateUnitFailsTheLoadNamingBothPackagesAndReleasesTheModule) {
    const std::string first = PackagePath("dclemu01.bpl"), dup = PackagePath("dclemudup.bpl");
    using AddProc = void(HOSTCALL*)(void(HOSTCALL*)(uint32_t));
    Routine<AddProc>(n::System_AddModuleUnloadProc)(&RecordUnload);

    HMODULE module = LoadPackage(first);
    ASSERT_NE(module, nullptr);
    auto result = reinterpret_cast<uint32_t (*)()>(GetProcAddress(module, "WorkloadResult"));
    ASSERT_NE(result, nullptr);
    EXPECT_NE(result(), 0u);  // its initialization ran the start-up work

    std::string cls;
    std::string message = RaisedMessage([&] { LoadPackage(dup); }, &cls);
    EXPECT_EQ(cls, "EPackageError");
    EXPECT_EQ(message,
              "Cannot load package 'dclemudup.'  It contains unit 'EmuReg01,' which is also contained in package "
              "'dclemu01'");
    EXPECT_EQ(GetModuleHandleA("dclemudup.bpl"), nullptr);

    gUnloaded.clear();
    HostCall(n::Sysutils_UnloadPackage, {Word(module)});
    EXPECT_EQ(gUnloaded, std::vector<uint32_t>{Word(module)});
    EXPECT_EQ(GetModuleHandleA("dclemu01.bpl"), nullptr);
    Routine<AddProc>(n::System_RemoveModuleUnloadProc)(&RecordUnload);

    HMODULE again = LoadPackage(dup);  // no longer a duplicate
    ASSERT_NE(again, nullptr);
    HostCall(n::Sysutils_UnloadPackage, {Word(again)});
    EXPECT_TRUE(gUnloaded.size() == 1);  // removed procedures are not called
}

TEST_F(Packages, LoadingOrInitializingSomethingThatIsNoPackageRaisesTheRuntimesPackageError) {
    std::string missing = testsupport::TempDir() + "\\NoSuchPackage.bpl";
    std::string message = RaisedMessage([&] { LoadPackage(missing); });
    EXPECT_EQ(message.rfind("Can't load package " + missing + ".\r\n", 0), 0u) << message;

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    message = RaisedMessage([] { HostCall(n::Sysutils_InitializePackage, {Word(GetModuleHandleA(nullptr))}); });
    EXPECT_EQ(message, std::string("Invalid package file '") + self + "'");
}

// Every call a design package makes into the runtime goes through a thunk of
// the host linker's shape, and none reaches an export kept only to be found.
TEST_F(Packages, DesignPackagesImportOnlyImplementedRoutinesThroughHostShapedThunks) {
    std::set<std::string> implemented, stubs;
#define HOST_EXPORT(id, module, builds, text) implemented.insert(text);
#define HOST_DATA(id, module, builds, text) implemented.insert(text);
#define HOST_RAISES(id, module, builds, text) stubs.insert(text);
#include "HostExports.inc"
#undef HOST_EXPORT
#undef HOST_DATA
#undef HOST_RAISES

    HMODULE module = LoadLibraryExA(PackagePath("dclemu03.bpl").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(module, nullptr);
    auto* base = reinterpret_cast<const unsigned char*>(module);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::set<uint32_t> runtimeSlots;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (std::string(reinterpret_cast<const char*>(base + d->Name)) != "rtl100.bpl") continue;
        auto* names = reinterpret_cast<const uint32_t*>(base + d->OriginalFirstThunk);
        for (int i = 0; names[i]; ++i) {
            std::string name = reinterpret_cast<const char*>(base + names[i] + 2);
            EXPECT_TRUE(implemented.count(name)) << name;
            EXPECT_FALSE(stubs.count(name)) << name;
            runtimeSlots.insert(Word(module) + d->FirstThunk + 4 * i);
        }
    }
    EXPECT_GT(runtimeSlots.size(), 100u);

    // Thunks: FF 25 <a runtime import slot> 8B C0, one per imported routine.
    size_t thunks = 0;
    const IMAGE_SECTION_HEADER* text = IMAGE_FIRST_SECTION(nt);
    const unsigned char* code = base + text->VirtualAddress;
    for (uint32_t i = 0; i + 8 <= text->Misc.VirtualSize; ++i) {
        uint32_t slot;
        std::memcpy(&slot, code + i + 2, 4);
        if (code[i] == 0xFF && code[i + 1] == 0x25 && runtimeSlots.count(slot)) {
            EXPECT_TRUE(code[i + 6] == 0x8B && code[i + 7] == 0xC0);
            ++thunks;
        }
    }
    EXPECT_GE(thunks, runtimeSlots.size() - 8);  // data imports have no thunk
    FreeLibrary(module);
}
