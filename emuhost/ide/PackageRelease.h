// A design package released while the IDE runs, as when a user removes a
// package: the second design package loaded is unloaded during start-up, and
// every package still loaded then creates and frees its objects once more
// ("ObjectRound"), so the objects of the packages that stay are made again
// after another package's classes went away.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace emuide {

// Unloads packages[1] through `unload` and removes it from the list, then
// folds every remaining package's object round into checksum. Nothing
// happens with fewer than two packages.
template <class Package, class Unload>
uint32_t ReleaseOneDesignPackage(std::vector<Package>& packages, uint32_t checksum, Unload&& unload) {
    if (packages.size() < 2) return checksum;
    unload(packages[1]);
    packages.erase(packages.begin() + 1);
    for (const Package& p : packages)
        if (auto round = reinterpret_cast<uint32_t (*)()>(GetProcAddress(p.handle, "ObjectRound")))
            checksum = (checksum ^ round()) * 16777619u;
    return checksum;
}

}  // namespace emuide
