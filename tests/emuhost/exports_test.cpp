// Every name of the shared list is exported by the module of its role (the
// runtime package, the VCL package, the IDE services or the palette package)
// in each build that has it, and by no other; stubs kept only to be found
// raise when called.
#include "EmuHostTest.h"
#include "VclInterface.h"
#include "base/HostException.h"

using namespace emutest;

namespace {

struct Entry {
    const hostnames::HostName* name;
    bool stub;
};

#define HOST_EXPORT(id, module, builds, text) {&hostnames::id, false},
#define HOST_DATA(id, module, builds, text) {&hostnames::id, false},
#define HOST_RAISES(id, module, builds, text) {&hostnames::id, true},
const Entry kEntries[] = {
#include "HostExports.inc"
};
#undef HOST_EXPORT
#undef HOST_DATA
#undef HOST_RAISES

struct Build {
    int version;
    unsigned bit;
};
const Build kBuilds[] = {{100, hostnames::B100}, {90, hostnames::B90}, {70, hostnames::B70},
                         {60, hostnames::B60}, {50, hostnames::B50}};

// The module of a role in a build, mapped for reading its exports only; 0
// where the build has none.
HMODULE ModuleOf(hostnames::Module role, int build) {
    const hostabi::VclLayout& l = hostabi::VclLayoutFor(build);
    const char* file = role == hostnames::Module::VCL           ? l.vclPackage
                       : role == hostnames::Module::IDESERVICES ? l.ideServicesPackage
                       : role == hostnames::Module::PALETTE     ? l.palettePackage
                                                                : "";
    if (role == hostnames::Module::RTL || (role == hostnames::Module::VCL && build == 50))
        return testsupport::LoadEmulatedRuntime(build);
    if (!*file) return nullptr;
    const std::string path = testsupport::EmulatedIdeDir(build) + "\\" + file;
    return LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
}

}  // namespace

TEST(EmulatedRuntimeExports, EachBuildExportsExactlyItsNames) {
    for (const Build& b : kBuilds) {
        HMODULE rtl = testsupport::LoadEmulatedRuntime(b.version);
        ASSERT_NE(rtl, nullptr) << b.version;
        for (const Entry& e : kEntries) {
            if (e.name->module != hostnames::Module::RTL) continue;
            const bool expected = (e.name->builds & b.bit) != 0;
            HMODULE module = ModuleOf(e.name->module, b.version);
            ASSERT_TRUE(module || !expected) << "build " << b.version << " has no module for " << e.name->decorated;
            if (module) {
                EXPECT_EQ(GetProcAddress(module, e.name->decorated) != nullptr, expected)
                    << "build " << b.version << ": " << e.name->decorated;
            }
            // A routine of another role is not in the runtime package (but
            // build 50's, which is its VCL package too).
            if (module != rtl) {
                EXPECT_EQ(GetProcAddress(rtl, e.name->decorated), nullptr)
                    << "build " << b.version << ": " << e.name->decorated;
            }
        }
        EXPECT_NE(GetProcAddress(rtl, "Initialize"), nullptr);
        EXPECT_NE(GetProcAddress(rtl, "Finalize"), nullptr);
    }
}

TEST(EmulatedRuntimeExports, AStubKeptOnlyToBeFoundRaisesTheRuntimeError) {
    int stubs = 0;
    for (const Entry& e : kEntries) stubs += e.stub;
    if (stubs == 0) GTEST_SKIP() << "every export of the list is implemented";
    for (const Entry& e : kEntries) {
        if (!e.stub) continue;
        auto stub = reinterpret_cast<void (*)()>(GetProcAddress(Rtl(), e.name->decorated));
        ASSERT_NE(stub, nullptr);
        toravex::host::CaughtException caught{};
        EXPECT_TRUE(toravex::host::TryExcept([&] { stub(); }, caught)) << e.name->decorated;
        std::string message = toravex::host::MessageOf(caught.object);
        EXPECT_NE(message.find(e.name->decorated), std::string::npos) << message;
        toravex::host::FreeHostObject(caught.object);
    }
}
