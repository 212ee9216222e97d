#include "PackageClasses.h"

extern "C" {
// The runtime's entries that class records name, as this package imports
// them (the import slots) and calls them (the import thunks).
extern void* imp_TObject_NewInstance __asm__("__imp_@System@TObject@NewInstance$qqrp17System@TMetaClass");
extern void* imp_TObject_FreeInstance __asm__("__imp_@System@TObject@FreeInstance$qqrv");
extern void* imp_TObject_Destroy __asm__("__imp_@System@TObject@$bdtr$qqrv");
extern void* imp_TInterfacedObject_NewInstance
    __asm__("__imp_@System@TInterfacedObject@NewInstance$qqrp17System@TMetaClass");
void thunk_System_TObject_NewInstance() __asm__("thunk_System_TObject_NewInstance");
void thunk_System_TObject_FreeInstance() __asm__("thunk_System_TObject_FreeInstance");
void thunk_System_TObject_Destroy() __asm__("thunk_System_TObject_Destroy");
void thunk_System_TInterfacedObject_NewInstance() __asm__("thunk_System_TInterfacedObject_NewInstance");
}

namespace design {

namespace {

void* ThroughThunk(void* method) {
    struct Named {
        void* const* importSlot;
        void (*thunk)();
    };
    const Named kNamed[] = {
        {&imp_TObject_NewInstance, thunk_System_TObject_NewInstance},
        {&imp_TObject_FreeInstance, thunk_System_TObject_FreeInstance},
        {&imp_TObject_Destroy, thunk_System_TObject_Destroy},
        {&imp_TInterfacedObject_NewInstance, thunk_System_TInterfacedObject_NewInstance},
    };
    for (const Named& n : kNamed)
        if (method == *n.importSlot) return reinterpret_cast<void*>(n.thunk);
    return method;
}

}  // namespace

void DefinePackageClass(PackageClass& c, const unsigned char* name, int32_t instanceSize, void** parentCell,
                        void* initTable, void* intfTable) {
    const hostabi::ClassHeader& parent = *hostabi::HeaderOfClass(*parentCell);
    hostabi::ClassHeader& h = c.header;
    h = {};
    h.selfPtr = c.Ref();
    h.intfTable = intfTable;
    h.initTable = initTable;
    h.className = name;
    h.instanceSize = instanceSize;
    h.parent = parentCell;
    h.safeCallException = ThroughThunk(parent.safeCallException);
    h.afterConstruction = ThroughThunk(parent.afterConstruction);
    h.beforeDestruction = ThroughThunk(parent.beforeDestruction);
    h.dispatch = ThroughThunk(parent.dispatch);
    h.defaultHandler = ThroughThunk(parent.defaultHandler);
    h.newInstance = ThroughThunk(parent.newInstance);
    h.freeInstance = ThroughThunk(parent.freeInstance);
    h.destroy = ThroughThunk(parent.destroy);
    c.firstVirtual = nullptr;
}

}  // namespace design
