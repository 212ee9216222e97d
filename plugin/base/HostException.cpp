#include "base/HostException.h"

#include <cstring>

#include "HostCall.h"
#include "HostLayout.h"
#include "base/HostRuntime.h"

namespace toravex::host {

int HostExceptionObject(const EXCEPTION_RECORD* record, void*) {
    if (!AnyHostException(record, nullptr)) return 0;
    const void* object = reinterpret_cast<const void*>(record->ExceptionInformation[1]);
    const void* exceptionClass = Runtime().exceptionClass;
    return object && exceptionClass && InheritsFrom(hostabi::ClassOf(object), exceptionClass);
}

bool InheritsFrom(const void* classRef, const void* ancestor) {
    for (const void* c = classRef; c; c = hostabi::ParentOf(c))
        if (c == ancestor) return true;
    return false;
}

void ClassNameOf(const void* object, char* buffer, size_t size) {
    if (size == 0) return;
    buffer[0] = 0;
    if (!object) return;
    const unsigned char* name = hostabi::HeaderOfClass(hostabi::ClassOf(object))->className;
    if (!name) return;
    size_t n = name[0] < size - 1 ? name[0] : size - 1;
    std::memcpy(buffer, name + 1, n);
    buffer[n] = 0;
}

const char* MessageOf(const void* exceptionObject) {
    return static_cast<const hostabi::ExceptionObject*>(exceptionObject)->message;
}

void FreeHostObject(void* object) {
    if (!object) return;
    using Destroy = void(HOSTCALL*)(void* self, int outermost);
    reinterpret_cast<Destroy>(hostabi::HeaderOfClass(hostabi::ClassOf(object))->destroy)(object, 1);
}

}  // namespace toravex::host
