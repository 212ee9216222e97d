// The installer's window: a front page with the product name and one
// option, a page of debug options, the three progress steps and the
// Install, Uninstall and Quit buttons. Small, fixed in size, centred.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "CheckListBox.h"
#include "InstallOptions.h"
#include "Installer.h"
#include "SetupError.h"

namespace setup {

// The window's controls, in the order the form lists them.
struct MainWindowControls {
    HWND groupBoxOptions;  // the debug-options page
    HWND cbxHookAllDLLs;
    HWND cbxHookBplOnly;
    HWND cbxNoFastObj;
    HWND cbxNoFastSys;
    HWND cbxBlendedFastCode;
    HWND btnOptions;
    HWND btnInstall;
    HWND btnQuit;
    HWND btnUninstall;
    HWND clbxSteps;
    HWND pnlClient;  // the front page
    HWND lblCaption;
    HWND label1;
    HWND btnDebugOptions;
    HWND cbxSetShortCuts;
};

class MainWindow : private StepMarks {
public:
    MainWindow(const SetupProfile& profile, RegistryAccess& registry, SetupPlatform& platform);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    // Creates the window, hidden, and runs its creation handler: the options
    // into the check boxes, the install folder, the caption, and the command
    // line's first parameter ("/install" or "/uninstall" in any case run
    // unattended and close the window). True when the window is to be shown.
    bool Create(const std::string& firstParameter);
    // Shows the window centred, with the focus on the Install button.
    void Show();

    HWND Handle() const { return hwnd_; }
    const MainWindowControls& Controls() const { return controls_; }
    CheckListBox& Steps() { return *steps_; }
    const std::string& InstallFolder() const { return installer_->InstallFolder(); }

    // The window's event handlers. A nil sender means the unattended mode:
    // no closing message. Install and uninstall answer whether they went
    // through; an error was shown in the standard error box otherwise.
    void DebugOptionsClick(HWND sender);
    bool InstallClick(HWND sender);
    bool UninstallClick(HWND sender);
    void QuitClick();

private:
    void CreateControls();
    void LoadOptions();
    InstallOptions OptionsFromBoxes() const;
    // An installer operation's outcome: an error is shown in the standard
    // error box. False after an error.
    bool Done(const SetupOutcome& outcome);
    void SetStepDone(int step, bool done) override;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Command(int id, HWND sender);

    const SetupProfile& profile_;
    RegistryAccess& registry_;
    SetupPlatform& platform_;
    HWND hwnd_ = nullptr;
    MainWindowControls controls_ = {};
    std::unique_ptr<CheckListBox> steps_;
    std::optional<Installer> installer_;
    HFONT font_ = nullptr;
    HFONT captionFont_ = nullptr;
    HFONT labelFont_ = nullptr;
};

// The standard error box of the program: the text as it stands, the
// program's title as caption, an error icon and an OK button.
void ShowErrorBox(HWND owner, const std::string& text);

// The whole program: an unattended run (Unattended.h), whose result is the
// exit code, or the window and its message loop (exit code 0).
int RunSetup(const SetupProfile& profile, RegistryAccess& registry, SetupPlatform& platform,
             const std::string& firstParameter);

}  // namespace setup
