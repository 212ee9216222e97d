#include "ide/CompilerLibraries.h"

#include "base/BuildProfile.h"
#include "base/DiagnosticLog.h"
#include "base/FormatText.h"
#include "base/HostRuntime.h"
#include "base/StepTrace.h"
#include "base/SystemPlatform.h"
#include "base/Utils.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "ide/CompilerRuntime.h"
#include "ide/IDEHooks.h"
#include "patching/CodeWriter.h"
#include "patching/InstructionShapes.h"
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

// The code put into the compiler libraries calls the plug-in's routine
// slots and nothing of the host.
const HostNeeds kCompilerRoutineNeeds = {};

const char* const kRoutineNames[hostabi::kCompilerRoutineCount] = {"memcpy", "memmove", "memset",
                                                                   "strcat", "strlen",  "memcmp"};

// Announces and logs what became of one routine of a library: made when
// whyNot is nil, else left out for that reason.
void Report(const char* module, CompilerRoutine routine, const char* how, const char* whyNot) {
    char what[96];
    FormatText(what, sizeof what, "%s!%s", module, kRoutineNames[static_cast<int>(routine)]);
    if (whyNot) {
        LogLeftOut(what, whyNot);
        return;
    }
    LogMade(how, what);
    if (Tracing()) {
        char step[128];
        FormatText(step, sizeof step, "compiler:%s:%s", module, kRoutineNames[static_cast<int>(routine)]);
        TraceStep(step);
    }
}

// Whether the routine's entry now jumps to target.
bool JumpsTo(const RedirectRecord& record, const void* target) {
    if (!record.Address) return false;
    const JumpBytes jump =
        EncodeJump(reinterpret_cast<uintptr_t>(record.Address), reinterpret_cast<uintptr_t>(target));
    return __builtin_memcmp(record.Address, jump.bytes, kJumpSize) == 0;
}

// Copies a block over a found routine whose slot is filled.
void WriteBlock(const char* module, const FoundCompilerRoutines& found, CompilerRoutine routine,
                const CodeBlock& block, bool slotFilled) {
    uint8_t* at = found[routine];
    if (!at)
        Report(module, routine, nullptr, "not found");
    else if (!slotFilled)
        Report(module, routine, nullptr, "no routine selected");
    else
        Report(module, routine, "code-copy", StoreCode(at, block.data(), block.size()) ? nullptr : "code write failed");
}

// Puts a jump to target at a found routine.
void WriteJump(const char* module, const FoundCompilerRoutines& found, CompilerRoutine routine, const void* target,
               bool ready, RedirectRecord& record) {
    uint8_t* at = found[routine];
    if (!at) {
        Report(module, routine, nullptr, "not found");
        return;
    }
    if (!ready) {
        Report(module, routine, nullptr, "no routine selected");
        return;
    }
    StartRedirect(at, target, record);
    Report(module, routine, "entry", JumpsTo(record, target) ? nullptr : "code write failed");
}

void OptimizeLibrary(const char* module, const char* exportName, int library) {
    HMODULE handle = FindHostModule(module);
    void* entry = handle ? Platform().GetExport(handle, exportName) : nullptr;
    if (!handle) {
        LogLeftOut(module, "not loaded");
        return;
    }
    if (!entry) {
        LogLeftOut(module, "missing export", exportName);
        return;
    }
    MEMORY_BASIC_INFORMATION region;
    if (!Slots.CompareMem || Platform().Query(entry, &region, sizeof region) != sizeof region) {
        LogLeftOut(module, "code not readable");
        return;
    }
    auto* begin = static_cast<uint8_t*>(region.BaseAddress);
    const FoundCompilerRoutines found = FindCompilerRoutines(begin, begin + region.RegionSize, Profile().hostBuild);

    WriteBlock(module, found, CompilerRoutine::memcpy, MoveBlock(), MoveSlot != nullptr);
    WriteBlock(module, found, CompilerRoutine::memmove, MoveBlock(), MoveSlot != nullptr);
    WriteBlock(module, found, CompilerRoutine::memset, FillBlock(), Slots.FillChar != nullptr);
    WriteBlock(module, found, CompilerRoutine::strlen, LengthBlock(), Slots.StrLen != nullptr);
    WriteJump(module, found, CompilerRoutine::strcat, reinterpret_cast<void*>(&toravex_FastStrCat),
              Slots.StrCopy != nullptr, gStrCatRecords[library]);
    // Only direct calls of a known entry are rewritten: the entry is made
    // known before its jump.
    if (found[CompilerRoutine::memcmp] && PlainMemCmp()) AddMemCmpEntry(found[CompilerRoutine::memcmp]);
    WriteJump(module, found, CompilerRoutine::memcmp, reinterpret_cast<void*>(&toravex_SmartMemCmp),
              PlainMemCmp() != nullptr, gMemCmpRecords[library]);
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
    if (!module || !*module) return;
    if (const hostnames::HostName* missing = FirstMissing(kCompilerRoutineNeeds)) {
        LogLeftOut(module, "missing helper", missing->decorated);
        return;
    }
    OptimizeLibrary(module, exportName, SameTextAscii(module, Profile().delphiCompiler) ? 0 : 1);
}

void OptimizeDelphiCompiler() {
    OptimizeCompilerModule(Profile().delphiCompiler, hostnames::Dcc_DccInitialize.decorated);
}

void OptimizeCppCompiler() { OptimizeCompilerModule(Profile().cppCompiler, hostnames::Comp32_COMPILE.decorated); }

}  // namespace toravex
