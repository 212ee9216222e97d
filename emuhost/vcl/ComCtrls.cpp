// ComCtrls: TProgressBar, the system's progress bar.
#include "Vcl.h"

#include <commctrl.h>

namespace vcl {

namespace {

namespace vslot = emuhost::vslot;
const unsigned char kTProgressBar[] = "\x0CTProgressBar";

int32_t& Min(const void* p) { return FieldAt<int32_t>(p, L.progressBar.min); }
int32_t& Max(const void* p) { return FieldAt<int32_t>(p, L.progressBar.max); }
int32_t& Position(const void* p) { return FieldAt<int32_t>(p, L.progressBar.position); }

void HOSTCALL CreateProgressWindow(void* self) {
    WindowParams params{PROGRESS_CLASSA, true, WS_CHILD, 0, control::Handle(control::Parent(self)), nullptr,
                    control::Left(self), control::Top(self), control::Width(self), control::Height(self)};
    if (control::Visible(self)) params.style |= WS_VISIBLE;
    if (HWND hwnd = CreateVclWindow(self, params)) {
        SendMessageA(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(Min(self)), Max(self));
        SendMessageA(hwnd, PBM_SETPOS, static_cast<WPARAM>(Position(self)), 0);
    }
}

}  // namespace

void InitComCtrlsUnit() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
    HostClass& c = emu_Comctrls_TProgressBar_record;
    emuhost::DefineHostClass(c, kTProgressBar, L.progressBar.size, emu_Controls_TWinControl_record.Ref(),
                             vslot::kCount);
    emuhost::SetVirtual(c, vslot::kCreate, &emu_Comctrls_TProgressBar_Create);
    emuhost::SetVirtual(c, vslot::kCreateWnd, &CreateProgressWindow);
}

}  // namespace vcl

using namespace vcl;

EMUHOST_EXPORT_CLASS(Comctrls_TProgressBar);

extern "C" {
HostClass emu_Comctrls_TProgressBar_record;

VCL_ENTRY void* HOSTCALL emu_Comctrls_TProgressBar_Create(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    ControlCreate(self, 0, owner);
    control::Width(self) = 150;
    control::Height(self) = GetSystemMetrics(SM_CYVSCROLL);
    Max(self) = 100;
    if (allocate) rt::AfterConstruction(self);
    return self;
}

VCL_ENTRY void HOSTCALL emu_Comctrls_TProgressBar_SetPosition(void* self, int32_t position) {
    Position(self) = position;
    if (HWND hwnd = control::Handle(self)) SendMessageA(hwnd, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

VCL_ENTRY int32_t HOSTCALL emu_Comctrls_TProgressBar_GetPosition(void* self) {
    if (HWND hwnd = control::Handle(self)) return static_cast<int32_t>(SendMessageA(hwnd, PBM_GETPOS, 0, 0));
    return Position(self);
}
}
