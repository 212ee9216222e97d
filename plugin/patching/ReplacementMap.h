// The registry of replacements for import re-pointing: host routine address
// to the THookItem that names its replacement. The map and the list that
// owns the items are created by the first registration (or by the runtime
// patch set, which also frees them at removal).
#pragma once

#include <windows.h>

#include "base/BucketList.h"
#include "base/ObjectList.h"

namespace toravex {

class THookItem {
public:
    THookItem(void* hostRoutine, void* replacement) : HostRoutine(hostRoutine), Replacement(replacement) {}
    virtual ~THookItem() = default;

    void* HostRoutine;  // the exported routine
    void* Replacement;  // what its importers are to call instead
};

extern TBucketList* ReplacementMap;
extern OwningList<THookItem>* ReplacementItems;

// Creates the map (size code 3) and the owning list when they do not exist.
void CreateReplacementMap();
// Frees the map, then the list with every item; both become nil.
void FreeReplacementMap();

// Registers replacement for hostRoutine when both are non-nil (a look-up
// then finds the newest registration of an address). Returns hostRoutine.
void* AddReplacement(void* hostRoutine, void* replacement);
// AddReplacement of an export found by name; hostRoutine receives its
// address (nil for a missing module or export).
void RegisterReplacement(HMODULE module, const char* exportName, void* replacement, void*& hostRoutine);
// The same without the address; does nothing at all for a nil replacement.
void RegisterReplacement(HMODULE module, const char* exportName, void* replacement);

// The replacement registered for hostRoutine.
bool FindReplacement(void* hostRoutine, void*& replacement);

}  // namespace toravex
