#include "base/StepTrace.h"

#include "base/FormatText.h"

namespace toravex {

namespace {
StepObserver gObserver = nullptr;
}

StepObserver SetStepObserver(StepObserver observer) {
    StepObserver previous = gObserver;
    gObserver = observer;
    return previous;
}

bool Tracing() { return gObserver != nullptr; }

void TraceStep(const char* step) {
    if (gObserver) gObserver(step);
}

void RunStep(const char* phase, const NamedStep& step) {
    if (gObserver) {
        char name[128];
        FormatText(name, sizeof name, "%s:%s", phase, step.name);
        gObserver(name);
    }
    if (step.run) step.run();
}

}  // namespace toravex
