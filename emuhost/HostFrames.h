// Catching host exceptions and cleaning up after them in emulated host code
// (HostFrames.S).
#pragma once

#include <type_traits>

extern "C" {
int emuhost_try(void (*body)(void*), void* context, void** objectOut);
void emuhost_on_unwind(void (*body)(void*), void* context, void (*cleanup)(void*));
}

namespace emuhost {

template <class F>
void Invoke(void* f) {
    (*static_cast<F*>(f))();
}

// Runs body; on a host exception returns true with its object in *object.
template <class Body>
bool Try(Body&& body, void** object) {
    return emuhost_try(&Invoke<std::remove_reference_t<Body>>, &body, object) != 0;
}

}  // namespace emuhost
