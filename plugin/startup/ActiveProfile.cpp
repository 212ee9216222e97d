// Selects the build profile of one plug-in library; compiled once per build
// with TORAVEX_BUILD set to its package version.
#include "base/BuildProfile.h"

#ifndef TORAVEX_BUILD
#error "TORAVEX_BUILD must name the package version of the build (100, 90, 70, 60 or 50)"
#endif

namespace toravex::detail {
constinit const BuildProfile* gActiveProfile = &ProfileFor(TORAVEX_BUILD);
}
