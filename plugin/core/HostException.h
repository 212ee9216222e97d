// Raising and handling the host's exceptions in plug-in code.
//
// The host unwinds only frames registered on the structured-exception chain;
// plug-in (C++) frames in between are simply discarded. Wherever a hook must
// restore state whatever the host routine does, wrap the call in TryFinally;
// where the plug-in must stop a host exception, use TryExcept. Objects with
// destructors inside the body are not destroyed when an exception unwinds it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace toravex::host {

struct CaughtException {
    uint32_t code;
    void* address;  // where it was raised
    void* object;   // the host's exception object
};

using ExceptionFilter = int (*)(const EXCEPTION_RECORD* record, void* context);

extern "C" {
int toravex_try_except(void (*body)(void*), void* context, ExceptionFilter filter, void* filterContext,
                       CaughtException* caught);
void toravex_try_finally(void (*body)(void*), void* context, void (*cleanup)(void*));
[[noreturn]] void toravex_raise_host_exception(void* object);
}

// Accepts every exception raised by the host's raise statement.
int AnyHostException(const EXCEPTION_RECORD* record, void*);
// Accepts host exceptions whose object is an instance of the host's
// SysUtils.Exception class (or a descendant).
int HostExceptionObject(const EXCEPTION_RECORD* record, void*);

template <class F>
void InvokeCallable(void* f) {
    (*static_cast<F*>(f))();
}

// Runs body; returns true when an exception accepted by filter escaped it.
// The caught object then belongs to the caller (see FreeHostObject).
template <class Body>
bool TryExcept(Body&& body, CaughtException& caught, ExceptionFilter filter = AnyHostException) {
    using F = std::remove_reference_t<Body>;
    return toravex_try_except(&InvokeCallable<F>, &body, filter, nullptr, &caught) != 0;
}

// Runs body, then cleanup, also when a host exception unwinds body.
template <class Body, class Cleanup>
void TryFinally(Body&& body, Cleanup&& cleanup) {
    using B = std::remove_reference_t<Body>;
    using C = std::remove_reference_t<Cleanup>;
    struct Both {
        B* body;
        C* cleanup;
    } both{&body, &cleanup};
    toravex_try_finally([](void* p) { (*static_cast<Both*>(p)->body)(); }, &both,
                        [](void* p) { (*static_cast<Both*>(p)->cleanup)(); });
}

[[noreturn]] inline void RaiseHostException(void* object) { toravex_raise_host_exception(object); }

// Reading host objects.
bool InheritsFrom(const void* classRef, const void* ancestor);
// The class name of an object into buffer (zero-terminated, cut to fit).
void ClassNameOf(const void* object, char* buffer, size_t size);
// The message of an exception object: its long string, or nil when empty.
const char* MessageOf(const void* exceptionObject);
// Frees an object through its virtual destructor, as the host's Free does.
void FreeHostObject(void* object);

}  // namespace toravex::host
