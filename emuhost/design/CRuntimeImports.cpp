// The C runtime routines an emulated package imports from msvcrt.dll, as the
// host's packages import them from their C runtime: reached through the
// package's own import slots. An export of the emulated host only, so that
// tests can name the routines by their C names.
#include <cstring>

extern "C" void* CRuntimeRoutine(const char* name) {
    struct Routine {
        const char* name;
        void* address;
    };
    static const Routine kRoutines[] = {
        {"memset", reinterpret_cast<void*>(&memset)},   {"memmove", reinterpret_cast<void*>(&memmove)},
        {"memcpy", reinterpret_cast<void*>(&memcpy)},   {"strcmp", reinterpret_cast<void*>(&strcmp)},
        {"_stricmp", reinterpret_cast<void*>(&_stricmp)}, {"strlen", reinterpret_cast<void*>(&strlen)},
    };
    for (const Routine& r : kRoutines) {
        const char *a = r.name, *b = name ? name : "";
        while (*a && *a == *b) ++a, ++b;
        if (*a == *b) return r.address;
    }
    return nullptr;
}
