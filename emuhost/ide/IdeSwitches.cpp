#include "IdeSwitches.h"

#include <cstdlib>
#include <cstring>

#include "VclInterface.h"

namespace ide {

namespace {

bool Starts(const char* arg, const char* prefix) { return std::strncmp(arg, prefix, std::strlen(prefix)) == 0; }

// "<rest>" or "<rest>:<ms>": the value and the delay after it.
std::string ValueAndDelay(const char* rest, int& delayMs) {
    std::string value = rest;
    size_t colon = value.find(':');
    if (colon == std::string::npos) return value;
    delayMs = std::atoi(value.c_str() + colon + 1);
    return value.substr(0, colon);
}

}  // namespace

unsigned short TextToShortCut(const std::string& keys) {
    namespace vs = hostabi::vcl;
    unsigned short shortCut = 0;
    size_t start = 0;
    for (;;) {
        size_t plus = keys.find('+', start);
        std::string part = keys.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        if (plus == std::string::npos) {
            if (part.size() >= 2 && (part[0] == 'F' || part[0] == 'f')) {
                int n = std::atoi(part.c_str() + 1);
                if (n < 1 || n > 12) return 0;
                return static_cast<unsigned short>(shortCut | (0x70 + n - 1));
            }
            if (part.size() == 1) return static_cast<unsigned short>(shortCut | static_cast<unsigned char>(part[0]));
            return 0;
        }
        if (part == "Shift") shortCut |= vs::kScShift;
        else if (part == "Ctrl") shortCut |= vs::kScCtrl;
        else if (part == "Alt") shortCut |= vs::kScAlt;
        else return 0;
        start = plus + 1;
    }
}

std::string ShortCutText(unsigned short shortCut) {
    namespace vs = hostabi::vcl;
    std::string text;
    if (shortCut & vs::kScShift) text += "Shift+";
    if (shortCut & vs::kScCtrl) text += "Ctrl+";
    if (shortCut & vs::kScAlt) text += "Alt+";
    const int key = shortCut & 0xFF;
    if (key >= 0x70 && key <= 0x7B) return text + "F" + std::to_string(key - 0x6F);
    return text + static_cast<char>(key);
}

IdeSwitches ParseIdeSwitches(int argc, char** argv) {
    IdeSwitches s;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (Starts(a, "-mainform-delay:")) {
            s.mainFormDelayMs = std::atoi(a + 16);
        } else if (std::strcmp(a, "-splash:none") == 0) {
            s.splash = false;
        } else if (std::strcmp(a, "-no-exit-item") == 0) {
            s.exitItem = false;
        } else if (Starts(a, "-shortcut:")) {
            std::string v = a + 10;
            size_t eq = v.find('=');
            if (eq != std::string::npos) s.shortcutAction = v.substr(0, eq), s.shortcutKeys = v.substr(eq + 1);
        } else if (Starts(a, "-palette:")) {
            s.paletteComponents = std::atoi(a + 9);
        } else if (std::strcmp(a, "-colorbox") == 0) {
            s.colorBox = true;
        } else if (std::strcmp(a, "-secondary") == 0) {
            s.secondary = true;
        } else if (Starts(a, "-modal")) {
            s.modalDelayMs = a[6] == ':' ? std::atoi(a + 7) : 1500;
        } else if (Starts(a, "-unsaved:")) {
            s.unsaved = a + 9;
        } else if (std::strcmp(a, "-terminate-proc:refuse") == 0) {
            s.terminateProcRefuses = true;
        } else if (Starts(a, "-dialogs:")) {
            s.scriptDialogs = true;
            s.dialogAnswers = a + 9;
        } else if (Starts(a, "-close:")) {
            std::string kind = ValueAndDelay(a + 7, s.close.delayMs);
            if (kind == "ctrl") s.close.kind = CloseSwitch::kCtrl;
            else if (kind == "ctrl-secondary") s.close.kind = CloseSwitch::kCtrlSecondary;
            else if (kind == "menu") s.close.kind = CloseSwitch::kMenu;
        } else if (Starts(a, "-menu-picture:")) {
            s.menuPicture = a + 14;
        } else if (Starts(a, "-dump-menu")) {
            s.dumpMenuDelayMs = a[10] == ':' ? std::atoi(a + 11) : 1500;
        } else if (Starts(a, "-open-menu:")) {
            s.openMenu = ValueAndDelay(a + 11, s.openMenuDelayMs);
        }
    }
    // Clicking the fast-quit item asks first: answered OK unless told otherwise.
    if (s.close.kind == CloseSwitch::kMenu && !s.scriptDialogs) s.scriptDialogs = true, s.dialogAnswers = "OK";
    if (s.close.kind == CloseSwitch::kCtrlSecondary) s.secondary = true;
    return s;
}

}  // namespace ide
