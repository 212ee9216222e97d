// TObject: instance creation and release the way the host runtime does it,
// with class records in the host's layout.
#include <windows.h>
#include <oleauto.h>

#include "Bytes.h"
#include "EmuRuntime.h"

using hostabi::ClassHeader;
using hostabi::RecordTypeData;

namespace emurtl {

static void HOSTCALL NoOperation(void*) {}

void* HOSTCALL InitInstance(void* classRef, void* memory) {
    if (!memory) return nullptr;
    FillBytes(memory, 0, Header(classRef).instanceSize);
    *static_cast<void**>(memory) = classRef;
    return memory;
}

void* HOSTCALL NewInstance(void* classRef) {
    return InitInstance(classRef, GetMem(Header(classRef).instanceSize));
}

void FinalizeRecordFields(void* p, const void* recordTypeInfo) {
    auto* data = reinterpret_cast<const RecordTypeData*>(hostabi::TypeDataOf(recordTypeInfo));
    for (int32_t i = 0; i < data->managedFieldCount; ++i) {
        const void* fieldType = *data->fields[i].typeRef;
        void* field = static_cast<char*>(p) + data->fields[i].offset;
        switch (hostabi::KindOf(fieldType)) {
            case hostabi::typekind::kLongString:
                LStrClr(static_cast<char**>(field));
                break;
            case hostabi::typekind::kWideString: {
                BSTR old = *static_cast<BSTR*>(field);
                *static_cast<BSTR*>(field) = nullptr;
                if (old) SysFreeString(old);
                break;
            }
            case hostabi::typekind::kRecord:
                FinalizeRecordFields(field, fieldType);
                break;
            default:
                break;
        }
    }
}

void HOSTCALL CleanupInstance(void* self) {
    for (const void* cls = hostabi::ClassOf(self); cls; cls = hostabi::ParentOf(cls)) {
        if (const void* initTable = Header(cls).initTable) FinalizeRecordFields(self, initTable);
    }
}

void HOSTCALL FreeInstance(void* self) {
    CleanupInstance(self);
    FreeMem(self);
}

using DestroyFn = void(HOSTCALL*)(void*, int8_t);
using FreeInstanceFn = void(HOSTCALL*)(void*);

// TObject.Destroy: an empty body; the outermost call releases the instance
// through the class's FreeInstance slot.
void HOSTCALL ObjectDestroy(void* self, int8_t outermost) {
    if (outermost) reinterpret_cast<FreeInstanceFn>(Header(hostabi::ClassOf(self)).freeInstance)(self);
}

void HOSTCALL ObjectFree(void* self) {
    if (self) reinterpret_cast<DestroyFn>(Header(hostabi::ClassOf(self)).destroy)(self, 1);
}

static const unsigned char kTObjectName[] = "\x07TObject";

extern "C" ClassRecord emu_TObject_record;
ClassRecord emu_TObject_record;

void DefineClass(ClassRecord& record, const unsigned char* name, int32_t instanceSize, ClassRecord* parent,
                 void* initTable) {
    ClassHeader& h = record.header;
    h.selfPtr = ClassRef(record);
    h.className = name;
    h.instanceSize = instanceSize;
    h.parent = parent ? &parent->header.selfPtr : nullptr;
    h.initTable = initTable;
    h.afterConstruction = reinterpret_cast<void*>(&NoOperation);
    h.beforeDestruction = reinterpret_cast<void*>(&NoOperation);
    h.newInstance = reinterpret_cast<void*>(&NewInstance);
    h.freeInstance = reinterpret_cast<void*>(&FreeInstance);
    h.destroy = reinterpret_cast<void*>(&ObjectDestroy);
}

void InitObjectClasses() { DefineClass(emu_TObject_record, kTObjectName, 4, nullptr, nullptr); }

}  // namespace emurtl

// The exported class reference points just past the negative-offset fields.
__asm__(".globl _emu_System_TObject\n\t.set _emu_System_TObject, _emu_TObject_record+76");

extern "C" void HOSTCALL emu_System_TObject_Free(void* self) { emurtl::ObjectFree(self); }
