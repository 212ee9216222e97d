// The package manager's classes of the emulated IDE core package (unit
// Pakmgr): TDesignPackages, the IDE's list of design packages, and
// TDesignPackage, one design package by its file name. The IDE creates each
// design package through TDesignPackage's constructor, which the core
// package exports under its decorated name; the package itself is loaded by
// the IDE afterwards.
#include <windows.h>

#include "RuntimeCalls.h"

extern "C" {
// TObject's class reference, imported as data, and its import slot: the
// classes here name their parent through the slot, as the host compiler
// does across packages.
__declspec(dllimport) extern char rtl_TObject[] __asm__("@System@TObject@");
__declspec(dllimport) extern char rtl_TList[] __asm__("@Classes@TList@");
extern void* rtl_TObjectSlot __asm__("__imp_@System@TObject@");
void thunk_System_TObject_NewInstance() __asm__("thunk_System_TObject_NewInstance");
void thunk_System_TObject_FreeInstance() __asm__("thunk_System_TObject_FreeInstance");
}

namespace pakmgr {

struct ClassRecord {
    hostabi::ClassHeader header;
    void* firstVirtual;  // the class reference points here
};
static_assert(sizeof(hostabi::ClassHeader) == 76);

}  // namespace pakmgr

// The class records, exported as data under the host's names for classes.
extern "C" pakmgr::ClassRecord emu_TDesignPackages_record;
extern "C" pakmgr::ClassRecord emu_TDesignPackage_record;
pakmgr::ClassRecord emu_TDesignPackages_record;
pakmgr::ClassRecord emu_TDesignPackage_record;
__asm__(".globl _emu_Pakmgr_TDesignPackages\n\t.set _emu_Pakmgr_TDesignPackages, _emu_TDesignPackages_record+76\n\t"
        ".globl _emu_Pakmgr_TDesignPackage\n\t.set _emu_Pakmgr_TDesignPackage, _emu_TDesignPackage_record+76");

namespace {

using pakmgr::ClassRecord;

// TDesignPackages = class(TObject) FPackages: TList end
struct DesignPackagesObject {
    const void* classRef;
    void* packages;  // TList of TDesignPackage
};

// TDesignPackage = class(TObject) FFileName: string; FOwner: TDesignPackages;
// FHandle: HMODULE end
struct DesignPackageObject {
    const void* classRef;
    char* fileName;
    DesignPackagesObject* owner;
    HMODULE handle;
};

// A class of this package derived from TObject: TObject's slots, its own
// name, size and destructor.
void DefineClass(ClassRecord& record, const unsigned char* name, int32_t size, void* destroy) {
    const void* tobject = rtl_TObject;
    __asm__("" : "+r"(tobject));  // an address, not an array of known bounds
    hostabi::ClassHeader& h = record.header;
    h = *hostabi::HeaderOfClass(tobject);
    h.selfPtr = &record.firstVirtual;
    h.intfTable = h.autoTable = h.initTable = h.typeInfo = nullptr;
    h.fieldTable = h.methodTable = h.dynamicTable = nullptr;
    h.className = name;
    h.instanceSize = size;
    h.parent = reinterpret_cast<void**>(&rtl_TObjectSlot);
    h.newInstance = reinterpret_cast<void*>(&thunk_System_TObject_NewInstance);
    h.freeInstance = reinterpret_cast<void*>(&thunk_System_TObject_FreeInstance);
    h.destroy = destroy;
}

void HOSTCALL DesignPackagesDestroy(DesignPackagesObject* self, int8_t outermost) {
    rtl_System_BeforeDestruction(self, outermost);
    rtl_System_TObject_Free(self->packages);
    if (outermost) rtl_System_ClassDestroy(self);
}

// TDesignPackage.Destroy: leaves its owner's list.
void HOSTCALL DesignPackageDestroy(DesignPackageObject* self, int8_t outermost) {
    rtl_System_BeforeDestruction(self, outermost);
    if (self->owner) rtl_Classes_TList_Remove(self->owner->packages, self);
    rtl_System_LStrClr(&self->fileName);
    if (outermost) rtl_System_ClassDestroy(self);
}

}  // namespace

void DefineDesignPackageClasses() {
    static const unsigned char kPackagesName[] = "\x0FTDesignPackages";
    static const unsigned char kPackageName[] = "\x0ETDesignPackage";
    DefineClass(emu_TDesignPackages_record, kPackagesName, sizeof(DesignPackagesObject),
                reinterpret_cast<void*>(&DesignPackagesDestroy));
    DefineClass(emu_TDesignPackage_record, kPackageName, sizeof(DesignPackageObject),
                reinterpret_cast<void*>(&DesignPackageDestroy));
}

extern "C" {

// TDesignPackages.Create
void* HOSTCALL emu_Pakmgr_TDesignPackages_Create(void* classOrSelf, int8_t allocate) {
    auto* self = static_cast<DesignPackagesObject*>(rtl_System_ClassCreate(classOrSelf, allocate));
    self->packages = rtl_System_TObject_Create(rtl_TList, 1);
    if (allocate) rtl_System_AfterConstruction(self);
    return self;
}

// TDesignPackage.Create(const FileName: string; Owner: TDesignPackages):
// EAX the class (or the instance), DL the allocation flag, ECX the file
// name, the owner on the stack (removed here).
void* HOSTCALL_STACK emu_Pakmgr_TDesignPackage_Create(void* classOrSelf, int8_t allocate, const char* fileName,
                                                      DesignPackagesObject* owner)
    __asm__("_emu_Pakmgr_TDesignPackage_Create");
void* HOSTCALL_STACK emu_Pakmgr_TDesignPackage_Create(void* classOrSelf, int8_t allocate, const char* fileName,
                                                      DesignPackagesObject* owner) {
    auto* self = static_cast<DesignPackageObject*>(rtl_System_ClassCreate(classOrSelf, allocate));
    rtl_System_LStrAsg(&self->fileName, fileName);
    self->owner = owner;
    if (owner) rtl_Classes_TList_Add(owner->packages, self);
    if (allocate) rtl_System_AfterConstruction(self);
    return self;
}

}  // extern "C"
