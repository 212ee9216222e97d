// ToravexSetup: the installer of one IDE generation, chosen when it is built.
//
// The program has an entry of its own instead of the toolchain's start-up
// code, which is built for newer processors than the installer runs on: it
// runs the static constructors, reads its first parameter from the command
// line and leaves through the C runtime's exit, which runs the destructors.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "MainWindow.h"

// The linker's list of static constructors: -1, the constructors, 0.
extern "C" void (*__CTOR_LIST__[])();

namespace {

// In the order the toolchain's start-up code runs them: last to first.
void RunStaticConstructors() {
    int count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    for (int i = count; i >= 1; --i) __CTOR_LIST__[i]();
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A token of the command line: in double quotes up to the closing one (or
// the end), otherwise up to the next blank.
const char* SkipToken(const char* p, std::string* token) {
    if (*p == '"') {
        const char* start = ++p;
        while (*p && *p != '"') ++p;
        if (token) token->assign(start, p);
        return *p ? p + 1 : p;
    }
    const char* start = p;
    while (*p && !IsBlank(*p)) ++p;
    if (token) token->assign(start, p);
    return p;
}

// The first parameter after the program's name; empty when there is none.
std::string FirstParameter(const char* commandLine) {
    const char* p = SkipToken(commandLine, nullptr);
    while (IsBlank(*p)) ++p;
    std::string parameter;
    SkipToken(p, &parameter);
    return parameter;
}

}  // namespace

extern "C" void SetupStart() {
    RunStaticConstructors();
    const setup::SetupProfile& profile = setup::SetupProfileFor(TORAVEX_SETUP_BUILD);
    int code;
    {
        setup::Win32Registry registry;
        setup::Win32SetupPlatform platform;
        code = setup::RunSetup(profile, registry, platform, FirstParameter(GetCommandLineA()));
    }
    std::exit(code);
}
