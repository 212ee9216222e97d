// SysUtils.Format (the part of it the runtime's own messages use) and
// System.LoadResString.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "EmuRuntime.h"
#include "ResourceStrings.h"

using hostabi::ResStringRec;
using hostabi::VarRec;
namespace vartype = hostabi::vartype;

namespace emurtl {

uint32_t ModuleInstance = 0;

void HOSTCALL LoadResString(const ResStringRec* rec, char** result) {
    if (!rec) {
        LStrClr(result);
        return;
    }
    if (static_cast<uint32_t>(rec->identifier) >= 0x10000) {
        LStrFromPChar(result, reinterpret_cast<const char*>(rec->identifier));
        return;
    }
    char text[4096];
    int length = LoadStringA(reinterpret_cast<HINSTANCE>(*rec->module), static_cast<UINT>(rec->identifier), text,
                             sizeof text);
    LStrFromPCharLen(result, text, length > 0 ? length : 0);
}

// The text of one argument for %s.
static bool ArgumentText(const VarRec& arg, std::string& out) {
    switch (arg.vType) {
        case vartype::kAnsiString:
            out.assign(arg.vAnsiString ? arg.vAnsiString : "", static_cast<size_t>(hostabi::LengthOf(arg.vAnsiString)));
            return true;
        case vartype::kPChar:
            out = arg.vPChar ? arg.vPChar : "";
            return true;
        case vartype::kString:
            out.assign(reinterpret_cast<const char*>(arg.vString) + 1, arg.vString[0]);
            return true;
        case vartype::kChar:
            out.assign(1, arg.vChar);
            return true;
        default:
            return false;
    }
}

static bool FormatText(const char* format, int32_t formatLength, const VarRec* args, int32_t argCount,
                       std::string& out) {
    int32_t next = 0;
    for (int32_t i = 0; i < formatLength; ++i) {
        char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (++i >= formatLength) return false;
        if (format[i] == '%') {
            out += '%';
            continue;
        }
        bool left = false;
        if (format[i] == '-') {
            left = true;
            ++i;
        }
        int width = 0;
        while (i < formatLength && format[i] >= '0' && format[i] <= '9') width = width * 10 + (format[i++] - '0');
        if (i >= formatLength || next >= argCount) return false;
        const VarRec& arg = args[next++];
        std::string piece;
        char conversion = static_cast<char>(format[i] | 0x20);
        char number[32];
        if (conversion == 's') {
            if (!ArgumentText(arg, piece)) return false;
        } else if (conversion == 'd' && arg.vType == vartype::kInteger) {
            std::snprintf(number, sizeof number, "%ld", static_cast<long>(arg.vInteger));
            piece = number;
        } else if (conversion == 'u' && arg.vType == vartype::kInteger) {
            std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(static_cast<uint32_t>(arg.vInteger)));
            piece = number;
        } else if (conversion == 'x' && arg.vType == vartype::kInteger) {
            std::snprintf(number, sizeof number, "%lX", static_cast<unsigned long>(static_cast<uint32_t>(arg.vInteger)));
            piece = number;
        } else if (conversion == 'p' && (arg.vType == vartype::kPointer || arg.vType == vartype::kObject)) {
            std::snprintf(number, sizeof number, "%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(arg.vPointer)));
            piece = number;
        } else {
            return false;
        }
        if (static_cast<int>(piece.size()) < width)
            piece = left ? piece + std::string(width - piece.size(), ' ') : std::string(width - piece.size(), ' ') + piece;
        out += piece;
    }
    return true;
}

void FormatInto(const char* format, const VarRec* args, int32_t argsHigh, char** result) {
    std::string text;
    if (!FormatText(format, hostabi::LengthOf(format), args, argsHigh + 1, text)) {
        static const char kInvalid[] = "Format '%s' invalid or incompatible with argument";
        VarRec formatArg{};
        formatArg.vAnsiString = format;
        formatArg.vType = vartype::kAnsiString;
        text.clear();
        FormatText(kInvalid, sizeof kInvalid - 1, &formatArg, 1, text);
        char* message = NewLongString(static_cast<int32_t>(text.size()));
        std::memcpy(message, text.data(), text.size());
        text = std::string();
        RaiseWithMessage(emu_EConvertError_record, message);
    }
    LStrFromPCharLen(result, text.data(), static_cast<int32_t>(text.size()));
}

// SysUtils.Format(const Format: string; const Args: array of const): string
void HOSTCALL_STACK Format(const char* format, const VarRec* args, int32_t argsHigh, char** result) {
    FormatInto(format, args, argsHigh, result);
}

}  // namespace emurtl

extern "C" {
void HOSTCALL emu_System_LoadResString(const ResStringRec* rec, char** result) { emurtl::LoadResString(rec, result); }
void HOSTCALL_STACK emu_Sysutils_Format(const char* f, const VarRec* a, int32_t h, char** r) {
    emurtl::Format(f, a, h, r);
}

ResStringRec emu_Sysconst_SInvalidInteger = {&emurtl::ModuleInstance, EMU_RESSTR_SINVALIDINTEGER};
ResStringRec emu_Rtlconsts_SListIndexError = {&emurtl::ModuleInstance, EMU_RESSTR_SLISTINDEXERROR};
ResStringRec emu_Rtlconsts_SListCountError = {&emurtl::ModuleInstance, EMU_RESSTR_SLISTCOUNTERROR};
ResStringRec emu_Sysconst_SDuplicatePackageUnit = {&emurtl::ModuleInstance, EMU_RESSTR_SDUPLICATEPACKAGEUNIT};
ResStringRec emu_Sysconst_SInvalidPackageFile = {&emurtl::ModuleInstance, EMU_RESSTR_SINVALIDPACKAGEFILE};
ResStringRec emu_Rtlconsts_SListCapacityError = {&emurtl::ModuleInstance, EMU_RESSTR_SLISTCAPACITYERROR};
ResStringRec emu_Sysconst_SErrorLoadingPackage = {&emurtl::ModuleInstance, EMU_RESSTR_SERRORLOADINGPACKAGE};
ResStringRec emu_Sysconst_SCannotReadPackageInfo = {&emurtl::ModuleInstance, EMU_RESSTR_SCANNOTREADPACKAGEINFO};
ResStringRec emu_Sysconst_SOSError = {&emurtl::ModuleInstance, EMU_RESSTR_SOSERROR};
}

// Before RTLConsts existed (the 50 build) the list errors lived in Consts.
__asm__(".globl _emu_Consts_SListIndexError\n\t.set _emu_Consts_SListIndexError, _emu_Rtlconsts_SListIndexError");
__asm__(".globl _emu_Consts_SListCountError\n\t.set _emu_Consts_SListCountError, _emu_Rtlconsts_SListCountError");
__asm__(".globl _emu_Consts_SListCapacityError\n\t.set _emu_Consts_SListCapacityError, _emu_Rtlconsts_SListCapacityError");
