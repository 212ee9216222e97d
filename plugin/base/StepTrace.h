// The named steps of the plug-in's start-up and shut-down announce themselves
// here as they run ("prepare:RoutineTable", "startup:ReadOptions",
// "chain:RemoveRuntimePatches" ...). Nothing listens in the product; tests
// install an observer to check the order.
#pragma once

namespace toravex {

using StepObserver = void (*)(const char* step);

// Installs an observer (nil removes it); returns the previous one.
StepObserver SetStepObserver(StepObserver observer);

void TraceStep(const char* step);
// Whether an observer listens (so that a step name is composed only then).
bool Tracing();

// A step of one of the ordered tables: its name and its work.
struct NamedStep {
    const char* name;
    void (*run)();
};

// Announces "<phase>:<name>" and runs the step.
void RunStep(const char* phase, const NamedStep& step);

}  // namespace toravex

#include "base/BuildProfile.h"

namespace toravex {

// A step that exists only in the builds whose profile has `onlyWhen` set
// (every build when it is nil).
struct ProfileStep {
    NamedStep step;
    bool BuildProfile::*onlyWhen = nullptr;
};

template <unsigned N>
void RunProfileSteps(const char* phase, const ProfileStep (&steps)[N]) {
    for (const ProfileStep& s : steps)
        if (!s.onlyWhen || Profile().*s.onlyWhen) RunStep(phase, s.step);
}

}  // namespace toravex
