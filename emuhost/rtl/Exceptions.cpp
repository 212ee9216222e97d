// Exception and its descendants, and raising them as the host does.
#include <cstddef>

#include "Bytes.h"
#include "EmuRuntime.h"

using hostabi::ManagedFieldRef;

extern "C" void emu_System_RaiseExcept();  // Raise.S: EAX = exception object

namespace emurtl {

#pragma pack(push, 1)
struct StringTypeInfo {
    uint8_t kind;
    uint8_t nameLength;
    char name[6];
};
struct ExceptionInitTable {
    uint8_t kind;
    uint8_t nameLength;
    int32_t size;
    int32_t managedFieldCount;
    ManagedFieldRef fields[1];
};
#pragma pack(pop)

static StringTypeInfo kStringType = {hostabi::typekind::kLongString, 6, {'s', 't', 'r', 'i', 'n', 'g'}};
static void* kStringTypeRef = &kStringType;

// Exception declares one managed field, FMessage at offset 4.
static ExceptionInitTable kExceptionInitTable = {
    hostabi::typekind::kRecord, 0, sizeof(hostabi::ExceptionObject), 1,
    {{&kStringTypeRef, offsetof(hostabi::ExceptionObject, message)}}};

static const unsigned char kExceptionName[] = "\x09" "Exception";
static const unsigned char kEConvertErrorName[] = "\x0D" "EConvertError";
static const unsigned char kEListErrorName[] = "\x0A" "EListError";
static const unsigned char kEPackageErrorName[] = "\x0D" "EPackageError";

ClassRecord emu_Exception_record;
ClassRecord emu_EConvertError_record;
ClassRecord emu_EListError_record;
ClassRecord emu_EPackageError_record;

void InitExceptionClasses() {
    constexpr int32_t size = sizeof(hostabi::ExceptionObject);
    DefineClass(emu_Exception_record, kExceptionName, size, &emu_TObject_record, &kExceptionInitTable);
    DefineClass(emu_EConvertError_record, kEConvertErrorName, size, &emu_Exception_record, nullptr);
    DefineClass(emu_EListError_record, kEListErrorName, size, &emu_Exception_record, nullptr);
    DefineClass(emu_EPackageError_record, kEPackageErrorName, size, &emu_Exception_record, nullptr);
}

using NewInstanceFn = void*(HOSTCALL*)(void*);
using AfterConstructionFn = void(HOSTCALL*)(void*);

// Exception.Create(const Msg: string): a constructor, so EAX holds the class
// and DL is non-zero when it is to allocate the instance.
void* HOSTCALL ExceptionCreate(void* classOrSelf, int8_t allocate, const char* message) {
    void* self = allocate ? reinterpret_cast<NewInstanceFn>(Header(classOrSelf).newInstance)(classOrSelf) : classOrSelf;
    LStrAsg(&static_cast<hostabi::ExceptionObject*>(self)->message, message);
    if (allocate) reinterpret_cast<AfterConstructionFn>(Header(hostabi::ClassOf(self)).afterConstruction)(self);
    return self;
}

// Exception.CreateFmt(const Msg: string; const Args: array of const)
void* HOSTCALL_STACK ExceptionCreateFmt(void* classOrSelf, int8_t allocate, const char* format, int32_t argsHigh,
                                        const hostabi::VarRec* args) {
    char* message = nullptr;
    FormatInto(format, args, argsHigh, &message);
    void* self = ExceptionCreate(classOrSelf, allocate, message);
    LStrClr(&message);
    return self;
}

// Exception.CreateResFmt(ResStringRec: PResStringRec; const Args: array of const)
void* HOSTCALL_STACK ExceptionCreateResFmt(void* classOrSelf, int8_t allocate, const hostabi::ResStringRec* res,
                                           int32_t argsHigh, const hostabi::VarRec* args) {
    char* format = nullptr;
    LoadResString(res, &format);
    void* self = ExceptionCreateFmt(classOrSelf, allocate, format, argsHigh, args);
    LStrClr(&format);
    return self;
}

void RaiseResFmt(ClassRecord& cls, const hostabi::ResStringRec* res, const hostabi::VarRec* args, int32_t count) {
    RaiseObject(ExceptionCreateResFmt(ClassRef(cls), 1, res, count - 1, args));
}

void RaiseObject(void* exceptionObject) {
    __asm__ volatile("call _emu_System_RaiseExcept" : : "a"(exceptionObject) : "memory");
    __builtin_unreachable();
}

void RaiseWithMessage(ClassRecord& cls, char* message) {
    void* object = ExceptionCreate(ClassRef(cls), 1, message);
    LStrClr(&message);
    RaiseObject(object);
}

void RaiseNew(ClassRecord& cls, const char* message) {
    char* text = nullptr;
    LStrFromPChar(&text, message);
    RaiseWithMessage(cls, text);
}

void UnimplementedExport(const char* decoratedName) {
    static const char kPrefix[] = "Runtime error: ";
    static const char kSuffix[] = " is not provided by the emulated host";
    const int32_t p = sizeof kPrefix - 1, n = TextLength(decoratedName), s = sizeof kSuffix - 1;
    char* text = NewLongString(p + n + s);
    CopyBytes(text, kPrefix, p);
    CopyBytes(text + p, decoratedName, n);
    CopyBytes(text + p + n, kSuffix, s);
    RaiseWithMessage(emu_Exception_record, text);
}

}  // namespace emurtl

__asm__(".globl _emu_Sysutils_Exception\n\t.set _emu_Sysutils_Exception, _emu_Exception_record+76");
__asm__(".globl _emu_Sysutils_EConvertError\n\t.set _emu_Sysutils_EConvertError, _emu_EConvertError_record+76");
__asm__(".globl _emu_Classes_EListError\n\t.set _emu_Classes_EListError, _emu_EListError_record+76");
__asm__(".globl _emu_Sysutils_EPackageError\n\t.set _emu_Sysutils_EPackageError, _emu_EPackageError_record+76");

extern "C" void* HOSTCALL emu_Sysutils_Exception_Create(void* c, int8_t a, const char* m) {
    return emurtl::ExceptionCreate(c, a, m);
}
extern "C" void* HOSTCALL_STACK emu_Sysutils_Exception_CreateFmt(void* c, int8_t a, const char* f, int32_t h,
                                                                  const hostabi::VarRec* args) {
    return emurtl::ExceptionCreateFmt(c, a, f, h, args);
}
extern "C" void* HOSTCALL_STACK emu_Sysutils_Exception_CreateResFmt(void* c, int8_t a, const hostabi::ResStringRec* r,
                                                                     int32_t h, const hostabi::VarRec* args) {
    return emurtl::ExceptionCreateResFmt(c, a, r, h, args);
}
