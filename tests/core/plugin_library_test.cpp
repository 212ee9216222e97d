// The real plug-in library loaded into a process: its exports, the expert
// entry, and the pin that keeps it mapped after a second load.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

const std::string kLibrary = testsupport::BinDir() + "\\Toravex10.dll";
using InitWizard = BOOL(WINAPI*)(void*, void*, void**);

}  // namespace

TEST(PluginLibrary, ExpertEntryAnswersTrueAndSetsOnlyTheTerminateRoutine) {
    HMODULE library = LoadLibraryA(kLibrary.c_str());
    ASSERT_NE(library, nullptr);
    auto init = reinterpret_cast<InitWizard>(GetProcAddress(library, "INITWIZARD0001"));
    ASSERT_NE(init, nullptr);
    ASSERT_NE(GetProcAddress(library, "Dummy"), nullptr);

    void* terminate = nullptr;
    EXPECT_EQ(init(nullptr, nullptr, &terminate) & 0xFF, 1);
    ASSERT_NE(terminate, nullptr);
    reinterpret_cast<void (*)()>(terminate)();
    reinterpret_cast<void (*)()>(GetProcAddress(library, "Dummy"))();
    EXPECT_EQ(init(nullptr, nullptr, nullptr) & 0xFF, 1) << "a nil terminate variable is left alone";
    FreeLibrary(library);
}

TEST(PluginLibrary, StartUpPinsTheLibraryExactlyOnce) {
    // Two loads (the loader package, then the expert list), two releases: the
    // library stays mapped through its own pin.
    HMODULE first = LoadLibraryA(kLibrary.c_str());
    HMODULE second = LoadLibraryA(kLibrary.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    FreeLibrary(second);
    FreeLibrary(first);
    EXPECT_EQ(GetModuleHandleA(kLibrary.c_str()), first) << "the pin keeps it loaded";
    // A start-up that ran twice would have pinned twice.
    FreeLibrary(first);
    EXPECT_EQ(GetModuleHandleA(kLibrary.c_str()), nullptr) << "exactly one pin";
}
