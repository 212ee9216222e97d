// The loader package of each build: its package resources, and what its
// initialization does with the library beside it, without it, and with a
// language resource module. (check_packages.sh checks its exports and
// imports.)
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "HostLayout.h"
#include "MessageBoxes.h"
#include "TestSupport.h"

using namespace testsupport;
using Names = std::vector<std::string>;

namespace {

struct LoaderBuild {
    int version;
    const char* file;
    const char* runtime;  // the required package
    const char* library;
};
const LoaderBuild kBuilds[] = {
    {100, "ToravexLoader10.bpl", "rtl100", "Toravex10.dll"},
    {90, "ToravexLoader9.bpl", "rtl90", "Toravex9.dll"},
    {70, "ToravexLoader7.bpl", "rtl70", "Toravex7.dll"},
    {60, "ToravexLoader6.bpl", "rtl60", "Toravex6.dll"},
    {50, "ToravexLoader5.bpl", "vcl50", "Toravex5.dll"},
};

// The runtime's name hash of the package information (low byte).
uint8_t NameHash(const std::string& name) {
    uint32_t h = 0;
    for (char c : name) h = ((h << 5) | (h >> 27)) ^ static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
    return static_cast<uint8_t>((h << 5) | (h >> 27));
}

template <class T>
std::pair<const T*, DWORD> Resource(HMODULE module, const char* name) {
    HRSRC info = FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RCDATA
    if (!info) return {nullptr, 0};
    return {static_cast<const T*>(LockResource(LoadResource(module, info))), SizeofResource(module, info)};
}

std::string Copy(const std::string& from, const std::string& folder, const std::string& name) {
    const std::string to = folder + "\\" + name;
    CopyFileA(from.c_str(), to.c_str(), FALSE);
    return to;
}

std::string Folder(const std::string& name) {
    const std::string folder = TempDir() + "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

const hostabi::LibModule* RegisteredModule(HMODULE runtime, HMODULE instance) {
    auto* list = reinterpret_cast<hostabi::LibModule**>(GetProcAddress(runtime, "@System@LibModuleList"));
    for (const hostabi::LibModule* m = list ? *list : nullptr; m; m = m->next)
        if (m->instance == reinterpret_cast<uintptr_t>(instance)) return m;
    return nullptr;
}

using PackageProc = void(__attribute__((regparm(3))) *)();
void CallExport(HMODULE package, const char* name) {
    reinterpret_cast<PackageProc>(GetProcAddress(package, name))();
}

const std::string kProbe = BuildDir() + "\\tests\\LoaderProbe.dll";
int References(HMODULE library) {
    return reinterpret_cast<int (*)(HMODULE)>(GetProcAddress(library, "ProbeReferencesOf"))(library);
}

}  // namespace

TEST(LoaderPackage, EachBuildCarriesTheHostPackageResources) {
    for (const LoaderBuild& build : kBuilds) {
        SCOPED_TRACE(build.file);
        const std::string path = BinDir() + "\\" + build.file;
        HMODULE image = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        auto [info, size] = Resource<BYTE>(image, "PACKAGEINFO");
        ASSERT_NE(info, nullptr);
        const BYTE* p = info;
        auto u32 = [&] {
            uint32_t value;
            std::memcpy(&value, p, 4);
            p += 4;
            return value;
        };
        auto name = [&] {  // a hash byte, then the name
            const uint8_t hash = *p++;
            const std::string name = reinterpret_cast<const char*>(p);
            p += name.size() + 1;
            EXPECT_EQ(hash, NameHash(name)) << name;
            return name;
        };
        EXPECT_EQ(u32(), 0x4C000003u) << "package, design-time only, never rebuilt";
        ASSERT_EQ(u32(), 1u);
        EXPECT_EQ(name(), build.runtime);
        ASSERT_EQ(u32(), 2u);
        EXPECT_EQ(*p++, 0);
        EXPECT_EQ(name(), "ToravexLoader_Main");
        EXPECT_EQ(*p++, 3) << "the package's own unit";
        const std::string unit = name();
        EXPECT_EQ(name(), unit) << "then the package's own name";
        EXPECT_EQ(p, info + size);

        auto [description, length] = Resource<wchar_t>(image, "DESCRIPTION");
        EXPECT_EQ(std::wstring(description, length / 2), std::wstring(L"Toravex Loader", 15));
        FreeLibrary(image);

        std::vector<BYTE> version(GetFileVersionInfoSizeA(path.c_str(), nullptr));
        VS_FIXEDFILEINFO* fixed = nullptr;
        char* text = nullptr;
        UINT bytes = 0;
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
        ASSERT_TRUE(VerQueryValueA(version.data(), "\\", reinterpret_cast<void**>(&fixed), &bytes));
        EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u) << "1.0";
        EXPECT_EQ(fixed->dwFileVersionLS, 0u) << "0.0";
        EXPECT_TRUE(VerQueryValueA(version.data(), "\\StringFileInfo\\040904E4\\ProductName",
                                   reinterpret_cast<void**>(&text), &bytes));
        EXPECT_STREQ(text ? text : "?", "");
    }
}

TEST(LoaderPackage, LoadsTheLibraryBesideItselfTwiceAndKeepsIt) {
    HMODULE runtime = LoadEmulatedRuntime(100);
    // A folder whose path has 200 characters.
    std::string folder = TempDir() + "\\";
    folder += std::string(200 - folder.size(), 'p');
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string library = Copy(kProbe, folder, "Toravex10.dll");
    HMODULE package = LoadLibraryA(Copy(BinDir() + "\\ToravexLoader10.bpl", folder, "ToravexLoader10.bpl").c_str());
    ASSERT_NE(package, nullptr);
    const hostabi::LibModule* module = RegisteredModule(runtime, package);
    ASSERT_NE(module, nullptr) << "registered with the runtime at process attach";
    EXPECT_EQ(module->resInstance, module->instance) << "no language resource module";
    EXPECT_EQ(GetModuleHandleA(library.c_str()), nullptr) << "nothing loaded before Initialize";

    CallExport(package, "Initialize");
    CallExport(package, "@Toravexloader@@PackageLoad$qqrv");  // the units run once
    HMODULE loaded = GetModuleHandleA(library.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(References(loaded), 2);

    CallExport(package, "Finalize");
    FreeLibrary(package);
    EXPECT_EQ(RegisteredModule(runtime, package), nullptr) << "unregistered at process detach";
    EXPECT_EQ(GetModuleHandleA(library.c_str()), loaded) << "the library stays";
    EXPECT_EQ(References(loaded), 2);
}

TEST(LoaderPackage, LibraryAlreadyLoadedGetsItsReferencesAndALanguageModuleIsUsed) {
    HMODULE runtime = LoadEmulatedRuntime(100);
    const std::string folder = Folder("preloaded");
    HMODULE library = LoadLibraryA(Copy(kProbe, folder, "Toravex10.dll").c_str());
    char language[8] = {};
    GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, language, sizeof language);
    Copy(kProbe, folder, std::string("ToravexLoader10.") + language);

    HMODULE package = LoadLibraryA(Copy(BinDir() + "\\ToravexLoader10.bpl", folder, "ToravexLoader10.bpl").c_str());
    const hostabi::LibModule* module = RegisteredModule(runtime, package);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(module->resInstance, module->instance);
    EXPECT_NE(module->resInstance, 0u);
    CallExport(package, "Initialize");
    EXPECT_EQ(References(library), 3);
    FreeLibrary(package);
}

TEST(LoaderPackage, MissingLibraryShowsExactlyOneMessageAndNothingElse) {
    for (const LoaderBuild& build : {kBuilds[0], kBuilds[4]}) {
        SCOPED_TRACE(build.file);
        LoadEmulatedRuntime(build.version);
        const std::string folder = Folder(std::string("alone") + build.runtime);
        HMODULE package = LoadLibraryA(Copy(BinDir() + "\\" + build.file, folder, build.file).c_str());
        ASSERT_NE(package, nullptr);

        std::atomic<bool> done = false;
        std::thread initialize([&] {
            CallExport(package, "Initialize");
            done = true;
        });
        Names messages = loadertest::AnswerMessageBoxes(GetCurrentProcessId(), "Toravex Loader", [&] { return done.load(); });
        initialize.join();
        EXPECT_EQ(messages, Names{std::string("Cannot load ") + build.library + "|OK"});
        FreeLibrary(package);
    }
}
