#include "runtime/CachedFileRoutines.h"

#include "base/HostResults.h"
#include "base/HostString.h"
#include "base/Lifecycle.h"
#include "base/SpinLock.h"
#include "base/StringHash.h"
#include "base/Utils.h"

namespace toravex {

TStringStringHash* LowerCaseFileNames = nullptr;
void* HostAnsiLowerCaseFileName = nullptr;

namespace {
// The cache is reached from whatever thread calls the routine; its chains
// are not safe for concurrent use, so look-ups and insertions take turns
// (the host is never called with the lock held).
SpinLock gCacheLock;
}  // namespace

void CreateLowerCaseFileNameCache() {
    if (!LowerCaseFileNames) LowerCaseFileNames = new TStringStringHash;
}

void FreeLowerCaseFileNameCache() {
    SpinLockGuard guard(gCacheLock);
    delete LowerCaseFileNames;
    LowerCaseFileNames = nullptr;
}

int32_t HOSTCALL FileAgeFast(const char* fileName) {
    if (StartupPhase) return CachedFileAge(fileName);
    return fileName ? FileAgeOf(fileName) : -1;
}

void HOSTCALL AnsiLowerCaseFileNameFast(const char* s, char** result) {
    using HostRoutine = void(HOSTCALL*)(const char*, char**);
    const int32_t index = StringHash(s);
    {
        SpinLockGuard guard(gCacheLock);
        HostString cached;
        if (LowerCaseFileNames && LowerCaseFileNames->Find(index, s, cached)) {
            ShareResult(result, cached.Get());
            return;
        }
    }
    HostString lower;
    reinterpret_cast<HostRoutine>(HostAnsiLowerCaseFileName)(s, lower.Out());
    {
        SpinLockGuard guard(gCacheLock);
        if (LowerCaseFileNames && !LowerCaseFileNames->Exists(index, s)) LowerCaseFileNames->Add(index, s, lower.Get());
    }
    ShareResult(result, lower.Get());
}

}  // namespace toravex
