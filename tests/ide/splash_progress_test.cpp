// The splash progress of build 100 against the emulated VCL in this process:
// the bar and the version label on the IDE's splash window, one step per
// expected package, and nothing without the window or its "SplashLabel".
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "HostCall.h"
#include "HostClasses.h"
#include "HostNames.h"
#include "TestSupport.h"
#include "VclInterface.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "ide/ExpectedPackages.h"
#include "ide/SplashProgress.h"

namespace {

namespace n = hostnames;
using hostabi::FieldAt;
const hostabi::VclLayout& L = hostabi::VclLayoutFor(100);

HMODULE Vcl() {
    static HMODULE vcl = [] {
        testsupport::LoadEmulatedRuntime(100);
        return LoadLibraryA((testsupport::EmulatedIdeDir(100) + "\\vcl100.bpl").c_str());
    }();
    return vcl;
}

template <class Fn>
Fn Entry(const n::HostName& name) {
    return reinterpret_cast<Fn>(toravex::FindHostExport(name));
}
void SetName(void* c, const char* name) {
    toravex::HostString text(name);
    Entry<void(HOSTCALL*)(void*, const char*)>(n::Classes_TComponent_SetName)(c, text.Get());
}
void* Application() { return *Entry<void**>(n::Forms_Application); }
void* NewForm(const char* name) {
    using CreateNew = void*(HOSTCALL_STACK*)(void*, int8_t, void*, int32_t);
    void* f = Entry<CreateNew>(n::Forms_TCustomForm_CreateNew)(toravex::FindHostExport(n::Forms_TForm), 1,
                                                              Application(), 0);
    SetName(f, name);
    using Bounds = void(HOSTCALL_STACK*)(void*, int32_t, int32_t, int32_t, int32_t);
    Entry<Bounds>(n::Controls_TControl_SetBounds)(f, 300, 200, 300, 480);  // height before width: pushed order
    return f;
}
void* NewLabel(void* form, const char* name, int left, int top, int width) {
    void* cls = toravex::FindHostExport(n::Stdctrls_TLabel);
    using Ctor = void*(HOSTCALL*)(void*, int8_t, void*);
    void* label = emuhost::ClassVirtual<Ctor>(cls, emuhost::vslot::kCreate)(cls, 1, form);
    SetName(label, name);
    Entry<void(HOSTCALL*)(void*, void*)>(n::Controls_TControl_SetParent)(label, form);
    Entry<void(HOSTCALL*)(void*, bool)>(n::Stdctrls_TCustomLabel_SetAutoSize)(label, false);
    using Bounds = void(HOSTCALL_STACK*)(void*, int32_t, int32_t, int32_t, int32_t);
    Entry<Bounds>(n::Controls_TControl_SetBounds)(label, left, top, 16, width);
    return label;
}
void Free(void* object) { Entry<void(HOSTCALL*)(void*)>(n::System_TObject_Free)(object); }
void* Find(void* owner, const char* name) {
    toravex::HostString text(name);
    return Entry<void*(HOSTCALL*)(void*, const char*)>(n::Classes_TComponent_FindComponent)(owner, text.Get());
}
int32_t Field(void* c, int32_t offset) { return FieldAt<int32_t>(c, offset); }
int32_t ClientWidth(void* c) { return Entry<int32_t(HOSTCALL*)(void*)>(n::Controls_TControl_GetClientWidth)(c); }

class SplashProgressTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(Vcl(), nullptr); }

    // Fifty packages under a registry root of this test, and one loaded already.
    void SetUp() override {
        const std::string key = "Software\\Borland\\" + Root() + "\\4.0\\Known Packages";
        for (int i = 0; i < 50; ++i)
            testsupport::WriteString(key, "C:\\BDS\\bin\\pkg" + std::to_string(100 + i) + ".bpl", "package");
        testsupport::WriteString(key, "C:\\Windows\\system32\\kernel32.dll", "loaded");
        toravex::ExpectedPackages = new toravex::HostStringList;
        toravex::ResetSplashProgress();
        toravex::HostStringList parameters;
        parameters.Add(toravex::HostString(("-r" + Root()).c_str()));
        parameters.Add(toravex::HostString("-pDelphi"));
        toravex::BuildSplashProgressList(parameters);
    }
    void TearDown() override {
        if (splash_) Free(splash_);
        toravex::ResetSplashProgress();
        delete toravex::ExpectedPackages;
        toravex::ExpectedPackages = nullptr;
        testsupport::DeleteKeyTree("Software\\Borland\\" + Root());
    }
    static std::string Root() { return "ToravexSplash" + std::to_string(GetCurrentProcessId()); }
    static std::string Package(int i) { return "C:\\BDS\\bin\\PKG" + std::to_string(100 + i) + ".BPL"; }

    void* splash_ = nullptr;
};

}  // namespace

TEST_F(SplashProgressTest, EachExpectedPackageAdvancesTheBarOnce) {
    ASSERT_EQ(toravex::ExpectedPackages->Count(), 50) << "kernel32.dll is loaded already";
    splash_ = NewForm("SplashScreen");
    void* label = NewLabel(splash_, "SplashLabel", 16, 250, 448);

    toravex::AdvanceSplashProgress(Package(0).c_str());
    void* bar = Find(splash_, "SplashProgress");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Field(bar, L.progressBar.position), 2);
    // Above the label, 120 in from its left, 130 narrower; on its parent.
    EXPECT_EQ(Field(bar, L.control.left), 16 + 120);
    EXPECT_EQ(Field(bar, L.control.height), 10);
    EXPECT_EQ(Field(bar, L.control.width), 448 - 130);
    EXPECT_LT(Field(bar, L.control.top), 250 - 20);
    EXPECT_EQ(FieldAt<void*>(bar, L.control.parent), FieldAt<void*>(label, L.control.parent));
    EXPECT_EQ(FieldAt<uint8_t>(bar, L.control.anchors), hostabi::vcl::kAkLeft | hostabi::vcl::kAkRight |
                                                            hostabi::vcl::kAkBottom);
    // The version label in the top right corner.
    void* version = Find(splash_, "ToravexLabel");
    ASSERT_NE(version, nullptr);
    EXPECT_STREQ(FieldAt<char*>(version, L.control.text), "Toravex 2.35");
    EXPECT_EQ(Field(version, L.control.top), 4);
    EXPECT_EQ(Field(version, L.control.left) + Field(version, L.control.width) + 8, ClientWidth(splash_));
    EXPECT_EQ(FieldAt<int32_t>(FieldAt<void*>(version, L.control.font), L.font.color), hostabi::vcl::kClWhite);

    // Not expected, or loaded a second time: the bar stays.
    for (const std::string& other : {std::string("C:\\BDS\\bin\\unexpected.bpl"), Package(0), std::string(),
                                     std::string("pkg1.bpl")})
        toravex::AdvanceSplashProgress(other.c_str());
    EXPECT_EQ(Field(bar, L.control.left), 136);
    EXPECT_EQ(Field(bar, L.progressBar.position), 2);
    for (int i = 1; i < 50; ++i) {
        toravex::AdvanceSplashProgress(Package(i).c_str());
        EXPECT_EQ(Field(bar, L.progressBar.position), (i + 1) * 100 / 50) << i;
    }
    EXPECT_EQ(toravex::ExpectedPackages->Count(), 0);
}

TEST_F(SplashProgressTest, WithoutTheSplashWindowOrItsLabelNothingIsConsumed) {
    toravex::AdvanceSplashProgress(Package(0).c_str());
    EXPECT_EQ(toravex::ExpectedPackages->Count(), 50) << "no splash window";

    splash_ = NewForm("SplashScreen");
    NewLabel(splash_, "OtherLabel", 16, 250, 448);
    toravex::AdvanceSplashProgress(Package(0).c_str());
    EXPECT_EQ(toravex::ExpectedPackages->Count(), 50) << "no SplashLabel";
    EXPECT_EQ(Find(splash_, "SplashProgress"), nullptr);
    EXPECT_EQ(Find(splash_, "ToravexLabel"), nullptr) << "made only together with the bar";

    // Once the label is there, the same package counts.
    NewLabel(splash_, "SplashLabel", 16, 250, 448);
    toravex::AdvanceSplashProgress(Package(0).c_str());
    EXPECT_EQ(toravex::ExpectedPackages->Count(), 49);
}
