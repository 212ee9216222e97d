// Long-string assignment without bus locks (single-processor machines only)
// and the wide-string store.
#include <windows.h>
#include <oleauto.h>

#include "HostLayout.h"
#include "base/HostRuntime.h"
#include "runtime/StringCallSites.h"

using hostabi::HeaderOf;
using hostabi::LongStringHeader;

namespace toravex {

namespace {

// A counted copy of a string constant, from the host's memory manager.
char* CopyConstant(const char* constant) {
    const int32_t length = HeaderOf(constant)->length;
    auto* header = static_cast<LongStringHeader*>(Runtime().getMem(hostabi::LongStringBlockSize(length)));
    header->refCount = 1;
    header->length = length;
    char* copy = reinterpret_cast<char*>(header + 1);
    for (int32_t i = 0; i <= length; ++i) copy[i] = constant[i];
    return copy;
}

// Drops one reference of the value a variable held; frees it at zero.
void Release(char* old) {
    if (!old) return;
    LongStringHeader* header = HeaderOf(old);
    if (header->refCount >= 1 && --header->refCount == 0) Runtime().freeMem(header);
}

char* Exchange(char** dest, char* value) { return __atomic_exchange_n(dest, value, __ATOMIC_SEQ_CST); }

}  // namespace

void HOSTCALL LStrAsgReplacement(char** dest, const char* source) {
    char* value = const_cast<char*>(source);
    if (value) {
        if (HeaderOf(value)->refCount >= 0)
            ++HeaderOf(value)->refCount;
        else
            value = CopyConstant(value);
    }
    Release(Exchange(dest, value));
}

void HOSTCALL LStrLAsgReplacement(char** dest, const char* source) {
    char* value = const_cast<char*>(source);
    if (value && HeaderOf(value)->refCount >= 0) ++HeaderOf(value)->refCount;
    Release(Exchange(dest, value));
}

void HOSTCALL WideStoreReplacement(wchar_t** dest, wchar_t* value) {
    wchar_t* old = *dest;
    *dest = value;
    if (old) SysFreeString(old);
}

}  // namespace toravex
