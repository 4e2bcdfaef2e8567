#include "controls/PickerCombos.h"

#include <algorithm>

#include "framework/FormLoader.h"
#include "framework/StdCtrls.h"

namespace kelo::controls {

using namespace kelo::win;

namespace {
// Posted to itself when the list has closed, so that the close-up work runs after the
// combo box has finished its own (and after the selection change it reports).
constexpr UINT kCloseUpMessage = WM_APP + 0x4C0;
}  // namespace

void RegisterPickerClasses() {
    RegisterComponentClass<TFramedComboBox>();
    RegisterComponentClass<TFontComboBox>();
    RegisterComponentClass<TColorComboBox>();
}

TFramedComboBox::TFramedComboBox(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    tabStop_ = true;
    SetBounds(0, 0, 145, 22);
}

TFramedComboBox::~TFramedComboBox() = default;

// ---------------------------------------------------------------------------------
// Entries

int TFramedComboBox::ItemCount() const {
    return HandleAllocated() ? static_cast<int>(SendMessageW(Handle(), CB_GETCOUNT, 0, 0)) : 0;
}

std::wstring TFramedComboBox::ItemText(int index) const {
    if (!HandleAllocated() || index < 0 || index >= ItemCount()) return {};
    const LRESULT length = SendMessageW(Handle(), CB_GETLBTEXTLEN, index, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(Handle(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

LPARAM TFramedComboBox::ItemData(int index) const {
    return HandleAllocated() ? SendMessageW(Handle(), CB_GETITEMDATA, index, 0) : 0;
}

int TFramedComboBox::ItemIndex() const {
    return HandleAllocated() ? static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)) : -1;
}

void TFramedComboBox::SetItemIndex(int index) { Perform(CB_SETCURSEL, index, 0); }

int TFramedComboBox::AddItem(const std::wstring& text, LPARAM data) {
    const auto index = static_cast<int>(Perform(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index >= 0) SetItemData(index, data);
    return index;
}

void TFramedComboBox::InsertItem(int index, const std::wstring& text, LPARAM data) {
    const auto at = static_cast<int>(Perform(CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str())));
    if (at >= 0) SetItemData(at, data);
}

void TFramedComboBox::DeleteItem(int index) { Perform(CB_DELETESTRING, index, 0); }

void TFramedComboBox::ClearItems() { Perform(CB_RESETCONTENT, 0, 0); }

void TFramedComboBox::SetItemData(int index, LPARAM data) { Perform(CB_SETITEMDATA, index, data); }

void TFramedComboBox::SetItemText(int index, const std::wstring& text) {
    if (index < 0 || index >= ItemCount()) return;
    const LPARAM data = ItemData(index);
    const int selected = ItemIndex();
    DeleteItem(index);
    InsertItem(index, text, data);
    SetItemIndex(selected);
}

// ---------------------------------------------------------------------------------
// Layout

void TFramedComboBox::SetItemHeight(int height) {
    itemHeight_ = std::max(1, height);
    if (HandleAllocated()) ApplyItemHeights();
}

void TFramedComboBox::SetDropDownCount(int count) {
    dropDownCount_ = std::max(1, count);
    if (HandleAllocated()) SetBounds(left_, top_, width_, height_);
}

void TFramedComboBox::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    sorted_ = sorted;
    RecreateWnd();
}

bool TFramedComboBox::DroppedDown() const {
    return HandleAllocated() && SendMessageW(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TFramedComboBox::SetDroppedDown(bool dropped) { Perform(CB_SHOWDROPDOWN, dropped, 0); }

int TFramedComboBox::DroppedWindowHeight() const {
    // The combo box keeps its field's height and takes the rest as its open list's.
    int field = itemHeight_ + 6;
    if (HandleAllocated()) {
        RECT r;
        GetWindowRect(Handle(), &r);
        field = r.bottom - r.top;
    }
    return field + itemHeight_ * dropDownCount_ + 2;
}

void TFramedComboBox::SetBounds(int left, int top, int width, int height) {
    if (!HandleAllocated()) {
        TWinControl::SetBounds(left, top, width, height);
        return;
    }
    left_ = left;
    top_ = top;
    width_ = std::max(0, width);
    // The window's height is the field's and the list's together; WM_SIZE brings the
    // field's height back into height_.
    SetWindowPos(Handle(), nullptr, left_, top_, width_, DroppedWindowHeight(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    BoundsChanged();
}

void TFramedComboBox::ApplyItemHeights() {
    Perform(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight_);
    Perform(CB_SETITEMHEIGHT, 0, itemHeight_);
    SetBounds(left_, top_, width_, height_);
}

// ---------------------------------------------------------------------------------
// Window

void TFramedComboBox::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = L"ComboBox";
    p.style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL;
    if (sorted_) p.style |= CBS_SORT;
    p.height = DroppedWindowHeight();
}

void TFramedComboBox::WindowCreated() {
    TWinControl::WindowCreated();
    ApplyItemHeights();
    BuildList();
    RestoreState();
}

void TFramedComboBox::DestroyWnd() {
    if (HandleAllocated()) SaveState();
    TWinControl::DestroyWnd();
}

void TFramedComboBox::RecreateWnd() {
    if (!HandleAllocated()) return;
    // The new window takes the old one's place among its siblings, which is its place
    // in the tab order, and the focus when it had it.
    HWND before = GetWindow(Handle(), GW_HWNDPREV);
    const bool focused = Focused();
    DestroyWnd();
    HandleNeeded();
    if (!HandleAllocated()) return;
    SetWindowPos(Handle(), before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (focused) SetFocus();
}

void TFramedComboBox::FontChanged() {
    TWinControl::FontChanged();
    RecreateWnd();
}

// ---------------------------------------------------------------------------------
// Drawing and notifications

void TFramedComboBox::PrepareCanvas(TCanvas& canvas, UINT state) const {
    if (state & ODS_SELECTED) {
        canvas.SetBrushColor(clHighlight);
        canvas.SetPenColor(clHighlightText);
        canvas.Font().SetColor(clHighlightText);
    } else {
        canvas.SetBrushColor(Color());
        canvas.SetPenColor(Enabled() ? clWindowText : clBtnShadow);
        canvas.Font().SetColor(Enabled() ? Font().Color() : clBtnShadow);
    }
}

int TFramedComboBox::TextHeight(TCanvas& canvas) const { return canvas.TextExtent(L"Yy").cy; }

void TFramedComboBox::DrawItem(TCanvas& canvas, int index, RECT rect, UINT) {
    canvas.FillRect(rect);
    if (index >= 0)
        canvas.TextOut(rect.left + 2, rect.top + (rect.bottom - rect.top - TextHeight(canvas)) / 2,
                       ItemText(index));
}

void TFramedComboBox::WMDrawItem(const DRAWITEMSTRUCT& item) {
    TCanvas canvas(item.hDC);
    canvas.Font().Assign(Font());
    // What an entry leaves undrawn (the glyph or swatch column) shows the control's
    // colour, also under a selected entry.
    canvas.SetBrushColor(Color());
    canvas.FillRect(item.rcItem);
    const int index = static_cast<int>(item.itemID);
    PrepareCanvas(canvas, index >= 0 ? item.itemState : item.itemState & ~ODS_SELECTED);
    DrawItem(canvas, index, item.rcItem, item.itemState);
    if ((item.itemState & ODS_FOCUS) && index >= 0) DrawFocusRect(item.hDC, &item.rcItem);
}

void TFramedComboBox::DropDown() {
    if (OnDropDown) OnDropDown(this);
}

void TFramedComboBox::CloseUp(bool) {
    if (OnCloseUp) OnCloseUp(this);
}

void TFramedComboBox::Change() {
    // A value from the form description is no change of the user's.
    if (OnChange && !Loading()) OnChange(this);
}

bool TFramedComboBox::HandleParentNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_DRAWITEM) {
        WMDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    if (msg != WM_COMMAND) return false;
    switch (HIWORD(wParam)) {
    case CBN_SELCHANGE: Change(); break;
    case CBN_DROPDOWN: DropDown(); break;
    case CBN_SELENDOK: cancelled_ = false; break;
    case CBN_SELENDCANCEL: cancelled_ = true; break;
    case CBN_CLOSEUP:
        PostMessageW(Handle(), kCloseUpMessage, cancelled_ ? 1 : 0, 0);
        cancelled_ = false;
        break;
    default: return false;
    }
    result = 0;
    return true;
}

LRESULT TFramedComboBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kCloseUpMessage: CloseUp(wParam != 0); return 0;
    case WM_CTLCOLORLISTBOX:
        // The open list: the control's colours, whatever its parent would give.
        SetBkColor(reinterpret_cast<HDC>(wParam), ColorToRGB(Color()));
        return reinterpret_cast<LRESULT>(BackgroundBrush());
    default: return TWinControl::WndProc(msg, wParam, lParam);
    }
}

bool TFramedComboBox::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "ItemHeight") SetItemHeight(ValueInt(value));
    else if (name == "DropDownCount") SetDropDownCount(ValueInt(value));
    else if (name == "Sorted") SetSorted(ValueBool(value));
    else if (name == "Style") {
        // The pickers are owner-drawn fixed-height lists and nothing else.
        if (ValueIdent(value) != "csOwnerDrawFixed") ThrowUnknownName("combo box style", value.text);
    } else if (IsSystemAppearanceProperty(name)) {
    } else return TWinControl::ReadProperty(name, value);
    return true;
}

bool TFramedComboBox::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event == "OnChange") OnChange = std::move(handler);
    else if (event == "OnDropDown") OnDropDown = std::move(handler);
    else if (event == "OnCloseUp") OnCloseUp = std::move(handler);
    else return TWinControl::AssignEvent(event, std::move(handler));
    return true;
}

}  // namespace kelo::controls
