// The loader package's unit table. The host loads a package with
// LoadLibrary and then calls its "Initialize", which runs the unit
// initializations; "Finalize" runs the finalizations before the host unloads
// it.
#include "PackageUnits.h"

#include <iterator>

namespace {

const PackageUnitEntry kUnits[] = {
    {LoaderMainInitialization, LoaderMainFinalization},
    {PackageUnitInitialization, nullptr},
};
const PackageInfoTable kPackageInfo = {static_cast<int32_t>(std::size(kUnits)), kUnits};

}  // namespace

extern "C" {

void HOSTCALL PackageLoad() {
    for (const PackageUnitEntry& unit : kUnits)
        if (unit.initialization) unit.initialization();
}

void HOSTCALL PackageUnload() {
    for (size_t i = std::size(kUnits); i-- > 0;)
        if (kUnits[i].finalization) kUnits[i].finalization();
}

const PackageInfoTable* HOSTCALL GetPackageInfoTable() { return &kPackageInfo; }

// The package's own unit declares nothing.
void HOSTCALL PackageUnitInitialization() {}

}
