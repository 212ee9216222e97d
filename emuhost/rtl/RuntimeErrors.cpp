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
