// The check list box: per-item states in their data wrappers, and the
// click and space-key toggling of an enabled list.
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

class CheckListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA host = {};
        host.lpfnWndProc = HostProc;
        host.hInstance = GetModuleHandleA(nullptr);
        host.lpszClassName = "CheckListHost";
        RegisterClassA(&host);
        host_ = CreateWindowA("CheckListHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                              host.hInstance, nullptr);
        list_ = std::make_unique<CheckListBox>(host_, 1, RECT{0, 0, 200, 100}, WS_VISIBLE);
        for (const char* text : {"one", "two", "three"}) list_->AddItem(text);
        list_->onClickCheck = [this](int index) { clicked_.push_back(index); };
    }
    void TearDown() override {
        list_.reset();
        DestroyWindow(host_);
    }
    void Click(int index, int x) {
        RECT item;
        SendMessageA(list_->Handle(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        SendMessageA(list_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, (item.top + item.bottom) / 2));
        SendMessageA(list_->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, (item.top + item.bottom) / 2));
    }

    HWND host_ = nullptr;
    std::unique_ptr<CheckListBox> list_;
    std::vector<int> clicked_;
};

}  // namespace

TEST_F(CheckListBoxTest, ItemsKeepTheirStateAndDataInTheirWrappers) {
    EXPECT_EQ(list_->State(1), CheckState::Unchecked);
    list_->SetChecked(1, true);
    list_->SetState(2, CheckState::Grayed);
    list_->SetItemData(2, 42);
    EXPECT_TRUE(list_->Checked(1));
    EXPECT_FALSE(list_->Checked(2)) << "grayed is not checked";
    list_->SetChecked(2, false);  // its checked flag is false already
    EXPECT_EQ(list_->State(2), CheckState::Grayed);

    list_->DeleteItem(0);
    EXPECT_TRUE(list_->Checked(0));
    EXPECT_EQ(list_->ItemData(1), 42);
    try {
        list_->State(2);
        ADD_FAILURE() << "no error for an index the list does not have";
    } catch (const setup::ListIndexError& error) {
        EXPECT_STREQ(error.what(), "List index out of bounds (2)");
    }

    // Items are as high as "Wg" in the list's font.
    HFONT font = CreateFontA(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    SendMessageA(list_->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HDC dc = GetDC(list_->Handle());
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size;
    GetTextExtentPoint32A(dc, "Wg", 2, &size);
    SelectObject(dc, old);
    ReleaseDC(list_->Handle(), dc);
    EXPECT_EQ(SendMessageA(list_->Handle(), LB_GETITEMHEIGHT, 0, 0), size.cy);
    list_.reset();
    DeleteObject(font);
}

TEST_F(CheckListBoxTest, ClicksInTheCheckAreaAndTheSpaceKeyToggleEnabledItems) {
    Click(0, 2);
    Click(0, 100);  // on the text: no toggle
    EXPECT_EQ(list_->State(0), CheckState::Checked);
    Click(0, 2);
    EXPECT_EQ(list_->State(0), CheckState::Unchecked);

    list_->allowGrayed = true;
    Click(0, 2);
    EXPECT_EQ(list_->State(0), CheckState::Grayed);
    Click(0, 2);
    EXPECT_EQ(list_->State(0), CheckState::Checked);

    list_->SetItemEnabled(1, false);
    Click(1, 2);
    EXPECT_EQ(list_->State(1), CheckState::Unchecked);

    SendMessageA(list_->Handle(), LB_SETCURSEL, 2, 0);
    SendMessageA(list_->Handle(), WM_CHAR, ' ', 0);
    EXPECT_EQ(list_->State(2), CheckState::Grayed);
    EXPECT_EQ(clicked_, (std::vector<int>{0, 0, 0, 0, 2}));
}
