#include "runtime/FastSysRoutines.h"

#include <oleauto.h>

#include "HostLayout.h"

namespace toravex {

ManagedDataHost ManagedHost;

namespace {

ManagedDataHost& gHost = ManagedHost;

namespace kind = hostabi::typekind;
using hostabi::DynArrayTypeData;
using hostabi::RecordTypeData;
using hostabi::StaticArrayTypeData;



constexpr uint8_t kInvalidPtr = 2;           // TRuntimeError's reInvalidPtr
constexpr uint8_t kInvalidPtrErrorCode = 204;  // the same error as a run-time error number

// Raises the host's invalid-pointer error. The host's routines do not
// return; should one return after all, the caller returns as well.
void InvalidPointer() {
    if (gHost.error)
        gHost.error(kInvalidPtr);
    else if (gHost.runError)
        gHost.runError(kInvalidPtrErrorCode);
}

const StaticArrayTypeData& ArrayData(const void* typeInfo) {
    return *reinterpret_cast<const StaticArrayTypeData*>(hostabi::TypeDataOf(typeInfo));
}
const RecordTypeData& RecordData(const void* typeInfo) {
    return *reinterpret_cast<const RecordTypeData*>(hostabi::TypeDataOf(typeInfo));
}
const DynArrayTypeData& DynArrayData(const void* typeInfo) {
    return *reinterpret_cast<const DynArrayTypeData*>(hostabi::TypeDataOf(typeInfo));
}

// Each clears the reference first, then releases the value.
void ReleaseLongString(char** slot) {
    char* s = *slot;
    if (!s) return;
    *slot = nullptr;
    hostabi::LongStringHeader* h = hostabi::HeaderOf(s);
    if (h->refCount >= 1 && __atomic_sub_fetch(&h->refCount, 1, __ATOMIC_SEQ_CST) == 0) gHost.freeMem(h);
}

void ReleaseWideString(wchar_t** slot) {
    if (wchar_t* s = *slot) {
        *slot = nullptr;
        SysFreeString(s);
    }
}

using ReleaseMethod = uint32_t(__stdcall*)(void* self);
void ReleaseInterface(void** slot) {
    if (void* intf = *slot) {
        *slot = nullptr;
        (*static_cast<ReleaseMethod**>(intf))[2](intf);
    }
}

// A field of a record or an instance: the values that are one reference
// are released here, without a call; the others go to FinalizeOne.
inline void FinalizeField(void* p, const void* typeInfo) {
    switch (hostabi::KindOf(typeInfo)) {
        case kind::kLongString:
            ReleaseLongString(static_cast<char**>(p));
            return;
        case kind::kWideString:
            ReleaseWideString(static_cast<wchar_t**>(p));
            return;
        case kind::kInterface:
            ReleaseInterface(static_cast<void**>(p));
            return;
        case kind::kDynArray:
            if (*static_cast<void**>(p)) FastDynArrayClear(static_cast<void**>(p), typeInfo);
            return;
        default:
            FinalizeOne(p, typeInfo);
    }
}

// The same for initializing: one reference is one zero word.
inline void InitializeField(void* p, const void* typeInfo) {
    switch (hostabi::KindOf(typeInfo)) {
        case kind::kLongString:
        case kind::kWideString:
        case kind::kInterface:
        case kind::kDynArray:
            *static_cast<void**>(p) = nullptr;
            return;
        default:
            InitializeOne(p, typeInfo);
    }
}

void ZeroWords(void* p, uint32_t words) {
    auto* w = static_cast<uint32_t*>(p);
    for (uint32_t i = 0; i < words; ++i) w[i] = 0;
}

}  // namespace

const HostNeeds ManagedDataNeeds = {{&hostnames::System_GetMem, &hostnames::System_FreeMem,
                                     &hostnames::System_VarClear, &hostnames::System_Error,
                                     &hostnames::System_RunError}};

void BindManagedDataHost() {
    using namespace hostnames;
    gHost.getMem = reinterpret_cast<decltype(gHost.getMem)>(FindHostExport(System_GetMem));
    gHost.freeMem = reinterpret_cast<decltype(gHost.freeMem)>(FindHostExport(System_FreeMem));
    gHost.varClear = reinterpret_cast<decltype(gHost.varClear)>(FindHostExport(System_VarClear));
    gHost.error = reinterpret_cast<decltype(gHost.error)>(FindHostExport(System_Error));
    gHost.runError = reinterpret_cast<decltype(gHost.runError)>(FindHostExport(System_RunError));
}

void HOSTCALL FinalizeOne(void* p, const void* typeInfo) {
    for (;;) {
        switch (hostabi::KindOf(typeInfo)) {
            case kind::kLongString:
                ReleaseLongString(static_cast<char**>(p));
                return;
            case kind::kWideString:
                ReleaseWideString(static_cast<wchar_t**>(p));
                return;
            case kind::kVariant:
                gHost.varClear(p);
                return;
            case kind::kStaticArray: {
                const StaticArrayTypeData& a = ArrayData(typeInfo);
                if (a.elementCount == 0) return;
                if (a.elementCount == 1) {  // the element itself, without a nested call
                    typeInfo = *a.elementType;
                    continue;
                }
                FinalizeMany(p, *a.elementType, static_cast<uint32_t>(a.elementCount));
                return;
            }
            case kind::kRecord: {
                const RecordTypeData& r = RecordData(typeInfo);
                for (int32_t f = 0; f < r.managedFieldCount; ++f)
                    FinalizeField(static_cast<char*>(p) + r.fields[f].offset, *r.fields[f].typeRef);
                return;
            }
            case kind::kInterface:
                ReleaseInterface(static_cast<void**>(p));
                return;
            case kind::kInt64:
                break;
            case kind::kDynArray:
                FastDynArrayClear(static_cast<void**>(p), typeInfo);
                return;
        }
        InvalidPointer();
        return;
    }
}

void HOSTCALL FinalizeMany(void* p, const void* typeInfo, uint32_t count) {
    auto* at = static_cast<char*>(p);
    switch (hostabi::KindOf(typeInfo)) {
        case kind::kLongString:
            for (uint32_t i = 0; i < count; ++i) ReleaseLongString(reinterpret_cast<char**>(at) + i);
            return;
        case kind::kWideString:
            for (uint32_t i = 0; i < count; ++i) ReleaseWideString(reinterpret_cast<wchar_t**>(at) + i);
            return;
        case kind::kVariant:
            for (uint32_t i = 0; i < count; ++i) gHost.varClear(at + 16 * i);
            return;
        case kind::kStaticArray: {
            const int32_t size = ArrayData(typeInfo).size;
            for (uint32_t i = 0; i < count; ++i) FinalizeOne(at + i * size, typeInfo);
            return;
        }
        case kind::kRecord: {
            const RecordTypeData& r = RecordData(typeInfo);
            for (uint32_t i = 0; i < count; ++i, at += r.size)
                for (int32_t f = 0; f < r.managedFieldCount; ++f)
                    FinalizeField(at + r.fields[f].offset, *r.fields[f].typeRef);
            return;
        }
        case kind::kInterface:
            for (uint32_t i = 0; i < count; ++i) ReleaseInterface(reinterpret_cast<void**>(at) + i);
            return;
        case kind::kInt64:
            break;
        case kind::kDynArray:
            for (uint32_t i = 0; i < count; ++i) FastDynArrayClear(reinterpret_cast<void**>(at) + i, typeInfo);
            return;
    }
    InvalidPointer();
}

void HOSTCALL InitializeOne(void* p, const void* typeInfo) {
    for (;;) {
        switch (hostabi::KindOf(typeInfo)) {
            case kind::kLongString:
            case kind::kWideString:
            case kind::kInterface:
            case kind::kDynArray:
                *static_cast<void**>(p) = nullptr;
                return;
            case kind::kVariant:
                ZeroWords(p, 4);
                return;
            case kind::kStaticArray: {
                const StaticArrayTypeData& a = ArrayData(typeInfo);
                if (a.elementCount == 0) return;
                if (a.elementCount == 1) {
                    typeInfo = *a.elementType;
                    continue;
                }
                InitializeMany(p, *a.elementType, static_cast<uint32_t>(a.elementCount));
                return;
            }
            case kind::kRecord: {
                const RecordTypeData& r = RecordData(typeInfo);
                for (int32_t f = 0; f < r.managedFieldCount; ++f)
                    InitializeField(static_cast<char*>(p) + r.fields[f].offset, *r.fields[f].typeRef);
                return;
            }
            case kind::kInt64:
                break;
        }
        InvalidPointer();
        return;
    }
}

void HOSTCALL InitializeMany(void* p, const void* typeInfo, uint32_t count) {
    auto* at = static_cast<char*>(p);
    switch (hostabi::KindOf(typeInfo)) {
        case kind::kVariant:
            ZeroWords(p, 4 * count);
            return;
        case kind::kLongString:
        case kind::kWideString:
        case kind::kInterface:
        case kind::kDynArray:
            ZeroWords(p, count);
            return;
        case kind::kStaticArray: {
            const int32_t size = ArrayData(typeInfo).size;
            for (uint32_t i = 0; i < count; ++i) InitializeOne(at + i * size, typeInfo);
            return;
        }
        case kind::kRecord: {
            const int32_t size = RecordData(typeInfo).size;
            for (uint32_t i = 0; i < count; ++i) InitializeOne(at + i * size, typeInfo);
            return;
        }
        case kind::kInt64:
            break;
    }
    InvalidPointer();
}

void* HOSTCALL FastNew(int32_t size, const void* typeInfo) {
    void* p = gHost.getMem(size);
    if (p) InitializeOne(p, typeInfo);
    return p;
}

void HOSTCALL FastDispose(void* p, const void* typeInfo) {
    FinalizeOne(p, typeInfo);
    gHost.freeMem(p);
}

void* HOSTCALL FastInitializeArray(void* p, const void* typeInfo, uint32_t count) {
    if (count == 1)
        InitializeOne(p, typeInfo);
    else if (count != 0)
        InitializeMany(p, typeInfo, count);
    return p;
}

void* HOSTCALL FastFinalizeArray(void* p, const void* typeInfo, uint32_t count) {
    if (count == 1)
        FinalizeOne(p, typeInfo);
    else if (count != 0)
        FinalizeMany(p, typeInfo, count);
    return p;
}

void** HOSTCALL FastDynArrayClear(void** a, const void* typeInfo) {
    void* array = *a;
    if (!array) return a;
    *a = nullptr;
    auto* h = static_cast<hostabi::DynArrayHeader*>(array) - 1;
    if (__atomic_sub_fetch(&h->refCount, 1, __ATOMIC_SEQ_CST) != 0) return a;
    void** elementType = DynArrayData(typeInfo).elementType;
    if (elementType && h->length >= 1) {
        if (h->length == 1)
            FinalizeOne(array, *elementType);
        else
            FinalizeMany(array, *elementType, static_cast<uint32_t>(h->length));
    }
    gHost.freeMem(h);
    return a;
}

// The parent chain walked inline: Parent at -36 holds the address of the
// parent's class reference, nil at the root.
bool HOSTCALL FastIsClass(const void* instance, const void* classRef) {
    if (!instance) return false;
    const void* c = hostabi::ClassOf(instance);
    for (;;) {
        if (c == classRef) return true;
        void* const* parent = *reinterpret_cast<void* const* const*>(static_cast<const char*>(c) + hostabi::vmt::kParent);
        if (!parent) return false;
        c = *parent;
    }
}

}  // namespace toravex
