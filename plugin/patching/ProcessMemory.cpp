#include "patching/ProcessMemory.h"

#include "base/SystemPlatform.h"
#include "patching/CodeWriter.h"
#include "patching/InstructionShapes.h"

namespace toravex {

HANDLE ProcessHandle = nullptr;

bool ReadCode(const void* entry, uint8_t* saveArea) {
    return Platform().ReadMemory(ProcessHandle, entry, saveArea, kJumpSize, nullptr);
}

bool WriteCode(void* entry, const uint8_t* bytes) { return StoreCode(entry, bytes, kJumpSize); }

bool RedirectCode(void* entry, const void* target, uint8_t* saveArea) {
    ReadCode(entry, saveArea);
    const JumpBytes jump = EncodeJump(reinterpret_cast<uintptr_t>(entry), reinterpret_cast<uintptr_t>(target));
    return WriteCode(entry, jump.bytes);
}

bool RestoreCode(void* entry, const uint8_t* saveArea) { return WriteCode(entry, saveArea); }

uint32_t ReadPointerAt(const void* base, int32_t offset) {
    return ReadU32(static_cast<const uint8_t*>(base) + offset);
}

bool WritePointerAt(void* base, int32_t offset, uint32_t value) {
    return StoreCode(static_cast<uint8_t*>(base) + offset, &value, sizeof value);
}

}  // namespace toravex
