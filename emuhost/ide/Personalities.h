// The personalities an IDE run starts with and the design packages they
// bring (builds 90 and 100), as the host IDE reads them:
//
//   -p<name>[;<name>...]   (or /p) the personalities of this run; several
//                          such switches add up; without one, all five
//                          (CBuilder, Delphi, CSharp, DelphiDotNet, VB)
//
// Build 100 loads, besides "Known Packages", each personality's "Known
// Packages\<name>"; both builds leave out the packages the default project
// file (%LOCALAPPDATA%\Borland\<root>\<version>\DefProject.bdsproj)
// excludes in the section of the Delphi or the C++ personality, when that
// personality is one of the run's.
//
// Log line: personalities <name>,<name>...   (builds 90 and 100)
#pragma once

#include <string>
#include <vector>

namespace ide {

std::vector<std::string> RunPersonalities();
// files: the "Known Packages" of baseKey ("\Software\Borland\<root>\<version>").
std::vector<std::string> PersonalityPackageFiles(const std::string& baseKey, std::vector<std::string> files);

}  // namespace ide
