// The package unit index of the builds for package versions 50 to 90: unit
// name to the module of the package that contains it, so that the check of
// a new package for units already contained in another costs one hash
// look-up per unit, whatever the number of packages loaded. Packages that
// are unloaded leave the index again.
#pragma once

#include <windows.h>

#include "HostCall.h"
#include "HostLayout.h"

namespace toravex {

class TStringIntegerHash;
class TModuleBucketList;

// Unit name to the module handle of its package, and the package modules
// already examined (data 1). Created by start-up step 2, freed at shut-down.
extern TStringIntegerHash* UnitIndex;
extern TModuleBucketList* IndexedModules;

// Whether the IDE's application object has been asked to terminate. Set by
// the binding to the IDE's application object; nil means it never has.
extern bool (*ApplicationTerminated)();

// The module's package information: its "PACKAGEINFO" resource of type
// RCDATA, loaded and locked; nil if any step fails.
const hostabi::PackageInfoHeader* FindPackageInfo(HMODULE module);

// The module is examined once: recorded in IndexedModules, then, if it is a
// package that does not ignore duplicates, each unit it contains is added to
// UnitIndex (IndexUnit), and the packages the IDE executable links are
// indexed as well. fileName is the module's file name (a host string). A
// unit that another indexed package contains raises the runtime's
// duplicate-unit package error.
void IndexPackage(HMODULE module, const char* fileName, const hostabi::PackageInfoHeader* info);

// What IndexUnit is given for each entry of a package's information.
struct TCheckUnitData {
    HMODULE Module;          // the package being indexed
    const char* ModuleName;  // its file name without folder and extension (a host string)
};

// GetPackageInfo's callback: a contained unit with no flags set (SysInit and
// the package's own unit aside) joins the index, or raises the runtime's
// duplicate-unit error when another package holds it.
void HOSTCALL_STACK IndexUnit(const char* name, uint8_t nameType, uint8_t flags, TCheckUnitData* data);

// The unload notification of the FreeLibrary hook: once a released package
// is gone, every indexed module that is gone with it leaves the index.
void PruneUnloadedPackages(HMODULE module);

}  // namespace toravex
