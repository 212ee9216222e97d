// Internal interface of the emulated runtime package. Every routine here has
// the host's register convention and is what the exported entry points are
// built from; the export table itself is generated from hostabi/HostExports.inc.
#pragma once

#include <cstdint>

#include "HostCall.h"
#include "HostLayout.h"

namespace emurtl {

// Memory manager.
void* HOSTCALL GetMem(int32_t size);
int32_t HOSTCALL FreeMem(void* p);
void* HOSTCALL ReallocMem(void** p, int32_t newSize);

// Long strings.
char* NewLongString(int32_t length);  // reference count 1, zeroed terminator
void ReleaseLongString(char* s);      // one reference less; frees at zero
void* HOSTCALL LStrClr(char** s);
void HOSTCALL LStrAsg(char** dest, const char* source);
void HOSTCALL LStrLAsg(char** dest, const char* source);
char* HOSTCALL LStrAddRef(char* s);
void HOSTCALL LStrFromPChar(char** dest, const char* source);
void HOSTCALL LStrFromPCharLen(char** dest, const char* source, int32_t length);
void HOSTCALL LStrSetLength(char** s, int32_t newLength);
void AssignNew(char** dest, char* fresh);  // stores a fresh string, releases the old one
void HOSTCALL LStrCat(char** dest, const char* source);
void HOSTCALL LStrCat3(char** dest, const char* s1, const char* s2);
char* HOSTCALL UniqueString(char** s);

// String routines (StringRoutines.cpp, IntegerText.cpp, WideStrings.cpp).
int32_t HOSTCALL CompareStr(const char* s1, const char* s2);
int32_t HOSTCALL CompareText(const char* s1, const char* s2);
int32_t HOSTCALL StrComp(const char* s1, const char* s2);
int32_t HOSTCALL StrIComp(const char* s1, const char* s2);
int32_t HOSTCALL StrLen(const char* s);
void HOSTCALL UpperCase(const char* s, char** result);
void HOSTCALL LowerCase(const char* s, char** result);
void HOSTCALL AnsiLowerCase(const char* s, char** result);
int32_t HOSTCALL AnsiCompareText(const char* s1, const char* s2);
int32_t HOSTCALL AnsiCompareStr(const char* s1, const char* s2);
int32_t HOSTCALL Pos(const char* sub, const char* s);
int32_t HOSTCALL PosEx(const char* sub, const char* s, uint32_t offset);
void HOSTCALL IntToStr(int32_t value, char** result);
int32_t HOSTCALL StrToInt(const char* s);
void HOSTCALL Move(const void* source, void* dest, int32_t count);
void HOSTCALL WStrAsg(wchar_t** dest, const wchar_t* source);
wchar_t** HOSTCALL WStrClr(wchar_t** s);
wchar_t* HOSTCALL WStrAddRef(wchar_t** s);
int32_t HOSTCALL CompareWide(const wchar_t* s1, const wchar_t* s2);

// Objects: class records with the host's layout.
struct ClassRecord {
    hostabi::ClassHeader header;
    void* virtuals[4];  // class reference = &virtuals[0]
};
inline void* ClassRef(ClassRecord& c) { return &c.virtuals[0]; }
inline const hostabi::ClassHeader& Header(const void* classRef) { return *hostabi::HeaderOfClass(classRef); }

void* HOSTCALL NewInstance(void* classRef);
void HOSTCALL FreeInstance(void* self);
void* HOSTCALL InitInstance(void* classRef, void* memory);
void HOSTCALL CleanupInstance(void* self);
void* HOSTCALL ObjectCreate(void* classOrSelf, int8_t allocate);
void HOSTCALL ObjectDestroy(void* self, int8_t outermost);
void HOSTCALL ObjectFree(void* self);
void* HOSTCALL ClassCreate(void* classOrSelf, int8_t allocate);
void HOSTCALL ClassDestroy(void* self);
void* HOSTCALL AfterConstruction(void* self);
void* HOSTCALL BeforeDestruction(void* self, int8_t outermost);
bool InheritsFrom(const void* classRef, const void* ancestor);
bool GetInterface(void* self, const hostabi::GuidRec& iid, void** result);
void* HOSTCALL InterfacedNewInstance(void* classRef);
extern "C" ClassRecord emu_TInterfacedObject_record;
// The exported entries that class records name in their slots.
extern "C" void* HOSTCALL emu_System_TObject_NewInstance(void* classRef);
extern "C" void HOSTCALL emu_System_TObject_FreeInstance(void* self);
extern "C" void HOSTCALL emu_System_TObject_Destroy(void* self, int8_t outermost);
extern "C" void* HOSTCALL emu_System_TInterfacedObject_NewInstance(void* classRef);

// Managed data (ManagedData.cpp).
void InitializeMany(void* p, const void* typeInfo, uint32_t count);
void FinalizeMany(void* p, const void* typeInfo, uint32_t count);
void AddRefMany(void* p, const void* typeInfo, uint32_t count);
void* HOSTCALL VarClear(void* v);
void VarAddRef(void* v);
void* HOSTCALL DynArrayAddRef(void* a);
void** HOSTCALL DynArrayClear(void** a, const void* typeInfo);
void** HOSTCALL IntfClear(void** intf);
void HOSTCALL IntfCopy(void** dest, void* source);

// Lists (Lists.cpp).
extern "C" ClassRecord emu_TList_record;
extern "C" ClassRecord emu_TObjectList_record;
[[noreturn]] void HOSTCALL ListError(const void* classRef, const hostabi::ResStringRec* message, int32_t data);
int32_t HOSTCALL ListAdd(hostabi::ListObject* self, void* item);
void HOSTCALL ListDelete(hostabi::ListObject* self, int32_t index);
void* HOSTCALL ListGet(hostabi::ListObject* self, int32_t index);
void HOSTCALL ListClear(hostabi::ListObject* self);
void InitListClasses();
void InitInterfaceListClass();

// Runtime errors (RuntimeErrors.cpp): System.Error's TRuntimeError values.
enum RuntimeErrorCode : uint8_t {
    kOutOfMemory = 1,
    kInvalidPtr = 2,
    kDivByZero = 3,
    kRangeError = 4,
    kIntOverflow = 5,
    kInvalidCast = 10,
    kIntfCastError = 23,
};
[[noreturn]] void RuntimeError(uint8_t code);
[[noreturn]] void AbstractError();
void InitRuntimeErrorClasses();
void InitOSErrorClass();

// Modules (Modules.cpp) and locale (FileNames.cpp).
using ModuleUnloadProc = void(HOSTCALL*)(uint32_t module);
void InitModuleUnloadProcs();
void NotifyModuleUnload(uint32_t module);
void InitSysLocale();

// Packages (Packages.cpp).
using PackageInfoProc = void(HOSTCALL_STACK*)(const char* name, uint8_t nameType, uint8_t flags, void* param);
const hostabi::PackageInfoHeader* PackageInfoTable(struct HINSTANCE__* module);
void HOSTCALL RegisterModule(hostabi::LibModule* module);
extern "C" hostabi::LibModule* emu_System_LibModuleList;
void RegisterRuntimeModule(struct HINSTANCE__* self);
// Fills a class record with TObject's behaviour; called at package load in
// the order parents first.
void DefineClass(ClassRecord& record, const unsigned char* name, int32_t instanceSize, ClassRecord* parent,
                 void* initTable);
extern "C" ClassRecord emu_TObject_record;
void InitObjectClasses();
void InitExceptionClasses();
void InitInterfacedClasses();
// Classes and the units after it (emuhost/classes; in build 50 also the VCL).
void InitLaterUnits();

// Exceptions.
extern "C" ClassRecord emu_Exception_record;
extern "C" ClassRecord emu_EConvertError_record;
extern "C" ClassRecord emu_EListError_record;
extern "C" ClassRecord emu_EPackageError_record;
void* HOSTCALL ExceptionCreate(void* classOrSelf, int8_t allocate, const char* message);
void* HOSTCALL_STACK ExceptionCreateFmt(void* classOrSelf, int8_t allocate, const char* format, int32_t argsHigh,
                                        const hostabi::VarRec* args);
void* HOSTCALL_STACK ExceptionCreateResFmt(void* classOrSelf, int8_t allocate, const hostabi::ResStringRec* res,
                                           int32_t argsHigh, const hostabi::VarRec* args);
// Raises a new `cls` whose message is the resource string formatted with
// `count` arguments, as the host's `raise E.CreateResFmt(@S, [...])` does.
[[noreturn]] void RaiseResFmt(ClassRecord& cls, const hostabi::ResStringRec* res, const hostabi::VarRec* args,
                              int32_t count);

// Resource strings and Format.
extern uint32_t ModuleInstance;  // this package's module handle
void HOSTCALL LoadResString(const hostabi::ResStringRec* rec, char** result);
void FormatInto(const char* format, const hostabi::VarRec* args, int32_t argsHigh, char** result);
extern "C" hostabi::ResStringRec emu_Sysconst_SInvalidInteger;
extern "C" hostabi::ResStringRec emu_Rtlconsts_SListIndexError;
extern "C" hostabi::ResStringRec emu_Rtlconsts_SListCountError;
extern "C" hostabi::ResStringRec emu_Sysconst_SDuplicatePackageUnit;
extern "C" hostabi::ResStringRec emu_Sysconst_SInvalidPackageFile;
extern "C" hostabi::ResStringRec emu_Rtlconsts_SListCapacityError;
extern "C" hostabi::ResStringRec emu_Sysconst_SErrorLoadingPackage;
extern "C" hostabi::ResStringRec emu_Sysconst_SCannotReadPackageInfo;
extern "C" hostabi::ResStringRec emu_Sysconst_SOSError;
[[noreturn]] void RaiseObject(void* exceptionObject);  // the host's raise statement
[[noreturn]] void RaiseNew(ClassRecord& cls, const char* message);
// What an export that exists only to be found does when it is called anyway.
[[noreturn]] void UnimplementedExport(const char* decoratedName);
// Raises a new `cls` carrying `message`, a long string whose reference it takes.
[[noreturn]] void RaiseWithMessage(ClassRecord& cls, char* message);
// StrToInt's conversion error for the text s.
[[noreturn]] void RaiseInvalidInteger(const char* s);

}  // namespace emurtl
