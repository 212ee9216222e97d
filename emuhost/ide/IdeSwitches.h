// The emulated IDE's switches for its windows, menus and the ways it is
// closed (the start-up switches -r, -autoclose and -log are EmulatedIde.cpp's).
//
//   -mainform-delay:<ms>     show the main form that much later
//   -splash:none             start without a splash window
//   -no-exit-item            the File menu has no "FileExitItem"
//   -shortcut:<action>=<keys>  give an action a shortcut ("ProjectBuild=Ctrl+F9")
//   -palette:<n>             components each design package registers (build 100)
//   -colorbox                show the colour form, read from its stored description
//   -secondary               show a secondary window ("EditWindow")
//   -modal[:<ms>]            open a modal dialog that long after start-up ended
//   -unsaved:<answer>        the main form has an unsaved file; the answer to
//                            "save it?" is yes, no, cancel or raise (an error)
//   -terminate-proc:refuse   the IDE's terminate procedure refuses to end
//   -dialogs:<a,b,...>       answers to the next message dialogs (OK, Cancel,
//                            Yes, No); exceptions are then only logged
//   -close:ctrl[:<ms>]       with Ctrl held, close the main window that long
//                            after start-up ended (default 1500)
//   -close:ctrl-secondary[:<ms>]  the same for the secondary window
//   -close:menu[:<ms>]       click the item after "FileExitItem" and answer OK
//   -open-menu:<name>[:<ms>] drop down that menu of the menu bar ("FileMenu")
//   -menu-picture:<file>     then save a picture of the main window with the
//                            menu (a BMP file) and close the menu
//   -dump-menu[:<ms>]        log every item of the main menu that long after
//                            start-up ended (default 1500)
#pragma once

#include <string>

namespace ide {

struct CloseSwitch {
    enum Kind { kNone, kCtrl, kCtrlSecondary, kMenu } kind = kNone;
    int delayMs = 1500;
};

struct IdeSwitches {
    int mainFormDelayMs = 0;
    bool splash = true;
    bool exitItem = true;
    std::string shortcutAction;  // "ProjectBuild"
    std::string shortcutKeys;    // "Ctrl+F9"
    int paletteComponents = 20;
    bool colorBox = false;
    bool secondary = false;
    int modalDelayMs = -1;
    std::string unsaved;  // "", "yes", "no", "cancel", "raise"
    bool terminateProcRefuses = false;
    bool scriptDialogs = false;
    std::string dialogAnswers;
    CloseSwitch close;
    std::string openMenu;
    int openMenuDelayMs = 1500;
    int dumpMenuDelayMs = -1;
    std::string menuPicture;
};

IdeSwitches ParseIdeSwitches(int argc, char** argv);

// "Ctrl+Shift+F9" as a TShortCut (0 when not understood), and back.
unsigned short TextToShortCut(const std::string& keys);
std::string ShortCutText(unsigned short shortCut);

}  // namespace ide
