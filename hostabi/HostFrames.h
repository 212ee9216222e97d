// Raising and handling the host's exceptions in code written in C++ (the
// plug-in's and the emulated host's): frames on the structured-exception
// chain, in HostFrames.S.
//
// The host unwinds only frames registered on that chain; C++ frames in
// between are simply discarded. Wherever code must restore state whatever a
// host routine does, wrap the call in TryFinally; where it must stop a host
// exception, use TryExcept. Objects with destructors inside the body are not
// destroyed when an exception unwinds it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>

#include "HostLayout.h"

namespace hostframes {

struct CaughtException {
    uint32_t code;
    void* address;  // where it was raised
    void* object;   // the host's exception object
};

using ExceptionFilter = int (*)(const EXCEPTION_RECORD* record, void* context);

extern "C" {
int hostframes_try_except(void (*body)(void*), void* context, ExceptionFilter filter, void* filterContext,
                          CaughtException* caught);
void hostframes_try_finally(void (*body)(void*), void* context, void (*cleanup)(void*));
[[noreturn]] void hostframes_raise(void* object);
}

// Accepts every exception raised by the host's raise statement.
inline int AnyHostException(const EXCEPTION_RECORD* record, void*) {
    return record->ExceptionCode == hostabi::kHostExceptionCode && record->NumberParameters >= 2;
}

template <class F>
void InvokeCallable(void* f) {
    (*static_cast<F*>(f))();
}

// Runs body; returns true when an exception accepted by filter escaped it.
// The caught object then belongs to the caller.
template <class Body>
bool TryExcept(Body&& body, CaughtException& caught, ExceptionFilter filter = AnyHostException) {
    using F = std::remove_reference_t<Body>;
    return hostframes_try_except(&InvokeCallable<F>, &body, filter, nullptr, &caught) != 0;
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
    hostframes_try_finally([](void* p) { (*static_cast<Both*>(p)->body)(); }, &both,
                           [](void* p) { (*static_cast<Both*>(p)->cleanup)(); });
}

// Raises object the way the host's raise statement does.
[[noreturn]] inline void RaiseHostException(void* object) { hostframes_raise(object); }

}  // namespace hostframes
