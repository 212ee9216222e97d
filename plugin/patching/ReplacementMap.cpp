#include "patching/ReplacementMap.h"

#include "base/SystemPlatform.h"

namespace toravex {

TBucketList* ReplacementMap = nullptr;
OwningList<THookItem>* ReplacementItems = nullptr;

void CreateReplacementMap() {
    if (!ReplacementMap) ReplacementMap = new TBucketList(3);
    if (!ReplacementItems) ReplacementItems = new OwningList<THookItem>;
}

void FreeReplacementMap() {
    delete ReplacementMap;
    ReplacementMap = nullptr;
    delete ReplacementItems;
    ReplacementItems = nullptr;
}

void* AddReplacement(void* hostRoutine, void* replacement) {
    if (hostRoutine && replacement) {
        auto* item = new THookItem(hostRoutine, replacement);
        CreateReplacementMap();
        ReplacementItems->Add(item);
        ReplacementMap->Add(hostRoutine, item);
    }
    return hostRoutine;
}

void RegisterReplacement(HMODULE module, const char* exportName, void* replacement, void*& hostRoutine) {
    void* routine = module && exportName ? Platform().GetExport(module, exportName) : nullptr;
    hostRoutine = AddReplacement(routine, replacement);
}

void RegisterReplacement(HMODULE module, const char* exportName, void* replacement) {
    if (!replacement) return;
    void* ignored;
    RegisterReplacement(module, exportName, replacement, ignored);
}

bool FindReplacement(void* hostRoutine, void*& replacement) {
    void* item = nullptr;
    if (!ReplacementMap || !ReplacementMap->Find(hostRoutine, item)) return false;
    replacement = static_cast<THookItem*>(item)->Replacement;
    return true;
}

}  // namespace toravex
