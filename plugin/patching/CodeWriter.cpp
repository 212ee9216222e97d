#include "patching/CodeWriter.h"

#include "base/SystemPlatform.h"

namespace toravex {

namespace {
constinit SpinLock gCodeWriteLock;
}

SpinLock& CodeWriteLock() { return gCodeWriteLock; }

CodeWrite::CodeWrite(void* address, size_t size)
    : guard_(gCodeWriteLock),
      address_(address),
      size_(size),
      writable_(Platform().Protect(address, size, PAGE_EXECUTE_READWRITE, &oldProtection_)) {}

CodeWrite::~CodeWrite() {
    if (!writable_) return;
    DWORD ignored;
    Platform().Protect(address_, size_, oldProtection_, &ignored);
    Platform().FlushCode(address_, size_);
}

bool CodeWrite::Store(void* at, const void* bytes, size_t size) {
    return writable_ && Platform().Store(at, bytes, size);
}

bool StoreCode(void* address, const void* bytes, size_t size) {
    CodeWrite write(address, size);
    return write.Store(address, bytes, size);
}

}  // namespace toravex
