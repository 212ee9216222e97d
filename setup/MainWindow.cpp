#include "MainWindow.h"

#include "SetupError.h"
#include "Unattended.h"

namespace setup {

namespace {

constexpr char kWindowClass[] = "TFormMain";
constexpr char kPanelClass[] = "TPanel";
constexpr char kObjectProperty[] = "ToravexSetupWindow";

// Client area of the window, in pixels at its font.
constexpr int kClientWidth = 378;
constexpr int kClientHeight = 264;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

constexpr COLORREF kBlue = RGB(0, 0, 255);

enum ControlId {
    kIdGroupBoxOptions = 100,
    kIdHookAllDlls,
    kIdHookBplOnly,
    kIdNoFastObj,
    kIdNoFastSys,
    kIdBlendedFastCode,
    kIdOptions,
    kIdSteps,
    kIdInstall,
    kIdUninstall,
    kIdQuit,
    kIdClient,
    kIdCaption,
    kIdLabel1,
    kIdDebugOptions,
    kIdSetShortCuts,
};

const char* const kStepTexts[kStepCount] = {
    "Copy/Delete Toravex.dll",
    "Copy/Delete ToravexLoader.bpl",
    "Register/Unregister Toravex.dll as expert",
};

HFONT MakeFont(int height, int weight, const char* face) {
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

HWND MakeControl(HWND parent, const char* className, const char* caption, DWORD style, int left, int top, int width,
                 int height, int id, HFONT font, DWORD exStyle = 0) {
    HWND control = CreateWindowExA(exStyle, className, caption, WS_CHILD | WS_VISIBLE | style, left, top, width,
                                   height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (control && font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

bool IsChecked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void SetCheck(HWND box, bool checked) { SendMessageA(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }

// The containers (the front page and the debug-options group) pass their
// controls' notifications on to the window, which handles them all.
bool IsForwardedToWindow(UINT message) {
    return message == WM_COMMAND || message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN ||
           message == WM_DRAWITEM || message == WM_DELETEITEM;
}

// The front page: a panel with a lowered outer bevel.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsForwardedToWindow(message)) return SendMessageA(GetParent(hwnd), message, wParam, lParam);
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        RECT bounds;
        GetClientRect(hwnd, &bounds);
        DrawEdge(dc, &bounds, BDR_SUNKENOUTER, BF_RECT);
        EndPaint(hwnd, &paint);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The debug-options page is a Win32 group box, which by itself keeps its
// controls' notifications.
LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsForwardedToWindow(message)) return SendMessageA(GetParent(hwnd), message, wParam, lParam);
    auto base = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    return CallWindowProcA(base, hwnd, message, wParam, lParam);
}

void RegisterClasses(WNDPROC windowProc) {
    static bool registered = false;
    if (registered) return;
    registered = true;
    WNDCLASSA window = {};
    window.lpfnWndProc = windowProc;
    window.hInstance = GetModuleHandleA(nullptr);
    window.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window.lpszClassName = kWindowClass;
    RegisterClassA(&window);

    WNDCLASSA panel = window;
    panel.lpfnWndProc = PanelProc;
    panel.hIcon = nullptr;
    panel.lpszClassName = kPanelClass;
    RegisterClassA(&panel);
}

// The program's title: its file name without the extension.
std::string ProgramTitle() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string name(path, length < sizeof path ? length : 0);
    name = name.substr(name.find_last_of("\\:") + 1);
    return name.substr(0, name.rfind('.'));
}

}  // namespace

void ShowErrorBox(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), ProgramTitle().c_str(), MB_OK | MB_ICONERROR);
}

MainWindow::MainWindow(const SetupProfile& profile, RegistryAccess& registry, SetupPlatform& platform)
    : profile_(profile), registry_(registry), platform_(platform) {}

MainWindow::~MainWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    steps_.reset();
    for (HFONT font : {font_, captionFont_, labelFont_})
        if (font) DeleteObject(font);
}

bool MainWindow::Create(const std::string& firstParameter) {
    RegisterClasses(&MainWindow::WindowProc);
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, kWindowClass, "Install Toravex", kWindowStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return false;
    SetPropA(hwnd_, kObjectProperty, this);  // from here on the window's messages reach this object
    CreateControls();

    // The creation handler.
    LoadOptions();
    installer_.emplace(profile_, registry_, platform_, static_cast<StepMarks&>(*this));
    SetWindowTextA(hwnd_, profile_.caption);
    if (!profile_.hasShortCuts) ShowWindow(controls_.cbxSetShortCuts, SW_HIDE);
    // Unattended: the window is never shown and the program ends, unless an
    // error was shown; then the window opens.
    if (lstrcmpiA(firstParameter.c_str(), "/install") == 0) {
        InstallClick(nullptr);  // closes the window itself
    } else if (lstrcmpiA(firstParameter.c_str(), "/uninstall") == 0) {
        if (UninstallClick(nullptr)) QuitClick();
    }
    return hwnd_ != nullptr;
}

// Created in tab order: the debug-options page, the steps, the buttons, the
// front page.
void MainWindow::CreateControls() {
    font_ = MakeFont(-11, FW_NORMAL, "MS Sans Serif");
    captionFont_ = MakeFont(-45, FW_BOLD, "Comic Sans MS");
    labelFont_ = MakeFont(-11, FW_BOLD, "Arial\xF6");  // the face name as the form gives it
    MainWindowControls& c = controls_;
    const DWORD box = BS_AUTOCHECKBOX | WS_TABSTOP;

    c.groupBoxOptions = CreateWindowExA(WS_EX_CONTROLPARENT, "BUTTON", " Debug options ",
                                        WS_CHILD | BS_GROUPBOX | WS_CLIPSIBLINGS, 8, 8, 361, 169, hwnd_,
                                        reinterpret_cast<HMENU>(kIdGroupBoxOptions), GetModuleHandleA(nullptr),
                                        nullptr);
    SendMessageA(c.groupBoxOptions, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SetWindowLongPtrA(c.groupBoxOptions, GWLP_USERDATA,
                      SetWindowLongPtrA(c.groupBoxOptions, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GroupBoxProc)));
    HWND group = c.groupBoxOptions;
    c.cbxHookAllDLLs = MakeControl(group, "BUTTON", "Hook all DLLs loaded by LoadLibrary", box, 8, 16, 201, 17,
                                   kIdHookAllDlls, font_);
    c.cbxHookBplOnly = MakeControl(group, "BUTTON", "Hook only static linked BPLs (no static linked DLLs)", box, 8,
                                   32, 305, 17, kIdHookBplOnly, font_);
    c.cbxNoFastObj = MakeControl(group, "BUTTON", "Disable FastObj", box, 8, 64, 121, 17, kIdNoFastObj, font_);
    c.cbxNoFastSys = MakeControl(group, "BUTTON", "Disable FastSys", box, 8, 80, 121, 17, kIdNoFastSys, font_);
    c.cbxBlendedFastCode = MakeControl(group, "BUTTON",
                                       "Use blended FastCode functions instead of CPU specific functions", box, 8, 96,
                                       345, 17, kIdBlendedFastCode, font_);
    c.btnOptions = MakeControl(group, "BUTTON", "Show options", BS_PUSHBUTTON | WS_TABSTOP, 8, 136, 345, 25,
                               kIdOptions, font_);

    steps_ = std::make_unique<CheckListBox>(hwnd_, kIdSteps, RECT{8, 184, 8 + 361, 184 + 44}, WS_VISIBLE | WS_DISABLED);
    c.clbxSteps = steps_->Handle();
    SendMessageA(c.clbxSteps, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    for (const char* text : kStepTexts) steps_->AddItem(text);

    c.btnInstall = MakeControl(hwnd_, "BUTTON", "&Install", BS_DEFPUSHBUTTON | WS_TABSTOP, 8, 234, 75, 25, kIdInstall,
                               font_);
    c.btnUninstall = MakeControl(hwnd_, "BUTTON", "&Uninstall", BS_PUSHBUTTON | WS_TABSTOP, 88, 234, 75, 25,
                                 kIdUninstall, font_);
    c.btnQuit = MakeControl(hwnd_, "BUTTON", "&Quit", BS_PUSHBUTTON | WS_TABSTOP, 297, 234, 75, 25, kIdQuit, font_);

    c.pnlClient = MakeControl(hwnd_, kPanelClass, "", WS_CLIPSIBLINGS, 8, 8, 361, 169, kIdClient, font_,
                              WS_EX_CONTROLPARENT);
    HWND page = c.pnlClient;
    c.lblCaption = MakeControl(page, "STATIC", "Toravex", SS_LEFT | SS_NOPREFIX, 8, 3, 340, 63, kIdCaption,
                               captionFont_);
    c.label1 = MakeControl(page, "STATIC", "Speeds up your Delphi/BCB/BDS development environment",
                           SS_LEFT | SS_NOPREFIX, 8, 67, 323, 14, kIdLabel1, labelFont_);
    c.btnDebugOptions = MakeControl(page, "BUTTON", "Show debug options", BS_PUSHBUTTON | WS_TABSTOP, 8, 136, 345, 25,
                                    kIdDebugOptions, font_);
    c.cbxSetShortCuts = MakeControl(page, "BUTTON", "Set IDE shortcut (Build Project: Shift+F9)", box, 8, 88, 321, 17,
                                    kIdSetShortCuts, font_);
}

// Each box from its stored value, or its default.
void MainWindow::LoadOptions() {
    const InstallOptions options = LoadInstallOptions(registry_, profile_);
    SetCheck(controls_.cbxNoFastSys, options.noFastSys);
    SetCheck(controls_.cbxNoFastObj, options.noFastObj);
    SetCheck(controls_.cbxHookAllDLLs, options.hookAllDlls);
    SetCheck(controls_.cbxHookBplOnly, options.hookBplOnly);
    SetCheck(controls_.cbxBlendedFastCode, options.blendedFastCode);
    SetCheck(controls_.cbxSetShortCuts, options.setShortCuts);
}

InstallOptions MainWindow::OptionsFromBoxes() const {
    InstallOptions options;
    options.noFastSys = IsChecked(controls_.cbxNoFastSys);
    options.noFastObj = IsChecked(controls_.cbxNoFastObj);
    options.hookAllDlls = IsChecked(controls_.cbxHookAllDLLs);
    options.hookBplOnly = IsChecked(controls_.cbxHookBplOnly);
    options.blendedFastCode = IsChecked(controls_.cbxBlendedFastCode);
    options.setShortCuts = IsChecked(controls_.cbxSetShortCuts);
    return options;
}

void MainWindow::Show() {
    RECT frame;
    GetWindowRect(hwnd_, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    SetFocus(controls_.btnInstall);
}

void MainWindow::SetStepDone(int step, bool done) { steps_->SetChecked(step, done); }

bool MainWindow::Done(const SetupOutcome& outcome) {
    if (!outcome) return true;
    ShowErrorBox(IsWindowVisible(hwnd_) ? hwnd_ : nullptr, outcome->text);
    return false;
}

// Shared by both page buttons: "Show options" brings the front page back,
// "Show debug options" the option group.
void MainWindow::DebugOptionsClick(HWND sender) {
    const bool front = sender == controls_.btnOptions;
    ShowWindow(controls_.pnlClient, front ? SW_SHOW : SW_HIDE);
    ShowWindow(controls_.groupBoxOptions, front ? SW_HIDE : SW_SHOW);
}

bool MainWindow::InstallClick(HWND sender) {
    if (!Done(installer_->Install(OptionsFromBoxes()))) return false;
    if (sender) MessageBoxA(hwnd_, "Installation was successfull.", "Information", MB_OK | MB_ICONINFORMATION);
    QuitClick();
    return true;
}

bool MainWindow::UninstallClick(HWND sender) {
    if (!Done(installer_->Uninstall())) return false;
    if (sender) MessageBoxA(hwnd_, "Uninstallation was successfull.", "Information", MB_OK | MB_ICONINFORMATION);
    return true;
}

void MainWindow::QuitClick() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void MainWindow::Command(int id, HWND sender) {
    switch (id) {
        case kIdOptions:
        case kIdDebugOptions:
            DebugOptionsClick(sender);
            break;
        case kIdInstall:
            InstallClick(sender);
            break;
        case kIdUninstall:
            UninstallClick(sender);
            break;
        case kIdQuit:
            QuitClick();
            break;
        case IDCANCEL:  // Escape: the Quit button is the cancel button
            QuitClick();
            break;
    }
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<MainWindow*>(GetPropA(hwnd, kObjectProperty));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_;
    LRESULT result = 0;
    if (CheckListBox::ReflectOwnerMessage(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case DM_GETDEFID:  // Enter clicks the Install button
            return MAKELRESULT(kIdInstall, DC_HASDEFID);
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == controls_.lblCaption) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, kBlue);
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_CLOSE:
            QuitClick();
            return 0;
        case WM_DESTROY:
            // The window's end is the program's end.
            PostQuitMessage(0);
            break;
        case WM_NCDESTROY:
            RemovePropA(hwnd, kObjectProperty);
            hwnd_ = nullptr;
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int RunSetup(const SetupProfile& profile, RegistryAccess& registry, SetupPlatform& platform,
             const std::string& firstParameter) {
    if (const UnattendedAction action = UnattendedActionOf(firstParameter); action != UnattendedAction::None)
        return RunUnattended(action, profile, registry, platform, &ShowErrorWhereVisible);
    MainWindow window(profile, registry, platform);
    if (!window.Create(firstParameter)) return 0;
    window.Show();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (window.Handle() && IsDialogMessageA(window.Handle(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

}  // namespace setup
