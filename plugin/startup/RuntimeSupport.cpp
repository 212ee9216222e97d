// The pieces of the C++ runtime that the plug-in's code calls, provided by
// the library itself, so that none of the toolchain's prebuilt runtime code
// (built for newer processors than the library runs on) comes into it:
// new and delete on the system C runtime's heap, the guards of function-
// local statics, and the standard library's errors, which become structured
// exceptions (the library is built without C++ exceptions; none may reach
// the host).
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void OutOfMemory() {
    RaiseException(static_cast<DWORD>(STATUS_NO_MEMORY), EXCEPTION_NONCONTINUABLE, 0, nullptr);
    __builtin_unreachable();
}

[[noreturn]] void InvalidUse() {
    RaiseException(static_cast<DWORD>(STATUS_INVALID_PARAMETER), EXCEPTION_NONCONTINUABLE, 0, nullptr);
    __builtin_unreachable();
}

void* Allocate(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) OutOfMemory();
    return p;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

// Every function that raises one of the standard library's errors, so that
// none of the prebuilt ones comes in with another.
namespace std {
[[noreturn]] void __throw_bad_alloc() { OutOfMemory(); }
[[noreturn]] void __throw_bad_array_new_length() { OutOfMemory(); }
[[noreturn]] void __throw_length_error(const char*) { OutOfMemory(); }
[[noreturn]] void __throw_bad_cast() { InvalidUse(); }
[[noreturn]] void __throw_bad_typeid() { InvalidUse(); }
[[noreturn]] void __throw_bad_exception() { InvalidUse(); }
[[noreturn]] void __throw_logic_error(const char*) { InvalidUse(); }
[[noreturn]] void __throw_domain_error(const char*) { InvalidUse(); }
[[noreturn]] void __throw_invalid_argument(const char*) { InvalidUse(); }
[[noreturn]] void __throw_out_of_range(const char*) { InvalidUse(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { InvalidUse(); }
[[noreturn]] void __throw_runtime_error(const char*) { InvalidUse(); }
[[noreturn]] void __throw_range_error(const char*) { InvalidUse(); }
[[noreturn]] void __throw_overflow_error(const char*) { InvalidUse(); }
[[noreturn]] void __throw_underflow_error(const char*) { InvalidUse(); }
}  // namespace std

// Function-local statics: byte 0 of the guard says "initialised", byte 1
// "being initialised"; a second thread waits until the first is done.
extern "C" int __cxa_guard_acquire(uint64_t* guard) {
    auto* done = reinterpret_cast<volatile char*>(guard);
    volatile char* busy = done + 1;
    for (;;) {
        if (__atomic_load_n(done, __ATOMIC_ACQUIRE)) return 0;
        if (!__atomic_exchange_n(busy, 1, __ATOMIC_ACQUIRE)) break;
        Sleep(0);
    }
    if (__atomic_load_n(done, __ATOMIC_ACQUIRE)) {
        __atomic_store_n(busy, 0, __ATOMIC_RELEASE);
        return 0;
    }
    return 1;
}

extern "C" void __cxa_guard_release(uint64_t* guard) {
    auto* done = reinterpret_cast<volatile char*>(guard);
    __atomic_store_n(done, 1, __ATOMIC_RELEASE);
    __atomic_store_n(done + 1, 0, __ATOMIC_RELEASE);
}

extern "C" void __cxa_guard_abort(uint64_t* guard) {
    __atomic_store_n(reinterpret_cast<volatile char*>(guard) + 1, 0, __ATOMIC_RELEASE);
}
