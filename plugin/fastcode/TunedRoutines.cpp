#include "fastcode/TunedRoutines.h"

#include "fastcode/RoutineVariants.h"

namespace toravex {

StoredTuning TuningIdentity(const ProcessorInfo& cpu) {
    StoredTuning identity;
    identity.vendor = VendorString(cpu.vendor);
    identity.family = cpu.family;
    identity.model = cpu.model;
    identity.stepping = static_cast<uint8_t>(cpu.signature & 0xF);
    identity.features = cpu.features;
    return identity;
}

namespace {

bool SameProcessor(const StoredTuning& a, const StoredTuning& b) {
    return a.vendor == b.vendor && a.family == b.family && a.model == b.model && a.stepping == b.stepping &&
           a.features == b.features;
}

const RoutineVariant* VariantNamed(const RoutineFamily& family, const std::string& name) {
    for (const RoutineVariant& v : family.variants)
        if (name == v.name) return &v;
    return nullptr;
}

}  // namespace

const char* ResolveTuning(const StoredTuning& stored, const ProcessorInfo& cpu, TunedRoutines& tuned) {
    if (!SameProcessor(stored, TuningIdentity(cpu))) return "it was measured on another processor";
    TunedRoutines result{};
    result.largeMoveThreshold = -stored.largeMoveBytes;
    size_t named = 0;
    for (const RoutineFamily& family : RoutineFamilies()) {
        const SlotChoice* choice = nullptr;
        for (const SlotChoice& c : stored.choices)
            if (c.slot == family.slot) choice = &c;
        if (!choice) return "a routine slot is missing";
        ++named;
        const RoutineVariant* variant = VariantNamed(family, choice->variant);
        if (!variant) return "a variant is not one of its slot's";
        if (variant->needs & ~cpu.features) return "a variant uses an instruction set this processor lacks";
        if (family.slot == std::string_view("Move"))
            result.move = reinterpret_cast<MoveRoutine>(const_cast<void*>(variant->routine));
        else if (!SetNamedSlot(result.slots, family.slot, variant->routine))
            return "a routine slot is unknown";
    }
    // The parser lets each slot appear once, so more items than families
    // means a slot this build does not have.
    if (named != stored.choices.size()) return "a routine slot is unknown";
    tuned = result;
    return nullptr;
}

void UseTunedRoutines(const TunedRoutines& tuned) {
    Slots = tuned.slots;
    MoveSlot = tuned.move;
    LargeMoveThreshold = tuned.largeMoveThreshold;
}

}  // namespace toravex
