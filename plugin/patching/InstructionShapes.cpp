#include "patching/InstructionShapes.h"

#include "base/SystemPlatform.h"
#include "base/Utils.h"

namespace toravex {

JumpBytes EncodeJump(uintptr_t entry, uintptr_t target) {
    const uint32_t displacement = static_cast<uint32_t>(target - (entry + kJumpSize));
    JumpBytes jump{{0xE9}};
    __builtin_memcpy(jump.bytes + 1, &displacement, 4);
    return jump;
}

namespace {

// The pointer stored at the m32 operand of FF 25 / FF 15 at code; false
// when the operand points at memory that cannot be read (then the bytes are
// not treated as a thunk, rather than faulting inside the host).
bool IndirectTarget(const uint8_t* code, void*& target) {
    const void* operand = reinterpret_cast<const void*>(ReadU32(code + 2));
    if (!Platform().IsReadable(operand, 4)) return false;
    target = reinterpret_cast<void*>(ReadU32(operand));
    return true;
}

uint8_t* SkipForwardingStub(void* address, StubRule rule) {
    if (rule == StubRule::Always || !IsWinNT())
        if (void* target = ForwardingStubTarget(address)) return static_cast<uint8_t*>(target);
    return static_cast<uint8_t*>(address);
}

}  // namespace

void* ForwardingStubTarget(const void* address) {
    if (!address || !Platform().IsReadable(address, kForwardingStubSize)) return nullptr;
    const uint8_t* code = static_cast<const uint8_t*>(address);
    if (code[0] != 0x68 || code[5] != 0xE9) return nullptr;
    return reinterpret_cast<void*>(ReadU32(code + 1));
}

void* FollowToEntry(void* address, StubRule stubs, EntryStep step) {
    if (!address) return nullptr;
    uint8_t* code = SkipForwardingStub(address, stubs);
    if (!Platform().IsReadable(code, 6)) return code;
    const bool anyStep = step == EntryStep::IndirectOrJump;
    void* target;
    if (code[0] == 0xFF && (code[1] == 0x25 || (anyStep && code[1] == 0x15))) {
        if (IndirectTarget(code, target)) return target;
    } else if (anyStep && code[0] == 0xE9) {
        return code + kJumpSize + static_cast<int32_t>(ReadU32(code + 1));
    }
    return code;
}

}  // namespace toravex
