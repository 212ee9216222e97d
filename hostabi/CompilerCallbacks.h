// The IDE's interface to its hosted Delphi compiler: the callback table the
// IDE's compiler start-up routine hands to the compiler, and where that
// routine's code holds the table's address.
#pragma once

#include <cstdint>

namespace hostabi {

// 26 code pointers; the same in every build.
inline constexpr int kCompilerCallbackCount = 26;
inline constexpr int kCompilerCallbackTableSize = kCompilerCallbackCount * 4;  // 104 bytes
// The file look-up callback: stdcall, one 32-bit argument, 32-bit result.
inline constexpr int kFileLookupCallback = 8;  // byte offset 32
using FileLookupCallback = int32_t(__stdcall*)(uint32_t argument);

// The compiler start-up routine (Pascppcominout.PascalWin32CompilerInit in
// the 100 build) takes the compiler's stdcall entry in EAX and calls it with
// the table's address, an operand of one of its instructions: at this byte
// offset from the routine's entry.
constexpr int CallbackTableOperandOffset(int packageVersion) { return packageVersion == 100 ? 10 : 1; }

}  // namespace hostabi
