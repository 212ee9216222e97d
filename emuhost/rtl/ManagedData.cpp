// Managed data: initialization, finalization and reference taking of values
// described by the host's type information (long and wide strings, variants,
// static arrays, records, interfaces, dynamic arrays), and the dynamic-array
// helpers. Any other kind is the runtime's invalid-pointer error. As in the
// host, the array routines take every element through the generic routine of
// its kind, and a record field is an array of one element.
#include <windows.h>
#include <oleauto.h>

#include "Bytes.h"
#include "EmuRuntime.h"

namespace tk = hostabi::typekind;
using hostabi::DynArrayTypeData;
using hostabi::RecordTypeData;
using hostabi::StaticArrayTypeData;

namespace emurtl {

namespace {

using hostabi::DynArrayHeader;
DynArrayHeader* HeaderOfArray(void* a) { return static_cast<DynArrayHeader*>(a) - 1; }

const RecordTypeData* RecordData(const void* t) { return reinterpret_cast<const RecordTypeData*>(hostabi::TypeDataOf(t)); }
const StaticArrayTypeData* ArrayData(const void* t) {
    return reinterpret_cast<const StaticArrayTypeData*>(hostabi::TypeDataOf(t));
}
const DynArrayTypeData* DynData(const void* t) { return reinterpret_cast<const DynArrayTypeData*>(hostabi::TypeDataOf(t)); }

// Size of one value of a managed kind.
int32_t SizeOfKind(const void* typeInfo) {
    switch (hostabi::KindOf(typeInfo)) {
        case tk::kLongString:
        case tk::kWideString:
        case tk::kInterface:
        case tk::kDynArray: return 4;
        case tk::kVariant: return 16;
        case tk::kStaticArray: return ArrayData(typeInfo)->size;
        case tk::kRecord: return RecordData(typeInfo)->size;
        default: RuntimeError(kInvalidPtr);
    }
}

using InterfaceMethod = uint32_t(__stdcall*)(void* self);
void ReleaseInterface(void* intf) { (*reinterpret_cast<InterfaceMethod**>(intf))[2](intf); }
void AddRefInterface(void* intf) { (*reinterpret_cast<InterfaceMethod**>(intf))[1](intf); }

}  // namespace

void InitializeMany(void* p, const void* typeInfo, uint32_t count) {
    if (count == 0) return;  // no element: the type is not even looked at
    auto* at = static_cast<char*>(p);
    switch (hostabi::KindOf(typeInfo)) {
        case tk::kLongString:
        case tk::kWideString:
        case tk::kInterface:
        case tk::kDynArray:
        case tk::kVariant:
            FillBytes(p, 0, static_cast<int32_t>(count) * SizeOfKind(typeInfo));
            return;
        case tk::kStaticArray: {
            const StaticArrayTypeData* a = ArrayData(typeInfo);
            for (uint32_t i = 0; i < count; ++i) InitializeMany(at + i * a->size, *a->elementType, a->elementCount);
            return;
        }
        case tk::kRecord: {
            const RecordTypeData* r = RecordData(typeInfo);
            for (uint32_t i = 0; i < count; ++i)
                for (int32_t f = 0; f < r->managedFieldCount; ++f)
                    InitializeMany(at + i * r->size + r->fields[f].offset, *r->fields[f].typeRef, 1);
            return;
        }
        default: RuntimeError(kInvalidPtr);
    }
}

void FinalizeMany(void* p, const void* typeInfo, uint32_t count) {
    if (count == 0) return;  // no element: the type is not even looked at
    auto* at = static_cast<char*>(p);
    switch (hostabi::KindOf(typeInfo)) {
        case tk::kLongString:
            for (uint32_t i = 0; i < count; ++i) LStrClr(reinterpret_cast<char**>(at) + i);
            return;
        case tk::kWideString:
            for (uint32_t i = 0; i < count; ++i) WStrClr(reinterpret_cast<wchar_t**>(at) + i);
            return;
        case tk::kVariant:
            for (uint32_t i = 0; i < count; ++i) VarClear(at + i * 16);
            return;
        case tk::kInterface:
            for (uint32_t i = 0; i < count; ++i) IntfClear(reinterpret_cast<void**>(at) + i);
            return;
        case tk::kDynArray:
            for (uint32_t i = 0; i < count; ++i) DynArrayClear(reinterpret_cast<void**>(at) + i, typeInfo);
            return;
        case tk::kStaticArray: {
            const StaticArrayTypeData* a = ArrayData(typeInfo);
            for (uint32_t i = 0; i < count; ++i) FinalizeMany(at + i * a->size, *a->elementType, a->elementCount);
            return;
        }
        case tk::kRecord: {
            const RecordTypeData* r = RecordData(typeInfo);
            for (uint32_t i = 0; i < count; ++i)
                for (int32_t f = 0; f < r->managedFieldCount; ++f)
                    FinalizeMany(at + i * r->size + r->fields[f].offset, *r->fields[f].typeRef, 1);
            return;
        }
        default: RuntimeError(kInvalidPtr);
    }
}

// One more reference to each managed value (a copy for wide strings and
// variants that own their data), as after a bitwise copy of the values.
void AddRefMany(void* p, const void* typeInfo, uint32_t count) {
    if (count == 0) return;  // no element: the type is not even looked at
    auto* at = static_cast<char*>(p);
    switch (hostabi::KindOf(typeInfo)) {
        case tk::kLongString:
            for (uint32_t i = 0; i < count; ++i) LStrAddRef(reinterpret_cast<char**>(at)[i]);
            return;
        case tk::kWideString:
            for (uint32_t i = 0; i < count; ++i) WStrAddRef(reinterpret_cast<wchar_t**>(at) + i);
            return;
        case tk::kVariant:
            for (uint32_t i = 0; i < count; ++i) VarAddRef(at + i * 16);
            return;
        case tk::kInterface:
            for (uint32_t i = 0; i < count; ++i)
                if (void* intf = reinterpret_cast<void**>(at)[i]) AddRefInterface(intf);
            return;
        case tk::kDynArray:
            for (uint32_t i = 0; i < count; ++i) DynArrayAddRef(reinterpret_cast<void**>(at)[i]);
            return;
        case tk::kStaticArray: {
            const StaticArrayTypeData* a = ArrayData(typeInfo);
            for (uint32_t i = 0; i < count; ++i) AddRefMany(at + i * a->size, *a->elementType, a->elementCount);
            return;
        }
        case tk::kRecord: {
            const RecordTypeData* r = RecordData(typeInfo);
            for (uint32_t i = 0; i < count; ++i)
                for (int32_t f = 0; f < r->managedFieldCount; ++f)
                    AddRefMany(at + i * r->size + r->fields[f].offset, *r->fields[f].typeRef, 1);
            return;
        }
        default: RuntimeError(kInvalidPtr);
    }
}

void* HOSTCALL New(int32_t size, const void* typeInfo) {
    void* p = GetMem(size);
    if (p) InitializeMany(p, typeInfo, 1);
    return p;
}

void HOSTCALL Dispose(void* p, const void* typeInfo) {
    FinalizeMany(p, typeInfo, 1);
    FreeMem(p);
}

// A variant whose value owns nothing (numbers, dates, references to values
// held elsewhere) only becomes empty; a long string is released by the
// runtime, every other owning type by the operating system.
void* HOSTCALL VarClear(void* v) {
    auto* type = static_cast<uint16_t*>(v);
    const bool owns = *type == VT_BSTR || *type == VT_DISPATCH || *type == VT_VARIANT || *type == VT_UNKNOWN ||
                      *type == 0x100 || (*type & VT_ARRAY);
    if (*type == 0x100) {  // varString: a long string
        LStrClr(reinterpret_cast<char**>(static_cast<char*>(v) + 8));
        *type = VT_EMPTY;
    } else if ((*type & VT_BYREF) || !owns) {
        *type = VT_EMPTY;
    } else {
        VariantClear(static_cast<VARIANT*>(v));
    }
    return v;
}

void VarAddRef(void* v) {
    auto* type = static_cast<uint16_t*>(v);
    if (*type == 0x100) {
        LStrAddRef(*reinterpret_cast<char**>(static_cast<char*>(v) + 8));
    } else if (!(*type & VT_BYREF) && *type >= VT_BSTR) {
        VARIANT copy;
        VariantInit(&copy);
        VariantCopy(&copy, static_cast<VARIANT*>(v));
        CopyBytes(v, &copy, 16);
    }
}

void* HOSTCALL DynArrayAddRef(void* a) {
    if (a) InterlockedIncrement(reinterpret_cast<volatile LONG*>(&HeaderOfArray(a)->refCount));
    return a;
}

void** HOSTCALL DynArrayClear(void** a, const void* typeInfo) {
    void* array = *a;
    if (!array) return a;
    *a = nullptr;
    DynArrayHeader* h = HeaderOfArray(array);
    if (InterlockedDecrement(reinterpret_cast<volatile LONG*>(&h->refCount)) != 0) return a;
    void** elementType = DynData(typeInfo)->elementType;
    if (elementType && h->length > 0) FinalizeMany(array, *elementType, static_cast<uint32_t>(h->length));
    FreeMem(h);
    return a;
}

void HOSTCALL DynArrayAsg(void** dest, void* source, const void* typeInfo) {
    DynArrayAddRef(source);
    void* old = *dest;
    *dest = source;
    DynArrayClear(&old, typeInfo);
}

int32_t HOSTCALL DynArrayLength(void* a) { return a ? HeaderOfArray(a)->length : 0; }

// A new array of `count` elements of a starting at `index`, both clamped to
// the array; Result receives it (nil for none).
void HOSTCALL_STACK DynArrayCopyRange(void* a, const void* typeInfo, int32_t index, void** result, int32_t count) {
    void* fresh = nullptr;
    if (a) {
        const int32_t length = HeaderOfArray(a)->length;
        if (index < 0) count += index, index = 0;
        if (index > length) index = length;
        if (count > length - index) count = length - index;
        if (count > 0) {
            const DynArrayTypeData* d = DynData(typeInfo);
            auto* h = static_cast<DynArrayHeader*>(GetMem(8 + count * d->elementSize));
            h->refCount = 1;
            h->length = count;
            fresh = h + 1;
            CopyBytes(fresh, static_cast<char*>(a) + index * d->elementSize, count * d->elementSize);
            if (d->elementType) AddRefMany(fresh, *d->elementType, static_cast<uint32_t>(count));
        }
    }
    DynArrayClear(result, typeInfo);
    *result = fresh;
}

void HOSTCALL DynArrayCopy(void* a, const void* typeInfo, void** result) {
    DynArrayCopyRange(a, typeInfo, 0, result, DynArrayLength(a));
}

// SetLength of a dynamic array of `dimensions` dimensions; lengths[0] is the
// outermost. A shared array is copied first; new elements are zero.
void DynArraySetLength(void** a, const void* typeInfo, int32_t dimensions, const int32_t* lengths) {
    const int32_t newLength = lengths[0];
    if (newLength <= 0) {
        if (newLength < 0) RuntimeError(kRangeError);
        DynArrayClear(a, typeInfo);
        return;
    }
    const DynArrayTypeData* d = DynData(typeInfo);
    const int32_t size = d->elementSize;
    const void* elementType = d->elementType ? *d->elementType : nullptr;
    void* array = *a;
    int32_t oldLength = 0;
    DynArrayHeader* h;
    if (array && HeaderOfArray(array)->refCount == 1) {
        oldLength = HeaderOfArray(array)->length;
        if (newLength < oldLength && elementType)
            FinalizeMany(static_cast<char*>(array) + newLength * size, elementType, static_cast<uint32_t>(oldLength - newLength));
        void* block = HeaderOfArray(array);
        ReallocMem(&block, 8 + newLength * size);
        h = static_cast<DynArrayHeader*>(block);
    } else {
        h = static_cast<DynArrayHeader*>(GetMem(8 + newLength * size));
        if (array) {
            oldLength = HeaderOfArray(array)->length < newLength ? HeaderOfArray(array)->length : newLength;
            CopyBytes(h + 1, array, oldLength * size);
            if (elementType) AddRefMany(h + 1, elementType, static_cast<uint32_t>(oldLength));
            void* old = array;
            DynArrayClear(&old, typeInfo);
        }
    }
    h->refCount = 1;
    h->length = newLength;
    *a = h + 1;
    if (newLength > oldLength) FillBytes(static_cast<char*>(*a) + oldLength * size, 0, (newLength - oldLength) * size);
    if (dimensions > 1)
        for (int32_t i = 0; i < newLength; ++i)
            DynArraySetLength(static_cast<void**>(*a) + i, elementType, dimensions - 1, lengths + 1);
}

void** HOSTCALL IntfClear(void** intf) {
    void* old = *intf;
    if (old) {
        *intf = nullptr;
        ReleaseInterface(old);
    }
    return intf;
}

void HOSTCALL IntfCopy(void** dest, void* source) {
    if (source) AddRefInterface(source);
    void* old = *dest;
    *dest = source;
    if (old) ReleaseInterface(old);
}

void HOSTCALL IntfAddRef(void* intf) {
    if (intf) AddRefInterface(intf);
}

}  // namespace emurtl

extern "C" {
using namespace emurtl;
void* HOSTCALL emu_System_New(int32_t size, const void* t) { return New(size, t); }
void HOSTCALL emu_System_Dispose(void* p, const void* t) { Dispose(p, t); }
void* HOSTCALL emu_System_InitializeArray(void* p, const void* t, uint32_t n) {
    InitializeMany(p, t, n);
    return p;
}
void* HOSTCALL emu_System_FinalizeArray(void* p, const void* t, uint32_t n) {
    FinalizeMany(p, t, n);
    return p;
}
void* HOSTCALL emu_System_AddRef(void* p, const void* t) {
    AddRefMany(p, t, 1);
    return p;
}
void* HOSTCALL emu_System_VarClear(void* v) { return VarClear(v); }
void* HOSTCALL emu_System_DynArrayAddRef(void* a) { return DynArrayAddRef(a); }
void** HOSTCALL emu_System_DynArrayClear(void** a, const void* t) { return DynArrayClear(a, t); }
void HOSTCALL emu_System_DynArrayAsg(void** d, void* s, const void* t) { DynArrayAsg(d, s, t); }
int32_t HOSTCALL emu_System_DynArrayLength(void* a) { return DynArrayLength(a); }
int32_t HOSTCALL emu_System_DynArrayHigh(void* a) { return DynArrayLength(a) - 1; }
void HOSTCALL emu_System_DynArrayCopy(void* a, const void* t, void** r) { DynArrayCopy(a, t, r); }
void HOSTCALL_STACK emu_System_DynArrayCopyRange(void* a, const void* t, int32_t i, void** r, int32_t n)
    __asm__("_emu_System_DynArrayCopyRange");
void HOSTCALL_STACK emu_System_DynArrayCopyRange(void* a, const void* t, int32_t i, void** r, int32_t n) {
    DynArrayCopyRange(a, t, i, r, n);
}
void HOSTCALL emurtl_DynArraySetLength(void** a, const void* t, int32_t dims, const int32_t* lengths) {
    DynArraySetLength(a, t, dims, lengths);
}
void** HOSTCALL emu_System_IntfClear(void** i) { return IntfClear(i); }
void HOSTCALL emu_System_IntfCopy(void** d, void* s) { IntfCopy(d, s); }
void HOSTCALL emu_System_IntfAddRef(void* i) { IntfAddRef(i); }
}
