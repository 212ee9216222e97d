// Build 50: the VCL is part of the runtime package (vcl50.bpl), whose units
// after System and SysUtils are Classes and then the VCL's.
#include "Vcl.h"

namespace emuclasses {
void InitClassesUnits();
}
namespace emurtl {
void InitLaterUnits();
}

void emurtl::InitLaterUnits() {
    emuclasses::InitClassesUnits();
    vcl::InitVclUnits();
}
