#include "patching/Redirect.h"

#include "base/SystemPlatform.h"
#include "patching/CodeWriter.h"
#include "patching/InstructionShapes.h"

namespace toravex {

namespace {

// The jump takes 5 bytes; one more is made writable with it.
constexpr size_t kProtectedBytes = 6;

void PatchEntry(uint8_t* entry, const void* target, RedirectRecord& record) {
    CodeWrite write(entry, kProtectedBytes);
    if (!write) return;
    record.Address = entry;
    __builtin_memcpy(record.SavedBytes, entry, sizeof record.SavedBytes);
    const JumpBytes jump = EncodeJump(reinterpret_cast<uintptr_t>(entry), reinterpret_cast<uintptr_t>(target));
    write.Store(entry, jump.bytes, kJumpSize);
}

}  // namespace

void InstallRedirect(void* routine, const void* target, RedirectRecord& record) {
    if (!routine) {
        record.Address = nullptr;
        return;
    }
    if (record.UseCount == 0) PatchEntry(static_cast<uint8_t*>(ResolveImportThunk(routine)), target, record);
    ++record.UseCount;
}

void StartRedirect(void* routine, const void* target, RedirectRecord& record) {
    record.UseCount = 0;
    record.Address = nullptr;
    InstallRedirect(routine, target, record);
}

void RemoveRedirect(RedirectRecord& record) {
    if (record.Address && record.UseCount == 1) WriteOwnMemory(record.Address, record.SavedBytes, kJumpSize);
    --record.UseCount;
}

void ReinstallRedirect(const void* target, RedirectRecord& record) { InstallRedirect(record.Address, target, record); }

void RedirectExport(HMODULE module, const char* exportName, const void* target, RedirectRecord& record) {
    void* routine = module && exportName ? Platform().GetExport(module, exportName) : nullptr;
    InstallRedirect(routine, target, record);
}

bool OverwriteCode(void* routine, const void* code, size_t size) {
    void* entry = ResolveImportThunk(routine);
    return entry && code && StoreCode(entry, code, size);
}

bool WriteOwnMemory(void* address, const void* buffer, size_t size) { return StoreCode(address, buffer, size); }

}  // namespace toravex
