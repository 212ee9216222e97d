// The runtime's errors as SysUtils turns them into exceptions: System.Error
// with a TRuntimeError value, the abstract-method error, and RunError.
#include <windows.h>

#include "EmuRuntime.h"

namespace emurtl {

namespace {

struct ErrorClass {
    ClassRecord record;
    const unsigned char* name;
    const char* message;
};

// One exception class per runtime error the emulated runtime raises.
ErrorClass gOutOfMemory{{}, reinterpret_cast<const unsigned char*>("\x0C" "EOutOfMemory"), "Out of memory"};
ErrorClass gInvalidPointer{{}, reinterpret_cast<const unsigned char*>("\x0F" "EInvalidPointer"),
                           "Invalid pointer operation"};
ErrorClass gDivByZero{{}, reinterpret_cast<const unsigned char*>("\x0A" "EDivByZero"), "Division by zero"};
ErrorClass gRangeError{{}, reinterpret_cast<const unsigned char*>("\x0B" "ERangeError"), "Range check error"};
ErrorClass gIntOverflow{{}, reinterpret_cast<const unsigned char*>("\x0C" "EIntOverflow"), "Integer overflow"};
ErrorClass gInvalidCast{{}, reinterpret_cast<const unsigned char*>("\x0C" "EInvalidCast"), "Invalid class typecast"};
ErrorClass gIntfCastError{{}, reinterpret_cast<const unsigned char*>("\x0E" "EIntfCastError"),
                          "Interface not supported"};
ErrorClass gAbstractError{{}, reinterpret_cast<const unsigned char*>("\x0E" "EAbstractError"), "Abstract Error"};

ErrorClass* const kAll[] = {&gOutOfMemory, &gInvalidPointer, &gDivByZero, &gRangeError,
                            &gIntOverflow, &gInvalidCast,    &gIntfCastError, &gAbstractError};

ErrorClass* ClassFor(uint8_t code) {
    switch (code) {
        case kOutOfMemory: return &gOutOfMemory;
        case kInvalidPtr: return &gInvalidPointer;
        case kDivByZero: return &gDivByZero;
        case kRangeError: return &gRangeError;
        case kIntOverflow: return &gIntOverflow;
        case kInvalidCast: return &gInvalidCast;
        case kIntfCastError: return &gIntfCastError;
        default: return nullptr;
    }
}

}  // namespace

void InitRuntimeErrorClasses() {
    for (ErrorClass* c : kAll)
        DefineClass(c->record, c->name, sizeof(hostabi::ExceptionObject), &emu_Exception_record, nullptr);
}

void RuntimeError(uint8_t code) {
    if (ErrorClass* c = ClassFor(code)) RaiseNew(c->record, c->message);
    char* text = nullptr;
    char* number = nullptr;
    LStrFromPChar(&text, "Runtime error ");
    IntToStr(code, &number);
    LStrCat(&text, number);
    LStrClr(&number);
    RaiseWithMessage(emu_Exception_record, text);
}

void AbstractError() { RaiseNew(gAbstractError.record, gAbstractError.message); }

}  // namespace emurtl

extern "C" {
// System.Error(errorCode: TRuntimeError): AL = the error.
void HOSTCALL emu_System_Error(uint8_t code) { emurtl::RuntimeError(code); }
// System.@RunError: ends the program with the error code as exit code, as
// the host's runtime does for a run-time error it is not asked to raise.
void HOSTCALL emu_System_RunError(uint8_t code) { ExitProcess(code); }
}

// SysUtils.RaiseLastOSError (RaiseLastWin32Error in every build): EOSError
// with the last error code and the system's text for it, or the plain
// message when the code is 0.
namespace emurtl {

extern "C" ClassRecord emu_EOSError_record;
ClassRecord emu_EOSError_record;

struct OSErrorObject {
    hostabi::ExceptionObject base;
    uint32_t errorCode;
};

void InitOSErrorClass() {
    static const unsigned char kName[] = "\x08" "EOSError";
    DefineClass(emu_EOSError_record, kName, sizeof(OSErrorObject), &emu_Exception_record, nullptr);
}

void RaiseLastOSError() {
    const DWORD code = GetLastError();
    void* error;
    if (code == 0) {
        char* text = nullptr;
        LStrFromPChar(&text, "A call to an OS function failed");
        error = ExceptionCreate(ClassRef(emu_EOSError_record), 1, text);
        LStrClr(&text);
    } else {
        char* system = nullptr;
        char* description = nullptr;
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&system), 0, nullptr);
        int32_t length = 0;
        while (system && system[length]) ++length;
        while (length > 0 && (system[length - 1] == '\r' || system[length - 1] == '\n' || system[length - 1] == ' '))
            --length;
        LStrFromPCharLen(&description, system, length);
        LocalFree(system);
        hostabi::VarRec args[2] = {};
        args[0].vInteger = static_cast<int32_t>(code);
        args[0].vType = hostabi::vartype::kInteger;
        args[1].vAnsiString = description;
        args[1].vType = hostabi::vartype::kAnsiString;
        error = ExceptionCreateResFmt(ClassRef(emu_EOSError_record), 1, &emu_Sysconst_SOSError, 1, args);
        LStrClr(&description);
    }
    static_cast<OSErrorObject*>(error)->errorCode = code;
    RaiseObject(error);
}

}  // namespace emurtl

__asm__(".globl _emu_Sysutils_EOSError\n\t.set _emu_Sysutils_EOSError, _emu_EOSError_record+76");

extern "C" {
void HOSTCALL emu_Sysutils_RaiseLastOSError() { emurtl::RaiseLastOSError(); }
void HOSTCALL emu_Sysutils_RaiseLastWin32Error() { emurtl::RaiseLastOSError(); }
}
