#include "ide/CompilerLibraries.h"

#include <cstdio>

#include "base/BuildProfile.h"
#include "base/HostRuntime.h"
#include "base/StepTrace.h"
#include "base/SystemPlatform.h"
#include "base/Utils.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "ide/CompilerRuntime.h"
#include "ide/IDEHooks.h"
#include "patching/CodeWriter.h"
#include "patching/Redirect.h"

namespace toravex {

namespace {

using hostabi::CompilerRoutine;

// The routines looked for at a 55 8B EC once memcpy was found, in this
// order, and how far the scan goes on after each.
struct Candidate {
    CompilerRoutine routine;
    size_t advance;
};
constexpr Candidate kAfterMemcpy[] = {{CompilerRoutine::memmove, 74},
                                      {CompilerRoutine::memset, 138},
                                      {CompilerRoutine::strcat, 60},
                                      {CompilerRoutine::memcmp, 108}};

// The jumps of strcat and memcmp, per compiler library; never removed.
RedirectRecord gStrCatRecords[2], gMemCmpRecords[2];

void TraceReplaced(const char* module, const char* routine) {
    if (!Tracing()) return;
    char step[128];
    std::snprintf(step, sizeof step, "compiler:%s:%s", module, routine);
    TraceStep(step);
}

// A block only where the routine was found and its slot is filled.
bool WriteBlock(uint8_t* routine, const CodeBlock& block, bool slotFilled) {
    return routine && slotFilled && StoreCode(routine, block.data(), block.size());
}

void OptimizeLibrary(const char* module, const char* exportName, int library) {
    HMODULE handle = FindHostModule(module);
    void* entry = handle ? Platform().GetExport(handle, exportName) : nullptr;
    MEMORY_BASIC_INFORMATION region;
    if (!entry || !Slots.CompareMem || Platform().Query(entry, &region, sizeof region) != sizeof region) return;
    auto* begin = static_cast<uint8_t*>(region.BaseAddress);
    const FoundCompilerRoutines found = FindCompilerRoutines(begin, begin + region.RegionSize, Profile().hostBuild);

    if (WriteBlock(found[CompilerRoutine::memcpy], MoveBlock(), MoveSlot != nullptr)) TraceReplaced(module, "memcpy");
    if (WriteBlock(found[CompilerRoutine::memmove], MoveBlock(), MoveSlot != nullptr)) TraceReplaced(module, "memmove");
    if (WriteBlock(found[CompilerRoutine::memset], FillBlock(), Slots.FillChar != nullptr)) TraceReplaced(module, "memset");
    if (WriteBlock(found[CompilerRoutine::strlen], LengthBlock(), Slots.StrLen != nullptr)) TraceReplaced(module, "strlen");
    if (found[CompilerRoutine::strcat] && Slots.StrCopy) {
        StartRedirect(found[CompilerRoutine::strcat], reinterpret_cast<void*>(&toravex_FastStrCat),
                      gStrCatRecords[library]);
        TraceReplaced(module, "strcat");
    }
    if (found[CompilerRoutine::memcmp] && PlainMemCmp()) {
        AddMemCmpEntry(found[CompilerRoutine::memcmp]);
        StartRedirect(found[CompilerRoutine::memcmp], reinterpret_cast<void*>(&toravex_SmartMemCmp),
                      gMemCmpRecords[library]);
        TraceReplaced(module, "memcmp");
    }
}

}  // namespace

FoundCompilerRoutines FindCompilerRoutines(uint8_t* begin, uint8_t* end, unsigned build) {
    FoundCompilerRoutines found;
    auto matches = [&](uint8_t* p, CompilerRoutine routine) {
        const hostabi::CompilerRoutineCode* row = hostabi::FindCompilerRoutine(build, routine);
        return row && !found[routine] && row->size <= static_cast<size_t>(end - p) &&
               Slots.CompareMem(p, row->bytes, static_cast<int32_t>(row->size));
    };
    auto record = [&](uint8_t*& p, CompilerRoutine routine, size_t advance) {
        found.at[static_cast<int>(routine)] = p;
        p += advance;
    };
    for (uint8_t* p = begin; p < end;) {
        if (end - p >= 3 && p[0] == 0x55 && p[1] == 0x8B && p[2] == 0xEC) {
            if (!found[CompilerRoutine::memcpy]) {
                if (matches(p, CompilerRoutine::memcpy)) {
                    record(p, CompilerRoutine::memcpy, 36);
                    continue;
                }
            } else {
                bool matched = false;
                for (const Candidate& c : kAfterMemcpy) {
                    if (matches(p, c.routine)) {
                        record(p, c.routine, c.advance);
                        matched = true;
                        break;
                    }
                }
                if (matched) continue;
            }
        } else if (found[CompilerRoutine::strcat] && matches(p, CompilerRoutine::strlen)) {
            record(p, CompilerRoutine::strlen, 90);
            continue;
        }
        ++p;
    }
    return found;
}

void OptimizeCompilerModule(const char* module, const char* exportName) {
    if (module && *module) OptimizeLibrary(module, exportName, SameTextAscii(module, Profile().delphiCompiler) ? 0 : 1);
}

void OptimizeDelphiCompiler() {
    OptimizeCompilerModule(Profile().delphiCompiler, hostnames::Dcc_DccInitialize.decorated);
}

void OptimizeCppCompiler() { OptimizeCompilerModule(Profile().cppCompiler, hostnames::Comp32_COMPILE.decorated); }

}  // namespace toravex
