// The progress of an install or uninstall: three steps, each marked when it
// has been done.
#pragma once

namespace setup {

enum Step {
    kStepLibrary = 0,   // "Copy/Delete Toravex.dll"
    kStepLoader = 1,    // "Copy/Delete ToravexLoader.bpl"
    kStepRegister = 2,  // "Register/Unregister Toravex.dll as expert"
};
inline constexpr int kStepCount = 3;

class StepMarks {
public:
    virtual ~StepMarks() = default;
    virtual void SetStepDone(int step, bool done) = 0;
};

}  // namespace setup
