// The x86 instruction shapes the patching code writes and recognises, and the
// two ways of following a routine's address to the code that really runs.
//
//   jump written at an entry   E9 rel32            rel32 = target - (entry + 5)
//   import thunk               FF 25 m32           jumps through the pointer at m32
//   indirect call              FF 15 m32           calls through the pointer at m32
//   forwarding stub (9x)       68 imm32 E9 rel32   pushes imm32, the real routine
#pragma once

#include <cstddef>
#include <cstdint>

namespace toravex {

constexpr size_t kJumpSize = 5;
constexpr size_t kForwardingStubSize = 10;

// The 5 bytes of a relative jump from entry to target.
struct JumpBytes {
    uint8_t bytes[kJumpSize];
};
JumpBytes EncodeJump(uintptr_t entry, uintptr_t target);

// Reads a possibly unaligned 32-bit value.
inline uint32_t ReadU32(const void* p) {
    uint32_t v;
    __builtin_memcpy(&v, p, 4);
    return v;
}

// When address holds a forwarding stub of the Windows 9x family: its imm32,
// else nil. Bytes that cannot be read are no stub.
void* ForwardingStubTarget(const void* address);

// The one way of following a routine's address to the code that runs: a
// forwarding stub first (only on the 9x family, or always), then one step
// through an import thunk (FF 25), or through FF 25, FF 15 or E9. Every
// byte is checked readable before it is read; an operand pointing at
// unreadable memory ends the walk where it is. Nil stays nil.
enum class StubRule { Only9x, Always };
enum class EntryStep { ImportThunk, IndirectOrJump };
void* FollowToEntry(void* address, StubRule stubs, EntryStep step);

// Following used by the use-counted redirections: on the 9x family a
// forwarding stub first, then one import thunk (FF 25).
inline void* ResolveImportThunk(void* address) {
    return FollowToEntry(address, StubRule::Only9x, EntryStep::ImportThunk);
}

// Following used by the process-memory redirections: on the 9x family a
// forwarding stub first, then one step through FF 25, FF 15 or E9.
inline void* ResolveEntry(void* address) {
    return FollowToEntry(address, StubRule::Only9x, EntryStep::IndirectOrJump);
}

}  // namespace toravex
