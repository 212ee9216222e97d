// Building host long strings as results of replacement routines, through the
// host's own helpers. `result` is the caller's result variable; it may hold
// the very string an argument points into, so every helper builds the new
// value first and releases the old one last.
#pragma once

#include <cstdint>

namespace toravex {

// result := the `length` characters at `text`.
void SetResult(char** result, const char* text, int32_t length);
// result := source itself (one more reference).
void ShareResult(char** result, const char* source);
// result := the concatenation of two pieces.
void SetResult2(char** result, const char* a, int32_t lengthA, const char* b, int32_t lengthB);

}  // namespace toravex
