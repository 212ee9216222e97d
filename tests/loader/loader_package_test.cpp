// The loader package of each build: its exports, imports and package
// resources, and what its initialization does with the library beside it,
// without it, and with a language resource module.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "HostLayout.h"
#include "MessageBoxes.h"
#include "PeImage.h"
#include "TestSupport.h"

using namespace testsupport;
using loadertest::PeImage;
using Names = std::vector<std::string>;

namespace {

struct LoaderBuild {
    int version;
    const char* file;
    const char* unit;  // as the decorated names spell it
    const char* runtime;  // the required package
    const char* library;
};
const LoaderBuild kBuilds[] = {
    {100, "ToravexLoader10.bpl", "Toravexloader", "rtl100", "Toravex10.dll"},
    {90, "ToravexLoader9.bpl", "Toravexloader", "rtl90", "Toravex9.dll"},
    {70, "ToravexLoader7.bpl", "Toravexloader", "rtl70", "Toravex7.dll"},
    {60, "ToravexLoader6.bpl", "Toravexloader", "rtl60", "Toravex6.dll"},
    {50, "ToravexLoader5.bpl", "Toravexloader5", "vcl50", "Toravex5.dll"},
};

// The runtime's name hash of the package information (low byte).
uint8_t NameHash(const std::string& name) {
    uint32_t h = 0;
    for (char c : name) h = ((h << 5) | (h >> 27)) ^ static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
    return static_cast<uint8_t>((h << 5) | (h >> 27));
}

// Reads a hash byte and the name after it; false when the hash is wrong.
bool HashedName(const BYTE*& p, std::string& name) {
    const uint8_t hash = *p++;
    name = reinterpret_cast<const char*>(p);
    p += name.size() + 1;
    return hash == NameHash(name);
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

TEST(LoaderPackage, EachBuildHasTheHostPackageExportsImportsAndResources) {
    for (const LoaderBuild& build : kBuilds) {
        SCOPED_TRACE(build.file);
        PeImage image(BinDir() + "\\" + build.file);
        ASSERT_NE(image.Module(), nullptr);
        const std::string unit = build.unit;
        Names expected = {"Initialize", "Finalize", "@GetPackageInfoTable",
                          "@" + unit + "@@GetPackageInfoTable$qqrv", "@" + unit + "@@PackageLoad$qqrv",
                          "@" + unit + "@@PackageUnload$qqrv", "@" + unit + "@initialization$qqrv",
                          "@Toravexloader_main@initialization$qqrv", "@Toravexloader_main@Finalization$qqrv"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(image.ExportNames(), expected);

        const std::string runtime = std::string(build.runtime) + ".bpl";
        for (const auto& [module, names] : image.Imports()) {
            if (module == runtime)
                EXPECT_EQ(names, (Names{"@System@RegisterModule$qqrp17System@TLibModule",
                                        "@System@UnregisterModule$qqrp17System@TLibModule"}));
            else
                EXPECT_TRUE(module == "kernel32.dll" || module == "user32.dll" || module == "msvcrt.dll") << module;
        }

        auto [info, size] = Resource<BYTE>(image.Module(), "PACKAGEINFO");
        ASSERT_NE(info, nullptr);
        const BYTE *p = info, *end = info + size;
        EXPECT_EQ(*reinterpret_cast<const uint32_t*>(p), 0x4C000003u) << "package, design-time only, never rebuilt";
        p += 4;
        std::string name;
        ASSERT_EQ(*reinterpret_cast<const int32_t*>(p), 1);
        p += 4;
        EXPECT_TRUE(HashedName(p, name));
        EXPECT_EQ(name, build.runtime);
        ASSERT_EQ(*reinterpret_cast<const int32_t*>(p), 2);
        p += 4;
        EXPECT_EQ(*p++, 0);
        EXPECT_TRUE(HashedName(p, name));
        EXPECT_EQ(name, "ToravexLoader_Main");
        EXPECT_EQ(*p++, 3) << "the package's own unit";
        EXPECT_TRUE(HashedName(p, name));
        EXPECT_TRUE(HashedName(p, name));  // the package's own name
        EXPECT_EQ(p, end);

        auto [description, length] = Resource<wchar_t>(image.Module(), "DESCRIPTION");
        ASSERT_NE(description, nullptr);
        EXPECT_EQ(std::wstring(description, length / 2), std::wstring(L"Toravex Loader", 15));
    }
}

TEST(LoaderPackage, VersionIsOneWithEmptyTexts) {
    const std::string path = BinDir() + "\\ToravexLoader10.bpl";
    std::vector<BYTE> data(GetFileVersionInfoSizeA(path.c_str(), nullptr));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    char* text = nullptr;
    EXPECT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\FileDescription",
                               reinterpret_cast<void**>(&text), &size));
    EXPECT_STREQ(text ? text : "?", "");
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
