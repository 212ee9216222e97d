// The emulated IDE as a VCL application: its splash window, its services,
// the component palette (build 100), its main form with the menus and
// actions of its build, its other windows and the ways it can be closed.
// EmulatedIde.cpp calls these around its package, expert and design-package
// loading.
//
// Log lines (besides EmulatedIde.cpp's):
//   splash-status "<text>"          the splash-screen service showed a text
//   click <item>, execute <action>  a menu item or an action ran
//   closequery Unit1.pas answer=<yes|no|cancel|raise>, save Unit1.pas
//   close                           the main form's OnClose
//   close <form> action=<n>         another form's OnClose
//   close-request <ctrl|menu> <form or item>   a -close switch acted
//   modal AboutBox result=<n>       the modal dialog ended
//   terminate-proc answer=<0|1>     the IDE's terminate procedure was asked
//   form-loaded, colorbox-populate <name> items=<n>   (the VCL's)
//   colorbox ColorBox1 items=<n> selected=<name>      after the colour form loaded
//   dialog <type> "<text>" buttons=<...> answer=<...>, exception <class> "<text>"  (the VCL's)
//   menu-open <name>                the -open-menu switch dropped a menu down
//   menu-picture <file> | menu-picture failed   the -menu-picture switch
//   menu-item <menu>/<item> caption="<text>" visible=<0|1> shortcut=<keys|none>
//             image=<n> action=<name|none>   one per item, for -dump-menu
//   destroy <form>                  a form's OnDestroy
//   action-updates <action>=<n>     how often the action was asked to update
//   palette modified=<n> rebuilds=<n> begin=<n> end=<n> items=<n> layout=<hex> ms=<n>
//   finalization <unit>             one line per unit of the IDE as it ends
// Standard output, build 100: "palette rebuilds=<n> ms=<n>" as the IDE ends
// (the palette's work over the whole run).
#pragma once

#include <windows.h>

#include <string>

#include "IdeSwitches.h"

namespace ide {

using LogFn = void (*)(const char* line);

void StartApplication(const IdeSwitches& switches, LogFn log);
void RegisterPackageComponents(const std::string& file);
// Creates the main form and shows it, then frees the splash window.
HWND ShowMainForm();
void RunApplication(int autoCloseMs);
void DestroyForms();
void FinalizeUnits();

// Shared by the files of this folder.
void Log(const char* format, ...);
const IdeSwitches& Switches();
void StartIdeServices();
void ShowSplashStatusIn(void* splashForm);
void* CreateMainForm();
void CreateSecondaryWindows();
void ShowColorForm();
void* NewModalDialog();
void LogActionUpdates();
void LogPalette(bool toStandardOutput);
bool SaveMenuPicture(HWND main, const char* path);
bool SaveWindowPicture(HWND window, const char* path);
constexpr bool kOlderBuild = EMUHOST_BUILD <= 70;

}  // namespace ide
