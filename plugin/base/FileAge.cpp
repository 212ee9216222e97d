// File ages and their cache, used while the IDE starts.
#include "base/SpinLock.h"
#include "base/Utils.h"

namespace toravex {

namespace {
TStringIntegerHash* gCache = nullptr;
// The cache is reached from hooked runtime routines, which any thread of
// the IDE may call; the lock is held only around look-ups and insertions,
// never around the file-system query.
constinit SpinLock gCacheLock;
}  // namespace

void CreateFileAgeCache() {
    if (!gCache) gCache = new TStringIntegerHash;
}

void FreeFileAgeCache() {
    SpinLockGuard guard(gCacheLock);
    delete gCache;
    gCache = nullptr;
}

int32_t FileAgeOf(const char* fileName) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!fileName || !GetFileAttributesExA(fileName, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    FILETIME local;
    WORD date, time;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return -1;
    return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

int32_t CachedFileAge(const char* fileName) {
    if (!fileName) return -1;
    const int32_t index = StringHash(fileName);
    int32_t age;
    {
        SpinLockGuard guard(gCacheLock);
        if (!gCache) return FileAgeOf(fileName);
        if (gCache->Find(index, fileName, age)) return age;
    }
    age = FileAgeOf(fileName);
    SpinLockGuard guard(gCacheLock);
    if (gCache && !gCache->Exists(index, fileName)) gCache->Add(index, fileName, age);
    return age;
}

void ClearFileAgeCache() {
    SpinLockGuard guard(gCacheLock);
    if (gCache) gCache->Clear();
}

}  // namespace toravex
