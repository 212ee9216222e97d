// A list box with a check mark in front of each item: an owner-drawn Win32
// list box whose items carry their state in a data wrapper attached as the
// item's data. The installer shows its progress steps in one, disabled.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace setup {

enum class CheckState { Unchecked = 0, Checked = 1, Grayed = 2 };

// Per-item information, created on first use and owned by the list: freed
// when the item is deleted or the list is destroyed.
struct CheckListBoxDataWrapper {
    LPARAM userData = 0;
    CheckState state = CheckState::Unchecked;
    bool enabled = true;
    bool header = false;
};

class CheckListBox {
public:
    // Creates the list as a child window of `parent`, which must pass its
    // owner messages to ReflectOwnerMessage.
    CheckListBox(HWND parent, int id, const RECT& bounds, DWORD style);
    CheckListBox(const CheckListBox&) = delete;
    CheckListBox& operator=(const CheckListBox&) = delete;
    ~CheckListBox();

    HWND Handle() const { return list_; }

    int AddItem(const std::string& text);
    void DeleteItem(int index);
    int Count() const;
    // An index the list does not have reads as an empty, unchecked, enabled
    // item without data; setting anything on it does nothing.
    std::string ItemText(int index) const;

    // An item that never got a state is unchecked. Checked means state
    // Checked; setting the state it already has does nothing, otherwise only
    // the item's check area is repainted, at once.
    CheckState State(int index) const;
    void SetState(int index, CheckState state);
    bool Checked(int index) const { return State(index) == CheckState::Checked; }
    void SetChecked(int index, bool checked);

    bool ItemEnabled(int index) const;
    void SetItemEnabled(int index, bool enabled);
    bool Header(int index) const;
    void SetHeader(int index, bool header);
    LPARAM ItemData(int index) const;
    void SetItemData(int index, LPARAM data);

    // Settings. Colours unset follow the system's tooltip colours.
    bool allowGrayed = false;
    bool flat = true;
    std::optional<COLORREF> headerColor;
    std::optional<COLORREF> headerBackgroundColor;
    // Raised after a click or the space key toggled an item.
    std::function<void(int index)> onClickCheck;

    // The owner messages of check list boxes (drawing, deleted items), which
    // Windows sends to the parent. True when the message was one of them.
    static bool ReflectOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The width of the check area in front of the text.
    static int CheckAreaWidth();

private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static CheckListBox* FromWindow(HWND hwnd);

    // Null when the item has none yet or the list has no such item.
    CheckListBoxDataWrapper* Wrapper(int index) const;
    // Null only when the list has no such item.
    CheckListBoxDataWrapper* EnsureWrapper(int index);
    bool RightToLeft() const;
    RECT CheckRect(int index) const;
    void ToggleClickCheck(int index);
    void ResetItemHeight();
    void DrawItem(const DRAWITEMSTRUCT& item) const;

    HWND list_ = nullptr;
    WNDPROC listProc_ = nullptr;
};

}  // namespace setup
