#include "PackageClasses.h"

extern "C" {
// The runtime's classes, through this package's import slots, and the
// runtime's entries that class records name, through its import thunks.
extern void* imp_TObject __asm__("__imp_@System@TObject@");
extern void* imp_TInterfacedObject __asm__("__imp_@System@TInterfacedObject@");
void thunk_System_TObject_NewInstance() __asm__("thunk_System_TObject_NewInstance");
void thunk_System_TObject_FreeInstance() __asm__("thunk_System_TObject_FreeInstance");
void thunk_System_TObject_Destroy() __asm__("thunk_System_TObject_Destroy");
void thunk_System_TInterfacedObject_NewInstance() __asm__("thunk_System_TInterfacedObject_NewInstance");
}

namespace design {

namespace {

template <class F>
void* Code(F* f) {
    return reinterpret_cast<void*>(f);
}

void Fill(PackageClass& c, const unsigned char* name, int32_t instanceSize, void** parentCell,
          const hostabi::ClassHeader& inherited, void* initTable, void* intfTable) {
    hostabi::ClassHeader& h = c.header;
    h = {};
    h.selfPtr = c.Ref();
    h.intfTable = intfTable;
    h.initTable = initTable;
    h.className = name;
    h.instanceSize = instanceSize;
    h.parent = parentCell;
    h.safeCallException = inherited.safeCallException;
    h.afterConstruction = inherited.afterConstruction;
    h.beforeDestruction = inherited.beforeDestruction;
    h.dispatch = inherited.dispatch;
    h.defaultHandler = inherited.defaultHandler;
    h.newInstance = inherited.newInstance;
    h.freeInstance = inherited.freeInstance;
    h.destroy = inherited.destroy;
    c.firstVirtual = nullptr;
}

}  // namespace

void DefinePackageClass(PackageClass& c, const unsigned char* name, int32_t instanceSize, RuntimeParent parent,
                        void* initTable, void* intfTable) {
    void** cell = parent == RuntimeParent::TObject ? &imp_TObject : &imp_TInterfacedObject;
    // The methods the parent's record names that no one replaces at run
    // time; the three the runtime exports are named through the thunks,
    // whatever the parent's record holds now.
    hostabi::ClassHeader inherited = *hostabi::HeaderOfClass(*cell);
    inherited.newInstance = parent == RuntimeParent::TObject ? Code(thunk_System_TObject_NewInstance)
                                                             : Code(thunk_System_TInterfacedObject_NewInstance);
    inherited.freeInstance = Code(thunk_System_TObject_FreeInstance);
    inherited.destroy = Code(thunk_System_TObject_Destroy);
    Fill(c, name, instanceSize, cell, inherited, initTable, intfTable);
}

void DefinePackageClass(PackageClass& c, const unsigned char* name, int32_t instanceSize, PackageClass& parent,
                        void* initTable, void* intfTable) {
    Fill(c, name, instanceSize, &parent.header.selfPtr, parent.header, initTable, intfTable);
}

}  // namespace design
