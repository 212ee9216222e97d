// The order in which the units of this folder start.
#include "ClassesUnit.h"

void emuclasses::InitClassesUnits() {
    InitComponentClasses();
    InitBasicActionClass();
    InitStringListClass();
    InitAbortClass();
}
