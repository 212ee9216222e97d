// The runtime package's units after System and SysUtils, in the builds whose
// VCL is a package of its own: Classes and SysUtils' terminate procedures.
// (Build 50's runtime package adds the VCL's: vcl/InRuntimePackage.cpp.)
#include "ClassesUnit.h"

void emurtl::InitLaterUnits() { emuclasses::InitClassesUnits(); }
