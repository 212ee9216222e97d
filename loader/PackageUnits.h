// The units of the loader package and the package's standard entry points.
// Every routine here is called by the host with its register convention.
#pragma once

#include <cstdint>

#include "HostCall.h"

// The host's unit table of a package: for each unit its initialization and
// finalization, in initialization order.
struct PackageUnitEntry {
    void(HOSTCALL* initialization)();
    void(HOSTCALL* finalization)();
};
struct PackageInfoTable {
    int32_t unitCount;
    const PackageUnitEntry* units;
};

extern "C" {
// "Initialize": runs the unit initializations in table order.
void HOSTCALL PackageLoad();
// "Finalize": runs the unit finalizations in reverse order.
void HOSTCALL PackageUnload();
// "@GetPackageInfoTable": the unit table.
const PackageInfoTable* HOSTCALL GetPackageInfoTable();

// The package unit's own initialization.
void HOSTCALL PackageUnitInitialization();
// ToravexLoader_Main: loads the plug-in library; its finalization keeps it.
void HOSTCALL LoaderMainInitialization();
void HOSTCALL LoaderMainFinalization();
}
