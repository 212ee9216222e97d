#include "fastcode/StringOptimize.h"

#include <windows.h>

#include "core/HostRuntime.h"

namespace toravex {

namespace {

unsigned SystemProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

ProcessorCountFn gProcessorCount = &SystemProcessorCount;

uint32_t Load32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool IsReadable(const void* p, size_t size) { return !IsBadReadPtr(p, size); }

// The import thunk shape the host's linker emits: FF 25 m32, then 8B C0 (the
// filler between thunks) or FF 25 (the next thunk).
bool IsImportThunk(const uint8_t* p) {
    return IsReadable(p, 8) && p[0] == 0xFF && p[1] == 0x25 &&
           ((p[6] == 0x8B && p[7] == 0xC0) || (p[6] == 0xFF && p[7] == 0x25));
}

uint8_t* EntryOf(const hostnames::HostName& name) {
    return ResolveStringHelperEntry(FindHostExport(Runtime().module, name));
}

}  // namespace

ProcessorCountFn SetProcessorCountSource(ProcessorCountFn source) {
    ProcessorCountFn previous = gProcessorCount;
    gProcessorCount = source ? source : &SystemProcessorCount;
    return previous;
}

uint8_t* ResolveStringHelperEntry(const void* address) {
    auto* p = static_cast<uint8_t*>(const_cast<void*>(address));
    if (!p) return nullptr;
    if (p[0] == 0x68 && p[5] == 0xE9) p = reinterpret_cast<uint8_t*>(Load32(p + 1));
    if (p[0] == 0xFF && p[1] == 0x25) p = *reinterpret_cast<uint8_t**>(Load32(p + 2));
    return p;
}

uint8_t* FindWideStringStore(const uint8_t* wstrSetLengthEntry) {
    if (!wstrSetLengthEntry) return nullptr;
    const uint8_t* p = wstrSetLengthEntry + 16;
    for (int i = 0; i < 256; ++i, ++p) {
        if (!IsReadable(p, 9)) return nullptr;
        if (p[0] == 0xE8 && p[5] == 0x5F && p[6] == 0x5E && p[7] == 0x5B && p[8] == 0xC3) {
            const uint8_t* target = p + 5 + static_cast<int32_t>(Load32(p + 1));
            if (IsReadable(target, 2) && target[0] == 0x87 && target[1] == 0x10) return const_cast<uint8_t*>(target);
            return nullptr;
        }
    }
    return nullptr;
}

bool WriteJump(uint8_t* entry, const void* target) {
    if (!entry) return false;
    DWORD old;
    if (!VirtualProtect(entry, 5, PAGE_EXECUTE_READWRITE, &old)) return false;
    const uint32_t displacement = reinterpret_cast<uint32_t>(target) - reinterpret_cast<uint32_t>(entry) - 5;
    entry[0] = 0xE9;
    for (int i = 0; i < 4; ++i) entry[1 + i] = static_cast<uint8_t>(displacement >> (8 * i));
    VirtualProtect(entry, 5, old, &old);
    FlushInstructionCache(GetCurrentProcess(), entry, 5);
    return true;
}

void PrepareStringOptimize() {
    using namespace hostnames;
    if (!Runtime().module) return;
    if (gProcessorCount() <= 1) {
        WriteJump(EntryOf(System_LStrLAsg), reinterpret_cast<void*>(&LStrLAsgReplacement));
        WriteJump(EntryOf(System_LStrAsg), reinterpret_cast<void*>(&LStrAsgReplacement));
    }
    WriteJump(FindWideStringStore(EntryOf(System_WStrSetLength)), reinterpret_cast<void*>(&WideStoreReplacement));
    WriteJump(EntryOf(System_LStrCmp), reinterpret_cast<void*>(&toravex_LStrCmp));
    WriteJump(EntryOf(System_WStrCmp), reinterpret_cast<void*>(&toravex_WStrCmp));
}

}  // namespace toravex

// A caller that only tests equality gets its call pointed at the equality
// compare, unless the call goes through an import thunk: such callers are
// rewritten by their call-site stub to reach the comparison directly first.
extern "C" void toravex_rewrite_comparison_site(uint8_t* returnAddress, const void* equality,
                                                const void* comparison) {
    uint8_t* displacement = returnAddress - 4;
    const uint8_t* target = returnAddress + static_cast<int32_t>(toravex::Load32(displacement));
    if (target != comparison && toravex::IsImportThunk(target)) return;
    DWORD old;
    if (!VirtualProtect(displacement, 4, PAGE_EXECUTE_READWRITE, &old)) return;
    *reinterpret_cast<volatile uint32_t*>(displacement) =
        reinterpret_cast<uint32_t>(equality) - reinterpret_cast<uint32_t>(returnAddress);
    VirtualProtect(displacement, 4, old, &old);
}
