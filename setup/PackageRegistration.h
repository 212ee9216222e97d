// The IDE's list of packages to load at start ("Known IDE Packages"): one
// value per package, named by its path. The IDE loads them in the order of
// the key's values, so the loader is written as the oldest value.
#pragma once

#include <string>

#include "RegistryAccess.h"

namespace setup {

// Writes `name` = `data` (a string) in front of the values already in the
// key: reads every value, writes the new one, deletes them all and writes
// them back in their order with their data. A value of the same name keeps
// its place and its data. False, with the key unchanged, when the new value
// cannot be written.
bool WriteValueFirst(RegistryAccess& registry, Hive hive, const std::string& key, const std::string& name,
                     const std::string& data);

// Deletes every value whose string data equals `data` ignoring case.
void DeleteValuesWithData(RegistryAccess& registry, Hive hive, const std::string& key, const std::string& data);

}  // namespace setup
