#include "ide/FastQuit.h"

#include <windows.h>


#include "base/FormatText.h"
#include "base/HostException.h"
#include "base/Lifecycle.h"
#include "base/UserMessages.h"
#include "ide/HostVcl.h"
#include "ide/IdeHookNeeds.h"
#include "ide/QuitTexts.h"
#include "patching/Redirect.h"

namespace toravex {

std::atomic<bool> ShutdownFlag{false};

namespace {

namespace vs = hostabi::vcl;

RedirectRecord gFormCloseRecord;

void TerminateThisProcess(unsigned exitCode) { TerminateProcess(GetCurrentProcess(), exitCode); }
ProcessTerminator gTerminator = &TerminateThisProcess;

// Undoes the plug-in's changes, then ends the process: nothing of the IDE
// runs any more.
void EndProcess() {
    ShutdownRunner();
    gTerminator(0);
}

// Accepts an exception object of the host's Exception class that is not an
// EAbort: those the close sequence shows before asking to end anyway.
int ShownException(const EXCEPTION_RECORD* record, void*) {
    if (!host::AnyHostException(record, nullptr)) return 0;
    const void* object = reinterpret_cast<const void*>(record->ExceptionInformation[1]);
    return vcl::IsInstance(object, hostnames::Sysutils_Exception) &&
           !vcl::IsInstance(object, hostnames::Sysutils_EAbort);
}

// Runs body; an exception it raises (but EAbort and objects of other classes,
// which pass on) is shown by the application, then the user is asked
// whether to end the IDE anyway.
template <class Body>
void GuardedQuit(Body&& body) {
    host::CaughtException caught{};
    if (!host::TryExcept(body, caught, &ShownException)) return;
    void* app = vcl::Application();
    vcl::ShowException(app, caught.object);
    host::FreeHostObject(caught.object);
    if (vcl::MessageDlg(QuitText(QuitTextKind::kErrorQuestion), vs::kMtConfirmation,
                        vs::ButtonSet(vs::kMbYes, vs::kMbNo)) == vs::kMrYes)
        EndProcess();
}

// While a modal dialog is open the application's other windows, the main
// window among them, are disabled.
bool ModalDialogOpen(void* mainForm) {
    return vcl::HandleAllocated(mainForm) && !IsWindowEnabled(vcl::Handle(mainForm));
}

}  // namespace

void ShutdownRunner() {
    ShutdownFlag = true;
    if (!ShutdownChain) return;
    host::CaughtException caught{};
    if (!host::TryExcept([] { ShutdownChain(); }, caught, host::HostExceptionObject)) return;

    char className[256];
    host::ClassNameOf(caught.object, className, sizeof className);
    char caption[300];
    FormatText(caption, sizeof caption, "Toravex - %s", className);
    const char* message = host::MessageOf(caught.object);
    ShowMessageBox(message ? message : "", caption, MB_ICONERROR);
    host::FreeHostObject(caught.object);
}

ProcessTerminator SetProcessTerminator(ProcessTerminator terminator) {
    ProcessTerminator previous = gTerminator;
    gTerminator = terminator ? terminator : &TerminateThisProcess;
    return previous;
}

uint8_t PerformFormClose(void* form) {
    const auto& f = vcl::Fields().customForm;
    if (vcl::FieldAt<uint8_t>(form, f.formState) & vs::kFsModal) {
        vcl::FieldAt<int32_t>(form, f.modalResult) = vs::kMrCancel;
        return vs::kCaNone;
    }
    if (!vcl::CloseQuery(form)) return vs::kCaNone;
    uint8_t action = vs::kCaHide;
    if (vcl::FieldAt<uint8_t>(form, f.formStyle) == vs::kFsMDIChild)
        action = (vcl::FieldAt<uint8_t>(form, f.borderIcons) & vs::kBiMinimize) ? vs::kCaMinimize : vs::kCaNone;
    vcl::DoClose(form, action);
    if (action == vs::kCaNone) return action;
    void* app = vcl::Application();
    if (app && form == vcl::MainForm(app)) vcl::Terminate(app);
    else if (action == vs::kCaHide) vcl::Hide(form);
    else if (action == vs::kCaMinimize) vcl::SetWindowState(form, vs::kWsMinimized);
    else vcl::Release(form);
    return action;
}

void FormCloseHook(void* form) {
    void* app = vcl::Application();
    if (!app || form != vcl::MainForm(app)) {
        PerformFormClose(form);
        return;
    }
    const bool ctrl = (vcl::ShiftState() & vs::kSsCtrl) != 0;
    // Ending the IDE under an open modal dialog would drop what is entered
    // there: with a dialog open Ctrl+close does nothing.
    if (ctrl && ModalDialogOpen(form)) return;
    GuardedQuit([&] {
        const uint8_t action = PerformFormClose(form);
        if (ctrl && action != vs::kCaNone) {
            vcl::ProcessMessages(app);
            EndProcess();
        }
    });
}

void FastQuitMenuClick(void*, void*) {
    if (vcl::MessageDlg(QuitText(QuitTextKind::kWarning), vs::kMtWarning, vs::ButtonSet(vs::kMbOK, vs::kMbCancel)) !=
        vs::kMrOk)
        return;
    GuardedQuit([] {
        void* app = vcl::Application();
        void* main = app ? vcl::MainForm(app) : nullptr;
        if (!main || !vcl::CloseQuery(main)) return;
        uint8_t action = vs::kCaHide;
        vcl::DoClose(main, action);
        if (action != vs::kCaNone && vcl::CallTerminateProcs()) {
            vcl::ProcessMessages(app);
            EndProcess();
        }
    });
}

void InstallFormCloseHook() {
    if (!HostHasNeeds(IdeHookId::FormCloseHook)) return;
    StartRedirect(FindHostExport(hostnames::Forms_TCustomForm_Close), reinterpret_cast<const void*>(&FormCloseHook),
                  gFormCloseRecord);
    if (gFormCloseRecord.Address) LogHookMade(IdeHookId::FormCloseHook);
}

void RemoveFormCloseHook() { RemoveRedirect(gFormCloseRecord); }

}  // namespace toravex
