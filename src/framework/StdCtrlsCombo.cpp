// The combo box of StdCtrls.h.
#include <algorithm>

#include "core/Errors.h"
#include "framework/StdCtrls.h"
#include "framework/WinText.h"

namespace kelo::win {

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    tabStop_ = true;
    SetBounds(0, 0, 145, 20);
}

void TCustomComboBox::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = L"ComboBox";
    p.style |= WS_VSCROLL | CBS_AUTOHSCROLL |
               (style_ == TComboBoxStyle::csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
    if (tabStop_) p.style |= WS_TABSTOP;
    p.height = DroppedHeight();
}

// The window's height is the field's and the open list's together; the system gives
// the field the height its font needs.
int TCustomComboBox::DroppedHeight() const {
    const int field = std::max(height_, 20);
    return field + 2 + dropDownCount_ * (field - 6);
}

void TCustomComboBox::SetBounds(int left, int top, int width, int height) {
    TWinControl::SetBounds(left, top, width, height);
    if (HandleAllocated())
        SetWindowPos(Handle(), nullptr, 0, 0, Width(), DroppedHeight(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCustomComboBox::WindowCreated() {
    TWinControl::WindowCreated();
    FillList();
}

void TCustomComboBox::FillList() {
    if (!HandleAllocated()) return;
    Perform(CB_RESETCONTENT, 0, 0);
    for (const std::wstring& item : items_)
        Perform(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    Perform(CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

void TCustomComboBox::SetItems(std::vector<std::wstring> items) {
    items_ = std::move(items);
    itemIndex_ = -1;
    FillList();
}

int TCustomComboBox::ItemIndex() const {
    if (!HandleAllocated()) return itemIndex_;
    return static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0));
}

void TCustomComboBox::SetItemIndex(int index) {
    itemIndex_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1;
    Perform(CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

bool TCustomComboBox::HandleParentNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE) return false;
    itemIndex_ = ItemIndex();
    if (OnChange) OnChange(this);
    result = 0;
    return true;
}

bool TCustomComboBox::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Style") {
        style_ = ValueFromNames<TComboBoxStyle>({{"csDropDown", TComboBoxStyle::csDropDown},
                                                 {"csDropDownList", TComboBoxStyle::csDropDownList}},
                                                value, "combo box style");
    } else if (name == "Items.Strings") {
        if (value.kind != FormValue::Kind::List)
            throw KeloError("form description: a list of items expected");
        items_.clear();
        for (const std::string& item : value.items) items_.push_back(Widen(item));
    } else if (name == "ItemIndex") itemIndex_ = ValueInt(value);
    else if (name == "DropDownCount") dropDownCount_ = std::max(1, ValueInt(value));
    else if (name == "ItemHeight" || IsSystemAppearanceProperty(name)) {
        // The system sizes the entries from the font.
    } else return TWinControl::ReadProperty(name, value);
    return true;
}

bool TCustomComboBox::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event != "OnChange") return TWinControl::AssignEvent(event, std::move(handler));
    OnChange = std::move(handler);
    return true;
}

}  // namespace kelo::win
