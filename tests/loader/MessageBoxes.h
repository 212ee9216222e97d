// Watches a process for message boxes with a caption, answers each with OK
// and returns what they said: "text|buttons" ("Cannot load ...|OK").
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace loadertest {

struct BoxSearch {
    DWORD process;
    const char* caption;
    std::vector<HWND> found;
};

inline BOOL CALLBACK VisitTopLevel(HWND hwnd, LPARAM p) {
    auto* search = reinterpret_cast<BoxSearch*>(p);
    char className[32] = {}, caption[128] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    GetClassNameA(hwnd, className, sizeof className);
    GetWindowTextA(hwnd, caption, sizeof caption);
    // Visible only once its buttons are set up.
    if (owner == search->process && IsWindowVisible(hwnd) && lstrcmpA(className, "#32770") == 0 &&
        lstrcmpA(caption, search->caption) == 0)
        search->found.push_back(hwnd);
    return TRUE;
}

// Polls until `finished` answers true (or 20 s pass), then 100 ms more.
inline std::vector<std::string> AnswerMessageBoxes(DWORD process, const char* caption,
                                                   const std::function<bool()>& finished) {
    std::vector<std::string> said;
    std::vector<HWND> answered;
    DWORD lastLook = 0;
    for (DWORD until = GetTickCount() + 20000; GetTickCount() < until; Sleep(20)) {
        if (!lastLook && finished()) lastLook = GetTickCount() + 100;
        if (lastLook && GetTickCount() > lastLook) break;
        BoxSearch search{process, caption, {}};
        EnumWindows(VisitTopLevel, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.found) {
            if (std::find(answered.begin(), answered.end(), box) != answered.end()) continue;
            answered.push_back(box);
            std::string text, buttons;
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                char className[32] = {}, label[256] = {};
                GetClassNameA(child, className, sizeof className);
                GetWindowTextA(child, label, sizeof label);
                if (lstrcmpiA(className, "Static") == 0) text += label;
                if (lstrcmpiA(className, "Button") == 0 && IsWindowVisible(child)) buttons += label;
            }
            said.push_back(text + "|" + buttons);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return said;
}

}  // namespace loadertest
