// The five IDE builds the emulated host stands in for: the names its modules
// carry and where it keeps its settings.
#pragma once

namespace emuhost {

struct HostBuild {
    int packageVersion;          // 100, 90, 70, 60, 50
    const char* runtimePackage;  // rtl100.bpl ... vcl50.bpl
    const char* ideExecutable;   // bds.exe or delphi32.exe
    const char* registryRoot;    // default of the -r switch
    const char* versionKey;      // the key below \Software\Borland\<root>
    const char* productName;     // main window caption
};

inline constexpr HostBuild kHostBuilds[] = {
    {100, "rtl100.bpl", "bds.exe", "BDS", "4.0", "Borland Developer Studio 2006"},
    {90, "rtl90.bpl", "bds.exe", "BDS", "3.0", "Borland Delphi 2005"},
    {70, "rtl70.bpl", "delphi32.exe", "Delphi", "7.0", "Delphi 7"},
    {60, "rtl60.bpl", "delphi32.exe", "Delphi", "6.0", "Delphi 6"},
    {50, "vcl50.bpl", "delphi32.exe", "Delphi", "5.0", "Delphi 5"},
};

constexpr const HostBuild& HostBuildFor(int packageVersion) {
    for (const HostBuild& b : kHostBuilds)
        if (b.packageVersion == packageVersion) return b;
    return kHostBuilds[0];
}

}  // namespace emuhost
