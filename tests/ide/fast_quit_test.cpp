// Fast quit with the whole plug-in started in this process (the emulated
// runtime and VCL of build 100 loaded): closing the main form with Ctrl held
// through the VCL's own TCustomForm.Close reaches the plug-in, which undoes
// every change it made to the loaded code and import slots before the
// process ends (the end is replaced by a recorder here). Only what the
// plug-in leaves in place for good stays: the string routines that rewrite
// their callers and the code copied over the list notification.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "HostCall.h"
#include "HostNames.h"
#include "TestSupport.h"
#include "VclInterface.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "base/Lifecycle.h"
#include "base/Win32Platform.h"
#include "ide/FastQuit.h"
#include "startup/Main.h"

namespace {

namespace n = hostnames;
using Bytes = std::string;  // the first bytes of an entry, or an import slot's value

HMODULE gRtl = nullptr, gVcl = nullptr;

// The first 8 bytes of every runtime and VCL entry of the shared list, and
// every import slot of the VCL package.
#define HOST_EXPORT(id, module, buildSet, text) &n::id,
#define HOST_DATA(id, module, buildSet, text)
#define HOST_RAISES(id, module, buildSet, text) &n::id,
const n::HostName* const kRoutines[] = {
#include "HostExports.inc"
};
#undef HOST_EXPORT
#undef HOST_DATA
#undef HOST_RAISES

std::map<std::string, Bytes> Snapshot() {
    std::map<std::string, Bytes> s;
    for (const n::HostName* name : kRoutines) {
        if (!(name->builds & n::B100)) continue;
        HMODULE module = name->module == n::Module::RTL ? gRtl : name->module == n::Module::VCL ? gVcl : nullptr;
        if (auto* p = module ? reinterpret_cast<const char*>(GetProcAddress(module, name->decorated)) : nullptr)
            s[name->decorated] = Bytes(p, 8);
    }
    auto* base = reinterpret_cast<const uint8_t*>(gVcl);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        auto* slots = reinterpret_cast<const uint32_t*>(base + d->FirstThunk);
        for (int i = 0; slots[i]; ++i)
            s[std::string("slot ") + reinterpret_cast<const char*>(base + d->Name) + " " + std::to_string(i)] =
                Bytes(reinterpret_cast<const char*>(&slots[i]), 4);
    }
    return s;
}

std::map<std::string, Bytes> gAtTheEnd;
int gEnds = 0;
void RecordEnd(unsigned code) {
    EXPECT_EQ(code, 0u);
    ++gEnds;
    gAtTheEnd = Snapshot();
}

}  // namespace

TEST(FastQuit, CtrlClosingTheMainFormUndoesEveryChangeToTheLoadedCodeBeforeTheEnd) {
    testsupport::DeleteKeyTree("Software\\Kalvoro\\Toravex\\10");
    gRtl = testsupport::LoadEmulatedRuntime(100);
    gVcl = LoadLibraryA((testsupport::EmulatedIdeDir(100) + "\\vcl100.bpl").c_str());
    ASSERT_TRUE(gRtl && gVcl);
    const auto before = Snapshot();

    toravex::ProcessAttach();
    const auto started = Snapshot();
    std::set<std::string> changed;
    for (const auto& [name, bytes] : before)
        if (started.at(name) != bytes) changed.insert(name);
    EXPECT_TRUE(changed.count(n::Forms_TCustomForm_Close.decorated)) << "the close is redirected";
    EXPECT_GT(changed.size(), 20u);  // the runtime patch set and the IDE hooks

    // The main form, closed the VCL's way with Ctrl held.
    using CreateNew = void*(HOSTCALL_STACK*)(void*, int8_t, void*, int32_t);
    void* app = *static_cast<void**>(toravex::FindHostExport(n::Forms_Application));
    void* form = toravex::FindHostRoutine<CreateNew>(gVcl, n::Forms_TCustomForm_CreateNew)(
        toravex::FindHostExport(n::Forms_TForm), 1, app, 0);
    hostabi::FieldAt<void*>(app, hostabi::VclLayoutFor(100).application.mainForm) = form;
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    auto previous = toravex::SetProcessTerminator(&RecordEnd);
    toravex::FindHostRoutine<void(HOSTCALL*)(void*)>(gVcl, n::Forms_TCustomForm_Close)(form);
    toravex::SetProcessTerminator(previous);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);

    ASSERT_EQ(gEnds, 1);
    EXPECT_TRUE(toravex::ShutdownFlag);
    // What stays for good: the string routines that rewrite their callers'
    // instructions and the code copied over the list notification; and what
    // only the library's unload takes away, which fast quit never reaches:
    // the managed-data routines and object creation.
    const std::set<std::string> kept = {
        n::System_LStrCmp.decorated,         n::System_WStrCmp.decorated,       n::System_LStrAsg.decorated,
        n::System_LStrLAsg.decorated,        n::System_WStrAsg.decorated,       n::System_WStrLAsg.decorated,
        n::Contnrs_TObjectList_Notify.decorated, n::System_New.decorated,       n::System_Dispose.decorated,
        n::System_InitializeArray.decorated, n::System_DynArrayClear.decorated, n::System_FinalizeArray.decorated,
        n::System_IsClass.decorated,         n::System_ClassCreate.decorated,   n::System_TObject_NewInstance.decorated};
    int restored = 0;
    for (const std::string& name : changed) {
        if (kept.count(name)) continue;
        EXPECT_EQ(gAtTheEnd.at(name), before.at(name)) << name << " is not restored";
        ++restored;
    }
    EXPECT_GT(restored, 20);
}
