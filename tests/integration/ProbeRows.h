// The routines of the runtime patch set as the patch probe calls them: each
// row names an export of the runtime package or of the C runtime and how to
// exercise it. An exercise calls the routine at a given address with
// generated inputs and returns a digest of every result, so that the results
// of one address can be compared with those of another (the same routine
// reached through an import slot, a jump at its entry, or in a process where
// nothing is patched).
#pragma once

#include <windows.h>

#include <cstdint>

namespace probe {

enum class Shape {
    Text,          // (S; var Result: string)
    TextPair,      // (S1, S2): Integer, compared by sign
    TextPairBool,  // (S1, S2): Boolean
    ChangeExt,     // (S, Ext; var Result)
    Pos,           // (Sub, S): Integer
    PosEx,         // (Sub, S, Offset): Integer
    Replace,       // (S, Old, New, Flags; var Result)
    IntToStr,
    StrToInt,
    Max,
    FileBool,      // FileExists
    FileInt,       // FileAge
    Move,
    FillChar,
    CompareMem,
    PCharPair,     // StrComp, StrIComp: compared by sign
    PCharLen,
    StrCopy,
    StrScan,
    LStrCmp,       // flags
    WStrCmp,       // flags
    WideSame,
    ListGet,
    ListIndexOf,
    ListSetCount,
    ListPut,
    ListInsert,
    ListLast,
    ListExchange,
    CMemset,
    CMemmove,
    CMemcpy,
    CStrcmp,       // by sign
    CStrlen,
};

struct Row {
    const char* name;  // decorated export name, or the C runtime's name
    bool cRuntime;     // exported by msvcrt.dll, else by the runtime package
    Shape shape;
};

extern const Row kRows[];
extern const int kRowCount;

// The module that exports the row's routine in this process.
HMODULE RowModule(const Row& row);

// Runs the row's exercise on the routine at `routine`; the digest of its
// results.
uint32_t Exercise(const Row& row, void* routine);

// The flags (CF and ZF) a flags-result string comparison leaves, called with
// S1 and S2 from a call site no caller test follows (ProbeCalls.S).
extern "C" uint32_t probe_compare_flags(void* routine, const void* s1, const void* s2);
constexpr uint32_t kCarry = 0x01, kZero = 0x40;

}  // namespace probe
