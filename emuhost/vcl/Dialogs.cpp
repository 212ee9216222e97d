// Dialogs: MessageDlg, shown as a message box captioned by the dialog's
// type. The emulated IDE can script the answers (a switch), so that tests
// see the dialogs in its log instead of on the screen.
#include <string>
#include <vector>

#include "Vcl.h"

namespace vcl {

namespace {

std::vector<std::string> gAnswers;
bool gScripted = false;

const char* const kCaptions[] = {"Warning", "Error", "Information", "Confirmation", ""};
const UINT kIcons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION, 0};

struct Button {
    uint8_t element;  // in TMsgDlgButtons
    const char* name;
    int32_t modalResult;
    int boxAnswer;
};
const Button kButtons[] = {{vs::kMbYes, "Yes", vs::kMrYes, IDYES},
                           {vs::kMbNo, "No", vs::kMrNo, IDNO},
                           {vs::kMbOK, "OK", vs::kMrOk, IDOK},
                           {vs::kMbCancel, "Cancel", vs::kMrCancel, IDCANCEL}};

UINT BoxButtons(uint16_t buttons) {
    auto has = [&](uint8_t b) { return (buttons >> b) & 1; };
    if (has(vs::kMbYes) && has(vs::kMbNo)) return has(vs::kMbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    return has(vs::kMbCancel) ? MB_OKCANCEL : MB_OK;
}

int32_t ResultOfBox(int answer) {
    for (const Button& b : kButtons)
        if (b.boxAnswer == answer) return b.modalResult;
    return vs::kMrCancel;
}

}  // namespace

bool DialogsScripted() { return gScripted; }

// One dialog: the next scripted answer when there is one, else the box.
int32_t ShowDialog(const char* text, uint8_t type, uint16_t buttons) {
    std::string offered;
    for (const Button& b : kButtons)
        if ((buttons >> b.element) & 1) offered += std::string(offered.empty() ? "" : ",") + b.name;
    const char* caption = kCaptions[type < 4 ? type : 4];
    if (gScripted && !gAnswers.empty()) {
        std::string answer = gAnswers.front();
        gAnswers.erase(gAnswers.begin());
        int32_t result = vs::kMrCancel;
        for (const Button& b : kButtons)
            if (answer == b.name) result = b.modalResult;
        Log("dialog %s \"%s\" buttons=%s answer=%s", caption, text ? text : "", offered.c_str(), answer.c_str());
        return result;
    }
    const int answer = MessageBoxA(nullptr, text ? text : "", caption, BoxButtons(buttons) | kIcons[type < 4 ? type : 4]);
    const int32_t result = ResultOfBox(answer);
    for (const Button& b : kButtons)
        if (b.modalResult == result)
            Log("dialog %s \"%s\" buttons=%s answer=%s", caption, text ? text : "", offered.c_str(), b.name);
    return result;
}

}  // namespace vcl

extern "C" {

VCL_ENTRY int32_t HOSTCALL_STACK emu_Dialogs_MessageDlg(const char* text, uint8_t type, uint16_t buttons,
                                                        int32_t /*helpContext*/) {
    return vcl::ShowDialog(text, type, buttons);
}

// The emulated IDE's seam: the answers ("OK,Cancel,Yes,No" ...) its next
// dialogs get, in order. Once scripted, exceptions the application shows
// are only logged.
void EmuVclScriptDialogs(const char* answers) {
    vcl::gScripted = true;
    vcl::gAnswers.clear();
    std::string all = answers ? answers : "";
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find(',', start);
        if (end == std::string::npos) end = all.size();
        if (end > start) vcl::gAnswers.push_back(all.substr(start, end - start));
        start = end + 1;
    }
}
}
