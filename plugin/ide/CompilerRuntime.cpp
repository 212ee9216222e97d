#include "ide/CompilerRuntime.h"

#include <atomic>
#include <cstring>
#include <iterator>

#include "CompilerRoutines.h"
#include "base/BuildProfile.h"
#include "base/SystemPlatform.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "patching/CodeWriter.h"

// The table's rows as code (CompilerRuntime.S), in the table's order.
#define COMPILER_ROUTINE(id, builds, routine, ...) extern "C" const unsigned char toravex_compiler_##id[];
#include "CompilerRoutines.inc"
#undef COMPILER_ROUTINE

extern "C" {
// Read by SmartMemCmp: where a call it does not rewrite continues.
const void* toravex_PlainMemCmpEntry = nullptr;
int toravex_MemCmpCallSite(const uint32_t* savedRegisters);
}

namespace toravex {

namespace {

const unsigned char* const kRowCode[] = {
#define COMPILER_ROUTINE(id, builds, routine, ...) toravex_compiler_##id,
#include "CompilerRoutines.inc"
#undef COMPILER_ROUTINE
};
static_assert(std::size(kRowCode) == std::size(hostabi::compiler_code::kRows));

template <class T>
uint32_t Address(T* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

void PutWord(uint8_t* at, uint32_t value) { std::memcpy(at, &value, 4); }
uint32_t WordAt(const uint8_t* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}
// The target of the 5-byte relative call or jump ending at next.
const uint8_t* RelativeTarget(const uint8_t* next) {
    return next + static_cast<int32_t>(WordAt(next - 4));
}

using UnalignedWord = uint32_t __attribute__((aligned(1), may_alias));

uint32_t Load(const uint8_t* p) { return *reinterpret_cast<const UnalignedWord*>(p); }

// The difference of the lowest-addressed unequal bytes of two unequal words.
int32_t WordDifference(uint32_t x, uint32_t y) {
    const int shift = __builtin_ctz(x ^ y) & ~7;
    return static_cast<int32_t>((x >> shift) & 0xFF) - static_cast<int32_t>((y >> shift) & 0xFF);
}

// A block: the given instructions, then int3 to 32 bytes.
template <size_t N>
CodeBlock Block(const uint8_t (&code)[N]) {
    static_assert(N <= 32);
    CodeBlock block;
    block.fill(0xCC);
    std::memcpy(block.data(), code, N);
    return block;
}

// The compiler libraries' memcmp entries that SmartMemCmp stands in for.
constexpr int kMaxMemCmpEntries = 4;
std::atomic<const void*> gMemCmpEntries[kMaxMemCmpEntries];

bool IsMemCmpEntry(const uint8_t* target) {
    for (const auto& entry : gMemCmpEntries)
        if (entry.load(std::memory_order_acquire) == target) return true;
    return false;
}

// The one-byte pushes 50..57 become these moves into ECX (push ECX needs none).
constexpr uint8_t kMoveToEcx[8][2] = {{0x89, 0xC1}, {0x90, 0x90}, {0x89, 0xD1}, {0x89, 0xD9},
                                      {0x89, 0xE1}, {0x89, 0xE9}, {0x89, 0xF1}, {0x89, 0xF9}};
constexpr int kSiteSize = 9;  // the push of a, the 5-byte call, the 3-byte clean-up

// Whether the byte at p could be the last byte of a push with an operand
// (push imm8, push imm32, push from memory with a displacement or SIB byte)
// rather than a one-byte register push.
bool EndsLongerPush(const uint8_t* p) {
    if (p[-1] == 0x6A || p[-4] == 0x68) return true;                                     // push imm8 / imm32
    if (p[-2] == 0xFF && ((p[-1] & 0xF8) == 0x70 || p[-1] == 0x34)) return true;          // [reg+d8], [sib]
    if (p[-3] == 0xFF && p[-2] == 0x74) return true;                                      // [sib+d8]
    if (p[-5] == 0xFF && ((p[-4] & 0xF8) == 0xB0 || p[-4] == 0x35)) return true;          // [reg+d32], [d32]
    if (p[-6] == 0xFF && (p[-5] == 0xB4 || p[-5] == 0x34)) return true;                   // [sib+d32]
    return false;
}

bool RewrittenSite(const uint8_t* r) {
    return r[-4] == 0xE8 && RelativeTarget(r + 1) == reinterpret_cast<const uint8_t*>(&toravex_RegisterMemCmp) &&
           r[1] == 0x90 && r[2] == 0x90;
}

}  // namespace

CodeBlock MoveBlock() {
    uint8_t code[] = {
        0x8B, 0x44, 0x24, 0x08,        // mov eax, [esp+8]    source
        0x8B, 0x54, 0x24, 0x04,        // mov edx, [esp+4]    dest
        0x8B, 0x4C, 0x24, 0x0C,        // mov ecx, [esp+12]   count
        0xFF, 0x15, 0, 0, 0, 0,        // call [MoveSlot]
        0x8B, 0x44, 0x24, 0x04,        // mov eax, [esp+4]    dest
        0xC3,                          // ret
    };
    PutWord(code + 14, Address(&MoveSlot));
    return Block(code);
}

CodeBlock FillBlock() {
    uint8_t code[] = {
        0x8B, 0x44, 0x24, 0x04,        // mov eax, [esp+4]    dest
        0x8B, 0x54, 0x24, 0x0C,        // mov edx, [esp+12]   count
        0x8B, 0x4C, 0x24, 0x08,        // mov ecx, [esp+8]    value in CL
        0xFF, 0x15, 0, 0, 0, 0,        // call [FillChar slot]
        0x8B, 0x44, 0x24, 0x04,        // mov eax, [esp+4]    dest
        0xC3,                          // ret
    };
    PutWord(code + 14, Address(&Slots.FillChar));
    return Block(code);
}

CodeBlock LengthBlock() {
    uint8_t code[] = {
        0x8B, 0x44, 0x24, 0x04,        // mov eax, [esp+4]    s
        0xFF, 0x25, 0, 0, 0, 0,        // jmp [StrLen slot]: its result is strlen's
    };
    PutWord(code + 6, Address(&Slots.StrLen));
    return Block(code);
}

CMemCmp PlainMemCmp() {
    const hostabi::CompilerRoutineCode* row = hostabi::FindCompilerRoutine(Profile().hostBuild, hostabi::CompilerRoutine::memcmp);
    if (!row) return nullptr;
    const auto index = static_cast<size_t>(row - hostabi::compiler_code::kRows);
    return reinterpret_cast<CMemCmp>(kRowCode[index]);
}

void AddMemCmpEntry(const void* entry) {
    toravex_PlainMemCmpEntry = reinterpret_cast<const void*>(PlainMemCmp());
    for (auto& slot : gMemCmpEntries) {
        const void* expected = nullptr;
        if (slot.load() == entry || slot.compare_exchange_strong(expected, entry)) return;
    }
}

bool RewriteMemCmpSite(uint8_t* r, uint32_t a, const uint32_t registers[8]) {
    // The common answer first, without the lock: an indirect call (nothing
    // to do) or a site rewritten already (by another thread, while this
    // call was on its way).
    if (RewrittenSite(r)) return true;
    if (r[-5] != 0xE8 || !IsMemCmpEntry(RelativeTarget(r))) return false;

    uint8_t* site = r - 6;
    if (!Platform().IsReadable(site - 6, 6 + kSiteSize)) return false;
    CodeWrite write(site, kSiteSize);
    // Under the code-write lock: another thread may have just changed it.
    if (RewrittenSite(r)) return true;
    if (r[-5] != 0xE8 || !IsMemCmpEntry(RelativeTarget(r)) || !write) return false;

    const uint8_t push = site[0];
    const bool registerPush = push >= 0x50 && push <= 0x57 && registers[push - 0x50] == a && !EndsLongerPush(site);
    const bool cleanUp = r[0] == 0x83 && r[1] == 0xC4 && r[2] == 0x0C;
    if (registerPush && cleanUp) {
        uint8_t code[kSiteSize] = {kMoveToEcx[push - 0x50][0], kMoveToEcx[push - 0x50][1], 0xE8, 0, 0, 0, 0, 0x90, 0x90};
        PutWord(code + 3, Address(&toravex_RegisterMemCmp) - Address(site + 7));
        return write.Store(site, code, sizeof code);
    }
    // Not rewritable: the call goes to PlainMemCmp from now on.
    const uint32_t displacement = Address(toravex_PlainMemCmpEntry) - Address(r);
    write.Store(r - 4, &displacement, 4);
    return false;
}

extern "C" int toravex_MemCmpCallSite(const uint32_t* saved) {
    // pushad order in memory: EDI, ESI, EBP, ESP, EBX, EDX, ECX, EAX.
    const uint32_t esp = saved[3];
    const uint32_t* stack = reinterpret_cast<const uint32_t*>(esp);
    // As a push of that register would have pushed it: ESP before the push
    // of a was 8 bytes above the return address's slot.
    const uint32_t registers[8] = {saved[7], saved[6], saved[5], saved[4], esp + 8, saved[2], saved[1], saved[0]};
    return RewriteMemCmpSite(reinterpret_cast<uint8_t*>(stack[0]), stack[1], registers) ? 1 : 0;
}


extern "C" int32_t HOSTCALL_STACK toravex_RegisterMemCmp(uint32_t, uint32_t, const void* first, const void* second,
                                                        size_t count) {
    const auto* a = static_cast<const uint8_t*>(first);
    const auto* b = static_cast<const uint8_t*>(second);
    for (; count >= 32; a += 32, b += 32, count -= 32)
        for (int i = 0; i < 32; i += 4)
            if (Load(a + i) != Load(b + i)) return WordDifference(Load(a + i), Load(b + i));
    for (size_t block = 16; block >= 4; block /= 2) {
        if (count < block) continue;
        for (size_t i = 0; i < block; i += 4)
            if (Load(a + i) != Load(b + i)) return WordDifference(Load(a + i), Load(b + i));
        a += block;
        b += block;
        count -= block;
    }
    for (; count > 0; ++a, ++b, --count)
        if (*a != *b) return static_cast<int32_t>(*a) - static_cast<int32_t>(*b);
    return 0;
}

extern "C" char* toravex_FastStrCat(char* dest, const char* source) {
    // dest's zero: bytes up to a 4-byte boundary, then aligned words (which
    // never reach into the next page) tested for a zero byte.
    char* end = dest;
    while ((reinterpret_cast<uintptr_t>(end) & 3) && *end) ++end;
    if (*end) {
        for (;;) {
            const uint32_t word = Load(reinterpret_cast<const uint8_t*>(end));
            if ((word - 0x01010101u) & ~word & 0x80808080u) break;
            end += 4;
        }
        while (*end) ++end;
    }
    if (source[0] == 0) return dest;
    end[0] = source[0];
    if (source[1] == 0) {
        end[1] = 0;
        return dest;
    }
    end[1] = source[1];
    Slots.StrCopy(end + 2, source + 2);
    return dest;
}

}  // namespace toravex
