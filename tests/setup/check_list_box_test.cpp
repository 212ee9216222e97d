// The check list box: per-item states in their data wrappers, and clicks in
// the check area and the space key toggling enabled items.
#include <gtest/gtest.h>
#include <windows.h>

#include "CheckListBox.h"

using setup::CheckListBox;
using setup::CheckState;

namespace {

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (CheckListBox::ReflectOwnerMessage(message, wParam, lParam, result)) return result;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Click(HWND list, int index, int x) {
    RECT item;
    SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, (item.top + item.bottom) / 2));
    SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(x, (item.top + item.bottom) / 2));
}

}  // namespace

TEST(CheckListBox, ItemsKeepTheirStatesAndToggleByClickOrSpace) {
    WNDCLASSA host = {};
    host.lpfnWndProc = HostProc;
    host.lpszClassName = "CheckListHost";
    RegisterClassA(&host);
    HWND parent = CreateWindowA("CheckListHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, nullptr,
                                nullptr);
    CheckListBox list(parent, 1, RECT{0, 0, 200, 100}, WS_VISIBLE);
    for (const char* text : {"zero", "one", "two", "three"}) list.AddItem(text);
    std::vector<int> clicked;
    list.onClickCheck = [&](int index) { clicked.push_back(index); };

    list.SetState(3, CheckState::Grayed);
    list.SetItemData(3, 42);
    list.SetChecked(3, false);  // its checked flag is false already: stays grayed
    EXPECT_EQ(list.State(3), CheckState::Grayed);
    list.DeleteItem(0);
    EXPECT_EQ(list.ItemData(2), 42) << "the data moved with its item";
    // An index the list no longer has reads as an empty item, and nothing
    // set on it lands anywhere.
    list.SetState(3, CheckState::Checked);
    list.SetItemData(3, 7);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.State(3), CheckState::Unchecked);
    EXPECT_EQ(list.ItemData(3), 0);
    EXPECT_EQ(list.ItemText(3), "");

    Click(list.Handle(), 0, 2);
    Click(list.Handle(), 0, 100);  // on the text: no toggle
    EXPECT_EQ(list.State(0), CheckState::Checked);
    Click(list.Handle(), 0, 2);
    list.allowGrayed = true;
    Click(list.Handle(), 0, 2);
    EXPECT_EQ(list.State(0), CheckState::Grayed);
    Click(list.Handle(), 0, 2);
    EXPECT_EQ(list.State(0), CheckState::Checked);
    list.SetItemEnabled(1, false);
    Click(list.Handle(), 1, 2);
    EXPECT_EQ(list.State(1), CheckState::Unchecked);
    SendMessageA(list.Handle(), LB_SETCURSEL, 2, 0);
    SendMessageA(list.Handle(), WM_CHAR, ' ', 0);
    EXPECT_EQ(list.State(2), CheckState::Checked);
    EXPECT_EQ(clicked, (std::vector<int>{0, 0, 0, 0, 2}));
    DestroyWindow(parent);
}
