#include "startup/StartupLog.h"

#include "base/BuildProfile.h"
#include "base/DiagnosticLog.h"
#include "base/FormatText.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/RoutineVariants.h"

namespace toravex {

namespace {

const char* VariantName(const void* routine) {
    if (!routine) return "host";
    const RoutineVariant* variant = FindVariant(routine);
    return variant ? variant->name : "unknown";
}

}  // namespace

void LogStartLine() {
    if (!Logging()) return;
    char slots[640];
    size_t used = 0;
    auto add = [&](const char* slot, const void* routine) {
        used += FormatText(slots + used, sizeof slots - used, " %s=%s", slot, VariantName(routine));
    };
    for (const NamedSlot& slot : NamedSlots(Slots)) add(slot.name, slot.routine);
    add("Move", reinterpret_cast<const void*>(MoveSlot));
    LogStart("start %s build %d target %u (%s) slots%s", Profile().name, Profile().packageVersion, RoutineTarget,
             RoutineTargetName(RoutineTarget), slots);
}

void LogOptionValues(const OptionValues& v) {
    LogEvent("options NoFastSys=%d NoFastObj=%d HookAllDlls=%d HookBplOnly=%d SetShortCuts=%d ThreadSafeStrings=%d",
             v.NoFastSys, v.NoFastObj, v.kept.HookAllDlls, v.kept.HookBplOnly, v.kept.SetShortCuts,
             v.kept.ThreadSafeStrings);
}

}  // namespace toravex
