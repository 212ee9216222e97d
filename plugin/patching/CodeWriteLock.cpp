#include "patching/CodeWriteLock.h"

namespace toravex {

namespace {
constinit SpinLock gCodeWriteLock;
}

SpinLock& CodeWriteLock() { return gCodeWriteLock; }

}  // namespace toravex
