// A design package of the large installation (ScaleInstallation.cmake):
// registers with the runtime when it is mapped, and in its initialization
// registers a few components by name, as a typical design package does.
// Its initialization is light, so that loading many of them is dominated
// by what loading a package costs: mapping it, binding its imports and the
// runtime's duplicate-unit check.
#include <windows.h>

#include "RuntimeCalls.h"

extern "C" {
__declspec(dllimport) extern char rtl_TList[] __asm__("@Classes@TList@");
}

namespace {

hostabi::LibModule gModule;
char gPath[MAX_PATH];
uint32_t gResult = 0;
int32_t gInitCount = 0;
void* gComponents = nullptr;  // a TList of the registered names, kept until Finalize

const char* const kComponents[] = {"TScaleButton", "TScaleEdit", "TScaleGrid", "TScaleLabel",
                                   "TScalePanel", "TScaleQuery", "TScaleReport", "TScaleTimer"};

// Registers each component under "<package>.<class>" and checks the list
// for duplicates, through the runtime's routines.
uint32_t RegisterComponents() {
    char* path = nullptr;
    char* package = nullptr;
    rtl_System_LStrFromPChar(&path, gPath);
    rtl_Sysutils_ExtractFileName(path, &package);
    rtl_System_LStrClr(&path);
    gComponents = rtl_System_TObject_Create(rtl_TList, 1);
    uint32_t sum = 2166136261u;
    for (const char* component : kComponents) {
        char* name = nullptr;
        char* dot = nullptr;
        char* type = nullptr;
        rtl_System_LStrFromPChar(&dot, ".");
        rtl_System_LStrFromPChar(&type, component);
        rtl_System_LStrCat3(&name, package, dot);
        rtl_System_LStrCat(&name, type);
        auto* list = static_cast<hostabi::ListObject*>(gComponents);
        for (int32_t i = 0; i < list->count; ++i) {
            const char* other = static_cast<const char*>(rtl_Classes_TList_Get(gComponents, i));
            sum = (sum ^ static_cast<uint32_t>(rtl_Sysutils_CompareText(other, name))) * 16777619u;
        }
        sum = (sum ^ static_cast<uint32_t>(rtl_System_LStrLen(name))) * 16777619u;
        rtl_Classes_TList_Add(gComponents, name);  // the list keeps the reference
        rtl_System_LStrClr(&dot);
        rtl_System_LStrClr(&type);
    }
    rtl_System_LStrClr(&package);
    return sum;
}

void UnregisterComponents() {
    if (!gComponents) return;
    auto* list = static_cast<hostabi::ListObject*>(gComponents);
    for (int32_t i = 0; i < list->count; ++i) rtl_System_LStrClr(reinterpret_cast<char**>(&list->list[i]));
    rtl_System_TObject_Free(gComponents);
    gComponents = nullptr;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule.instance = gModule.codeInstance = gModule.dataInstance = gModule.resInstance =
            reinterpret_cast<uint32_t>(instance);
        GetModuleFileNameA(instance, gPath, sizeof gPath);
        rtl_System_RegisterModule(&gModule);
    } else if (reason == DLL_PROCESS_DETACH) {
        rtl_System_UnregisterModule(&gModule);
    }
    return TRUE;
}

extern "C" {
void HOSTCALL Initialize() {
    if (gInitCount++ == 0) gResult = RegisterComponents();
}
void HOSTCALL Finalize() {
    if (gInitCount > 0 && --gInitCount == 0) UnregisterComponents();
}
uint32_t WorkloadResult() { return gResult; }
}
