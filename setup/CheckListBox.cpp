#include "CheckListBox.h"

#include <vector>

namespace setup {

namespace {

constexpr char kObjectProperty[] = "ToravexCheckListBox";

COLORREF ColorOr(const std::optional<COLORREF>& color, int systemColor) {
    return color ? *color : GetSysColor(systemColor);
}

}  // namespace

CheckListBox::CheckListBox(HWND parent, int id, const RECT& bounds, DWORD style) {
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                            WS_CHILD | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT |
                                LBS_NOTIFY | style,
                            bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (!list_) return;
    SetPropA(list_, kObjectProperty, this);
    listProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CheckListBox::ListProc)));
    ResetItemHeight();
}

CheckListBox::~CheckListBox() {
    if (list_ && IsWindow(list_)) DestroyWindow(list_);
}

CheckListBox* CheckListBox::FromWindow(HWND hwnd) {
    return hwnd ? static_cast<CheckListBox*>(GetPropA(hwnd, kObjectProperty)) : nullptr;
}

int CheckListBox::CheckAreaWidth() { return GetSystemMetrics(SM_CXMENUCHECK) + 2; }

int CheckListBox::AddItem(const std::string& text) {
    return static_cast<int>(SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void CheckListBox::DeleteItem(int index) { SendMessageA(list_, LB_DELETESTRING, index, 0); }

int CheckListBox::Count() const { return static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0)); }

std::string CheckListBox::ItemText(int index) const {
    LRESULT length = SendMessageA(list_, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1);
    SendMessageA(list_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

CheckListBoxDataWrapper* CheckListBox::Wrapper(int index) const {
    LRESULT data = SendMessageA(list_, LB_GETITEMDATA, index, 0);
    if (data == LB_ERR) return nullptr;
    return reinterpret_cast<CheckListBoxDataWrapper*>(data);
}

CheckListBoxDataWrapper* CheckListBox::EnsureWrapper(int index) {
    if (index < 0 || index >= Count()) return nullptr;
    if (CheckListBoxDataWrapper* wrapper = Wrapper(index)) return wrapper;
    auto* wrapper = new CheckListBoxDataWrapper;
    SendMessageA(list_, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(wrapper));
    return wrapper;
}

CheckState CheckListBox::State(int index) const {
    const CheckListBoxDataWrapper* wrapper = Wrapper(index);
    return wrapper ? wrapper->state : CheckState::Unchecked;
}

void CheckListBox::SetState(int index, CheckState state) {
    CheckListBoxDataWrapper* wrapper = State(index) == state ? nullptr : EnsureWrapper(index);
    if (!wrapper) return;
    wrapper->state = state;
    RECT area = CheckRect(index);
    InvalidateRect(list_, &area, FALSE);
    UpdateWindow(list_);
}

void CheckListBox::SetChecked(int index, bool checked) {
    if (Checked(index) != checked) SetState(index, checked ? CheckState::Checked : CheckState::Unchecked);
}

bool CheckListBox::ItemEnabled(int index) const {
    const CheckListBoxDataWrapper* wrapper = Wrapper(index);
    return !wrapper || wrapper->enabled;
}

void CheckListBox::SetItemEnabled(int index, bool enabled) {
    CheckListBoxDataWrapper* wrapper = ItemEnabled(index) == enabled ? nullptr : EnsureWrapper(index);
    if (!wrapper) return;
    wrapper->enabled = enabled;
    InvalidateRect(list_, nullptr, FALSE);
}

bool CheckListBox::Header(int index) const {
    const CheckListBoxDataWrapper* wrapper = Wrapper(index);
    return wrapper && wrapper->header;
}

void CheckListBox::SetHeader(int index, bool header) {
    CheckListBoxDataWrapper* wrapper = Header(index) == header ? nullptr : EnsureWrapper(index);
    if (!wrapper) return;
    wrapper->header = header;
    InvalidateRect(list_, nullptr, FALSE);
}

LPARAM CheckListBox::ItemData(int index) const {
    const CheckListBoxDataWrapper* wrapper = Wrapper(index);
    return wrapper ? wrapper->userData : 0;
}

void CheckListBox::SetItemData(int index, LPARAM data) {
    if (CheckListBoxDataWrapper* wrapper = EnsureWrapper(index)) wrapper->userData = data;
}

bool CheckListBox::RightToLeft() const { return (GetWindowLongA(list_, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0; }

// The check area of an item: before the text, after it in right-to-left
// layout.
RECT CheckListBox::CheckRect(int index) const {
    RECT item = {};
    SendMessageA(list_, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    if (RightToLeft())
        item.left = item.right - CheckAreaWidth();
    else
        item.right = item.left + CheckAreaWidth();
    return item;
}

void CheckListBox::ToggleClickCheck(int index) {
    if (index < 0 || index >= Count() || !ItemEnabled(index) || Header(index)) return;
    switch (State(index)) {
        case CheckState::Unchecked:
            SetState(index, allowGrayed ? CheckState::Grayed : CheckState::Checked);
            break;
        case CheckState::Checked:
            SetState(index, CheckState::Unchecked);
            break;
        case CheckState::Grayed:
            SetState(index, CheckState::Checked);
            break;
    }
    if (onClickCheck) onClickCheck(index);
}

// Items are as high as the text "Wg" in the list's font.
void CheckListBox::ResetItemHeight() {
    HDC dc = GetDC(list_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list_, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32A(dc, "Wg", 2, &size);
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    if (size.cy > 0) SendMessageA(list_, LB_SETITEMHEIGHT, 0, size.cy);
}

void CheckListBox::DrawItem(const DRAWITEMSTRUCT& item) const {
    if (item.itemID == static_cast<UINT>(-1)) return;
    const int index = static_cast<int>(item.itemID);
    const CheckListBoxDataWrapper* wrapper = Wrapper(index);
    const bool header = wrapper && wrapper->header;
    const bool enabled = IsWindowEnabled(list_) && (!wrapper || wrapper->enabled);
    const bool rtl = RightToLeft();
    HDC dc = item.hDC;
    RECT text = item.rcItem;

    if (!header) {
        RECT area = text;
        if (rtl)
            text.right = area.left = text.right - CheckAreaWidth();
        else
            text.left = area.right = text.left + CheckAreaWidth();
        FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
        const int size = GetSystemMetrics(SM_CXMENUCHECK);
        RECT box = {area.left + (area.right - area.left - size) / 2, area.top + (area.bottom - area.top - size) / 2, 0,
                    0};
        box.right = box.left + size;
        box.bottom = box.top + size;
        UINT style = DFCS_BUTTONCHECK;
        const CheckState state = wrapper ? wrapper->state : CheckState::Unchecked;
        if (state == CheckState::Checked) style |= DFCS_CHECKED;
        if (state == CheckState::Grayed) style = DFCS_BUTTON3STATE | DFCS_CHECKED;
        if (!enabled) style |= DFCS_INACTIVE;
        if (flat) style |= DFCS_FLAT;
        DrawFrameControl(dc, &box, DFC_BUTTON, style);
    }

    COLORREF back, fore;
    if (header) {
        back = ColorOr(headerBackgroundColor, COLOR_INFOBK);
        fore = ColorOr(headerColor, COLOR_INFOTEXT);
    } else if ((item.itemState & ODS_SELECTED) && enabled) {
        back = GetSysColor(COLOR_HIGHLIGHT);
        fore = GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else {
        back = GetSysColor(COLOR_WINDOW);
        fore = GetSysColor(COLOR_WINDOWTEXT);
    }
    if (!enabled) fore = GetSysColor(COLOR_GRAYTEXT);
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dc, &text, brush);
    DeleteObject(brush);

    const std::string label = ItemText(index);
    RECT textArea = text;
    InflateRect(&textArea, -2, 0);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, fore);
    DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &textArea,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (rtl ? DT_RIGHT | DT_RTLREADING : DT_LEFT));
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &text);
}

bool CheckListBox::ReflectOwnerMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType != ODT_LISTBOX) return false;
        const CheckListBox* list = FromWindow(item->hwndItem);
        if (!list) return false;
        list->DrawItem(*item);
        result = TRUE;
        return true;
    }
    if (message == WM_DELETEITEM) {
        const auto* item = reinterpret_cast<const DELETEITEMSTRUCT*>(lParam);
        if (item->CtlType != ODT_LISTBOX || !FromWindow(item->hwndItem)) return false;
        delete reinterpret_cast<CheckListBoxDataWrapper*>(item->itemData);
        result = TRUE;
        return true;
    }
    return false;
}

LRESULT CALLBACK CheckListBox::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CheckListBox* self = FromWindow(hwnd);
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    const WNDPROC base = self->listProc_;
    switch (message) {
        case WM_SETFONT: {
            LRESULT result = CallWindowProcA(base, hwnd, message, wParam, lParam);
            self->ResetItemHeight();
            return result;
        }
        case WM_LBUTTONDOWN: {
            LRESULT result = CallWindowProcA(base, hwnd, message, wParam, lParam);
            const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const LRESULT hit = SendMessageA(hwnd, LB_ITEMFROMPOINT, 0, lParam);
            const int index = LOWORD(hit);
            if (!HIWORD(hit)) {
                RECT area = self->CheckRect(index);
                if (PtInRect(&area, at)) self->ToggleClickCheck(index);
            }
            return result;
        }
        case WM_CHAR:
            if (wParam == ' ') {
                self->ToggleClickCheck(static_cast<int>(SendMessageA(hwnd, LB_GETCARETINDEX, 0, 0)));
                return 0;
            }
            break;
        case WM_NCDESTROY: {
            LRESULT result = CallWindowProcA(base, hwnd, message, wParam, lParam);
            RemovePropA(hwnd, kObjectProperty);
            self->list_ = nullptr;
            return result;
        }
    }
    return CallWindowProcA(base, hwnd, message, wParam, lParam);
}

}  // namespace setup
