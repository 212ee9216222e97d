#include "ide/PackageError.h"

#include "HostLayout.h"
#include "base/HostException.h"
#include "base/HostString.h"

namespace toravex {

using namespace hostnames;

namespace {

using CreateResFmt = void*(HOSTCALL_STACK*)(const void* classRef, int8_t allocate, const hostabi::ResStringRec* res,
                                            int32_t argsHigh, const hostabi::VarRec* args);

}  // namespace

void RaisePackageError(const HostName& message, std::initializer_list<const char*> args) {
    const auto create = reinterpret_cast<CreateResFmt>(FindHostExport(Sysutils_Exception_CreateResFmt));
    const void* packageError = FindHostExport(Sysutils_EPackageError);
    const auto* text = static_cast<const hostabi::ResStringRec*>(FindHostExport(message));
    if (!create || !packageError || !text) {
        // Installed only with all three; should the host lose one, the
        // package still must not load.
        RaiseException(static_cast<DWORD>(0xC000000D) /* invalid parameter */, EXCEPTION_NONCONTINUABLE, 0, nullptr);
        __builtin_unreachable();
    }
    void* error;
    {
        // Host strings of the arguments while the message is built; released
        // before the raise, which skips destructors.
        HostString held[3];
        hostabi::VarRec recs[3] = {};
        int32_t count = 0;
        for (const char* arg : args) {
            if (count == 3) break;
            held[count] = HostString(arg ? arg : "");
            recs[count].vAnsiString = held[count].Get();
            recs[count].vType = hostabi::vartype::kAnsiString;
            ++count;
        }
        error = create(packageError, 1, text, count - 1, recs);
    }
    host::RaiseHostException(error);
}

}  // namespace toravex
