// ToravexSetup: the installer of one IDE generation, chosen when it is built.
#include <windows.h>

#include <cstdlib>

#include "MainWindow.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const setup::SetupProfile& profile = setup::SetupProfileFor(TORAVEX_SETUP_BUILD);
    setup::Win32Registry registry;
    setup::Win32SetupPlatform platform;
    return setup::RunSetup(profile, registry, platform, __argc > 1 ? __argv[1] : "");
}
