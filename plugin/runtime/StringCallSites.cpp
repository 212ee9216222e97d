#include "runtime/StringCallSites.h"

#include <windows.h>

#include "base/DiagnosticLog.h"
#include "base/HostRuntime.h"
#include "base/SystemPlatform.h"
#include "patching/CallSiteStub.h"
#include "patching/CodeWriter.h"
#include "patching/InstructionShapes.h"

namespace toravex {

namespace {

unsigned SystemProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

ProcessorCountFn gProcessorCount = &SystemProcessorCount;

bool IsReadable(const void* p, size_t size) { return Platform().IsReadable(p, size); }

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
    return static_cast<uint8_t*>(FollowToEntry(const_cast<void*>(address), StubRule::Always, EntryStep::ImportThunk));
}

uint8_t* FindWideStringStore(const uint8_t* wstrSetLengthEntry) {
    // The call sits past WStrSetLength's prologue, within its first few
    // hundred bytes: "call store; pop edi; pop esi; pop ebx; ret".
    constexpr int kScanStart = 16, kScanPositions = 256, kCallAndEpilogue = 9;
    if (!wstrSetLengthEntry) return nullptr;
    const uint8_t* p = wstrSetLengthEntry + kScanStart;
    for (int i = 0; i < kScanPositions; ++i, ++p) {
        if (!IsReadable(p, kCallAndEpilogue)) return nullptr;
        if (p[0] == 0xE8 && p[5] == 0x5F && p[6] == 0x5E && p[7] == 0x5B && p[8] == 0xC3) {
            const uint8_t* target = p + 5 + static_cast<int32_t>(ReadU32(p + 1));
            if (IsReadable(target, 2) && target[0] == 0x87 && target[1] == 0x10) return const_cast<uint8_t*>(target);
            return nullptr;
        }
    }
    return nullptr;
}

bool WriteJump(uint8_t* entry, const void* target) {
    if (!entry) return false;
    const JumpBytes jump = EncodeJump(reinterpret_cast<uintptr_t>(entry), reinterpret_cast<uintptr_t>(target));
    return StoreCode(entry, jump.bytes, kJumpSize);
}

namespace {

// The assignment replacements take memory from the host's memory manager.
const HostNeeds kHostMemory = {{&hostnames::System_GetMem, &hostnames::System_FreeMem}};

// One jump of the string call-site optimisation, and its line in the log.
void Redirect(const hostnames::HostName& name, uint8_t* entry, const void* target, const char* what = nullptr) {
    if (!what) what = name.decorated;
    if (!entry)
        LogLeftOut(what, "missing export");
    else if (WriteJump(entry, target))
        LogMade("entry", what);
    else
        LogLeftOut(what, "code write failed");
}

}  // namespace

void PrepareStringOptimize() {
    using namespace hostnames;
    if (!Runtime().module) return;
    const HostName* assignments[] = {&System_LStrLAsg, &System_LStrAsg};
    if (gProcessorCount() > 1) {
        for (const HostName* name : assignments) LogLeftOut(name->decorated, "more than one processor");
    } else if (const HostName* missing = FirstMissing(kHostMemory)) {
        for (const HostName* name : assignments) LogLeftOut(name->decorated, "missing helper", missing->decorated);
    } else {
        Redirect(System_LStrLAsg, EntryOf(System_LStrLAsg), reinterpret_cast<void*>(&LStrLAsgReplacement));
        Redirect(System_LStrAsg, EntryOf(System_LStrAsg), reinterpret_cast<void*>(&LStrAsgReplacement));
    }
    Redirect(System_WStrSetLength, FindWideStringStore(EntryOf(System_WStrSetLength)),
             reinterpret_cast<void*>(&WideStoreReplacement), "WideStringStore");
    Redirect(System_LStrCmp, EntryOf(System_LStrCmp), reinterpret_cast<void*>(&toravex_LStrCmp));
    Redirect(System_WStrCmp, EntryOf(System_WStrCmp), reinterpret_cast<void*>(&toravex_WStrCmp));
}

}  // namespace toravex

// A caller that only tests equality gets its call pointed at the equality
// compare, unless the call goes through an import thunk: such callers are
// rewritten by their call-site stub to reach the comparison directly first.
extern "C" void toravex_rewrite_comparison_site(uint8_t* returnAddress, const void* equality,
                                                const void* comparison) {
    using namespace toravex;
    uint8_t* call = returnAddress - kJumpSize;
    const uint8_t* target = CallDestination(call);
    if (target != comparison && IsRewritableThunk(target)) return;
    RetargetCall(call, equality);
}
