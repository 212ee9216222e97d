// Everything that differs between the installer builds, one per IDE
// generation, in one table. Code asks the profile it was given; the program
// picks its row by the build it was compiled for.
#pragma once

namespace setup {

struct SetupProfile {
    int packageVersion;          // 100, 90, 70, 60, 50
    const char* ideKeys[2];      // under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE; "" when unused
    const char* libraryFile;     // "Toravex10.dll"
    const char* loaderFile;      // "ToravexLoader10.bpl"
    const char* optionsKey;      // the plug-in's options, backslash in front as stored
    const char* installError;    // no IDE key could be installed for
    const char* uninstallError;  // no IDE key could be uninstalled for
    const char* caption;         // the window's caption
    bool hasShortCuts;           // the "SetShortCuts" option is shown and written
};

// clang-format off
inline constexpr SetupProfile kSetupProfiles[] = {
    {100, {"\\Software\\Borland\\BDS\\4.0", ""}, "Toravex10.dll", "ToravexLoader10.bpl",
     "\\Software\\Kalvoro\\Toravex\\10",
     "Invalid Delphi/BCB 10 + installation. Cannot open registry key",
     "Invalid Delphi/BCB 10 installation. Cannot open registry key",
     "Install Toravex 2.35 for Delphi 10", false},
    {90, {"\\Software\\Borland\\BDS\\3.0", ""}, "Toravex9.dll", "ToravexLoader9.bpl",
     "\\Software\\Kalvoro\\Toravex\\9",
     "Invalid Delphi/BCB 9 + installation. Cannot open registry key",
     "Invalid Delphi/BCB 9 installation. Cannot open registry key",
     "Install Toravex 2.35 for Delphi 9", false},
    {70, {"\\Software\\Borland\\Delphi\\7.0", ""}, "Toravex7.dll", "ToravexLoader7.bpl",
     "\\Software\\Kalvoro\\Toravex\\7",
     "Invalid Delphi/BCB 7 + installation. Cannot open registry key",
     "Invalid Delphi/BCB 7 installation. Cannot open registry key",
     "Install Toravex 2.35 for Delphi 7", true},
    {60, {"\\Software\\Borland\\Delphi\\6.0", ""}, "Toravex6.dll", "ToravexLoader6.bpl",
     "\\Software\\Kalvoro\\Toravex\\6",
     "Invalid Delphi/BCB 6 + installation. Cannot open registry key",
     "Invalid Delphi/BCB 6 installation. Cannot open registry key",
     "Install Toravex 2.35 for Delphi 6", true},
    {50, {"\\Software\\Borland\\Delphi\\5.0", "\\Software\\Borland\\C++Builder\\5.0"}, "Toravex5.dll",
     "ToravexLoader5.bpl", "\\Software\\Kalvoro\\Toravex\\5",
     "Invalid Delphi/BCB 5 + installation. Cannot open registry key",
     "Invalid Delphi/BCB 5 installation. Cannot open registry key",
     "Install Toravex 2.35 for Delphi/BCB 5", true},
};
// clang-format on

// The profile of an IDE generation; the 100 profile for an unknown one.
constexpr const SetupProfile& SetupProfileFor(int packageVersion) {
    for (const SetupProfile& p : kSetupProfiles)
        if (p.packageVersion == packageVersion) return p;
    return kSetupProfiles[0];
}

}  // namespace setup
