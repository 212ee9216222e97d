// StrToInt: text to a 32-bit integer in five processor variants, chosen per
// routine target by the routine table. Host register convention: EAX = S (a
// host long string), result in EAX.
//
// All five accept and reject exactly the same texts and give the same
// values: leading blanks (0x20 only), one optional sign, then decimal digits
// or hexadecimal ones after "$", "x", "X", "0x" or "0X"; nothing else and
// nothing after the digits. Decimal values must fit 32 bits signed;
// hexadecimal ones are taken as a full 32-bit pattern ("$FFFFFFFF" is -1)
// and negated after a minus. A text that is not accepted raises the host's
// EConvertError with the host's invalid-integer message naming the text.
// The variants differ in how many leading decimal digits they take before
// testing each further digit against the 32-bit limit.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using StrToIntRoutine = int32_t(HOSTCALL*)(const char* s);

int32_t HOSTCALL StrToIntA(const char* s);  // 8 digits before the limit test
int32_t HOSTCALL StrToIntB(const char* s);  // 7
int32_t HOSTCALL StrToIntC(const char* s);  // 2
int32_t HOSTCALL StrToIntD(const char* s);  // 3
int32_t HOSTCALL StrToIntE(const char* s);  // 9

// The variant for a routine target; null for codes never produced.
StrToIntRoutine StrToIntFor(uint8_t target);

}  // namespace toravex
