// Helpers shared by the test programs: where the build put things, the
// emulated runtime, registry set-up, child processes and step recording.
#pragma once

#include <windows.h>

#include "base/HostException.h"

#include <string>
#include <type_traits>
#include <vector>

namespace testsupport {

// Windows paths of the build tree, as the programs under Wine see them.
std::string BuildDir();
std::string BinDir();                       // the deliverables
std::string EmulatedIdeDir(int packageVersion);  // an emulated IDE's bin folder
std::string TempDir();                      // a fresh folder for this test program

// Loads the emulated runtime package of a build into this process (once).
HMODULE LoadEmulatedRuntime(int packageVersion);

// Registry under HKEY_CURRENT_USER; paths without a leading backslash.
void DeleteKeyTree(const std::string& path);
void WriteDword(const std::string& path, const std::string& name, DWORD value);
void WriteString(const std::string& path, const std::string& name, const std::string& value);
bool KeyExists(const std::string& path);
bool ReadString(const std::string& path, const std::string& name, std::string& value);

// Runs a program, waits for it (up to timeoutMs) and returns its exit code;
// -1 when it could not start, -2 when it did not end in time (then killed).
int RunProgram(const std::string& exe, const std::string& arguments, DWORD timeoutMs = 60000);

std::string ReadTextFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);

// Records the steps the plug-in announces while alive.
class StepRecorder {
public:
    StepRecorder();
    ~StepRecorder();
    const std::vector<std::string>& Steps() const;
    // The recorded steps that start with prefix ("startup:" ...).
    std::vector<std::string> StepsWithPrefix(const std::string& prefix) const;
    void Clear();
};

}  // namespace testsupport

namespace testsupport {

// The message of the host exception `body` raises ("" when it raises none),
// and its class name into *className; the exception object is freed.
template <class Body>
std::string RaisedMessage(Body&& body, std::string* className = nullptr) {
    toravex::host::CaughtException caught{};
    if (!toravex::host::TryExcept(body, caught)) return "";
    const char* message = toravex::host::MessageOf(caught.object);
    if (className) {
        char name[64];
        toravex::host::ClassNameOf(caught.object, name, sizeof name);
        *className = name;
    }
    std::string text = message ? message : "";
    toravex::host::FreeHostObject(caught.object);
    return text;
}

}  // namespace testsupport

extern "C" void testsupport_call_misaligned(void (*fn)(void*), void* context, int misalignment);

namespace testsupport {

// Runs f with the stack misaligned by each of 4, 8 and 12 bytes in turn (and
// once aligned), as host code calls plug-in code.
template <class F>
void WithEachStackAlignment(F&& f) {
    for (int misalignment : {0, 4, 8, 12})
        testsupport_call_misaligned([](void* p) { (*static_cast<std::remove_reference_t<F>*>(p))(); }, &f,
                                    misalignment);
}

}  // namespace testsupport
