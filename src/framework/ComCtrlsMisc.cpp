// The tree view, the date and time picker and the up-down of ComCtrls.h.
#include <map>

#include "core/Errors.h"
#include "framework/ComCtrls.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "framework/WinText.h"

namespace kelo::win {

// ---------------------------------------------------------------------------------
// TTreeView

HTREEITEM TTreeNodes::AddTopLevel(const std::wstring& text, int imageIndex) {
    return AddChild(nullptr, text, imageIndex);
}

HTREEITEM TTreeNodes::AddChild(HTREEITEM parent, const std::wstring& text, int imageIndex) {
    tree_.HandleNeeded();
    if (!tree_.HandleAllocated())
        throw KeloError("tree view " + tree_.Name() + " has no window for its items yet");
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = insert.item.iSelectedImage = imageIndex;
    auto* item = reinterpret_cast<HTREEITEM>(
        tree_.Perform(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!item) throw KeloError("tree view " + tree_.Name() + " did not take an item");
    return item;
}

int TTreeNodes::Count() const {
    return tree_.HandleAllocated()
               ? static_cast<int>(SendMessageW(tree_.Handle(), TVM_GETCOUNT, 0, 0))
               : 0;
}

void TTreeNodes::Clear() {
    tree_.Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    tabStop_ = true;
    SetBounds(0, 0, 121, 97);
}

void TTreeView::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = WC_TREEVIEWW;
    if (showButtons_) p.style |= TVS_HASBUTTONS;
    if (showLines_) p.style |= TVS_HASLINES;
    if (showRoot_) p.style |= TVS_LINESATROOT;
    if (!readOnly_) p.style |= TVS_EDITLABELS;
    if (!hideSelection_) p.style |= TVS_SHOWSELALWAYS;
    if (rowSelect_) p.style |= TVS_FULLROWSELECT;
    if (tabStop_) p.style |= WS_TABSTOP;
    if (border_) p.exStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::WindowCreated() {
    TWinControl::WindowCreated();
    SetImages(images_);
    // After the images: attaching an image list resets the indent to the image width.
    Perform(TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
    ApplyColors();
}

void TTreeView::ApplyColors() {
    // -1: the system's colours, which follow changes of the colour scheme.
    Perform(TVM_SETBKCOLOR, 0, Color() == clWindow ? -1 : ColorToRGB(Color()));
    Perform(TVM_SETTEXTCOLOR, 0,
            Font().Color() == clWindowText ? -1 : ColorToRGB(Font().Color()));
}

void TTreeView::ColorChanged() {
    TWinControl::ColorChanged();
    ApplyColors();
}

void TTreeView::FontChanged() {
    TWinControl::FontChanged();
    ApplyColors();
}

void TTreeView::SetImages(TImageList* images) {
    // The image list's handle stays the same while the list lives, so the tree view
    // sees icons added later; a freed list is taken away (Notification).
    images_ = images;
    Perform(TVM_SETIMAGELIST, TVSIL_NORMAL,
            reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
    Perform(TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
}

void TTreeView::SetIndent(int indent) {
    indent_ = indent;
    Perform(TVM_SETINDENT, static_cast<WPARAM>(indent), 0);
}

HTREEITEM TTreeView::Selected() const {
    if (!HandleAllocated()) return nullptr;
    return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void TTreeView::Select(HTREEITEM item) {
    Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

std::wstring TTreeView::ItemText(HTREEITEM item) const {
    wchar_t buffer[260] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buffer;
    tv.cchTextMax = 260;
    if (!HandleAllocated() || !SendMessageW(Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)))
        return {};
    return buffer;
}

LRESULT TTreeView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONUP) {
        // The control tells of a click itself (NM_CLICK); the framework's click on
        // release would come on top of it.
        MouseUp(TMouseButton::mbLeft, static_cast<short>(LOWORD(lParam)),
                static_cast<short>(HIWORD(lParam)));
        return DefaultHandler(msg, wParam, lParam);
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

bool TTreeView::HandleParentNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    result = 0;
    switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case TVN_SELCHANGEDW:
    case TVN_SELCHANGEDA:
        if (OnChange) OnChange(this);
        return true;
    case TVN_ENDLABELEDITW:
        // An edited label stays unless the edit was cancelled.
        result = reinterpret_cast<NMTVDISPINFOW*>(lParam)->item.pszText != nullptr;
        return true;
    case NM_CLICK: Click(); return true;
    default: return false;
    }
}

bool TTreeView::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Images") {
        auto* images = Owner() ? Owner()->Find<TImageList>(ValueIdent(value)) : nullptr;
        if (!images) throw KeloError("form description: no image list " + value.text);
        images_ = images;
    } else if (name == "Indent") indent_ = ValueInt(value);
    else if (name == "ShowRoot") showRoot_ = ValueBool(value);
    else if (name == "ShowLines") showLines_ = ValueBool(value);
    else if (name == "ShowButtons") showButtons_ = ValueBool(value);
    else if (name == "ReadOnly") readOnly_ = ValueBool(value);
    else if (name == "HideSelection") hideSelection_ = ValueBool(value);
    else if (name == "RowSelect") rowSelect_ = ValueBool(value);
    else if (name == "BorderStyle") border_ = SingleBorderFromName(value);
    else if (IsSystemAppearanceProperty(name)) {
    } else return TWinControl::ReadProperty(name, value);
    return true;
}

bool TTreeView::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event != "OnChange") return TWinControl::AssignEvent(event, std::move(handler));
    OnChange = std::move(handler);
    return true;
}

void TTreeView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == images_) SetImages(nullptr);
}

// ---------------------------------------------------------------------------------
// TDateTimePicker

TDateTimePicker::TDateTimePicker(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    tabStop_ = true;
    SetBounds(0, 0, 186, 21);
}

void TDateTimePicker::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = DATETIMEPICK_CLASSW;
    if (kind_ == TDateTimeKind::dtkTime) p.style |= DTS_TIMEFORMAT;
    else p.style |= longDate_ ? DTS_LONGDATEFORMAT : DTS_SHORTDATEFORMAT;
    if (upDown_) p.style |= DTS_UPDOWN;
    if (showCheckbox_) p.style |= DTS_SHOWNONE;
    if (alignRight_) p.style |= DTS_RIGHTALIGN;
    if (tabStop_) p.style |= WS_TABSTOP;
    p.exStyle |= WS_EX_CLIENTEDGE;
}

void TDateTimePicker::WindowCreated() {
    TWinControl::WindowCreated();
    if (!format_.empty()) Perform(DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(format_.c_str()));
    if (hasValue_) Perform(DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value_));
}

int TDateTimePicker::IdealWidth() const {
    SIZE ideal{};
    if (!HandleAllocated() || !SendMessageW(Handle(), DTM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) ||
        ideal.cx <= 0)
        return Width();
    // Wine works the ideal width out with the drop button of a 96-dpi screen, while the
    // button (a scroll bar's width) grows with the screen's scale and would take the
    // date's last character: the growth is added.
    const int button = GetSystemMetrics(SM_CXVSCROLL);
    const WindowDC screen(nullptr);
    return ideal.cx + button - MulDiv(button, 96, GetDeviceCaps(screen.Get(), LOGPIXELSX));
}

SYSTEMTIME TDateTimePicker::DateTime() const {
    SYSTEMTIME value{};
    if (HandleAllocated()) SendMessageW(Handle(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
    else if (hasValue_) value = value_;
    else GetLocalTime(&value);
    return value;
}

void TDateTimePicker::SetDateTime(const SYSTEMTIME& value) {
    value_ = value;
    hasValue_ = true;
    Perform(DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value_));
}

bool TDateTimePicker::HandleParentNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != DTN_DATETIMECHANGE) return false;
    if (OnChange) OnChange(this);
    result = 0;
    return true;
}

bool TDateTimePicker::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Kind") {
        kind_ = ValueFromNames<TDateTimeKind>({{"dtkDate", TDateTimeKind::dtkDate}, {"dtkTime", TDateTimeKind::dtkTime}},
                                        value, "date and time kind");
    } else if (name == "DateFormat") {
        longDate_ = ValueFromNames<bool>({{"dfShort", false}, {"dfLong", true}}, value, "date format");
    } else if (name == "DateMode") {
        upDown_ = ValueFromNames<bool>({{"dmComboBox", false}, {"dmUpDown", true}}, value, "date mode");
    } else if (name == "CalAlignment") {
        alignRight_ = ValueFromNames<bool>({{"dtaLeft", false}, {"dtaRight", true}}, value, "calendar alignment");
    } else if (name == "ShowCheckbox") showCheckbox_ = ValueBool(value);
    else if (name == "Format") format_ = Widen(ValueText(value));
    else if (IsSystemAppearanceProperty(name)) {
    } else return TWinControl::ReadProperty(name, value);
    return true;
}

bool TDateTimePicker::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event != "OnChange") return TWinControl::AssignEvent(event, std::move(handler));
    OnChange = std::move(handler);
    return true;
}

// ---------------------------------------------------------------------------------
// TUpDown

namespace {
UINT AttachBuddyMessage() {
    static const UINT message = RegisterWindowMessageW(L"KeloUpDownAttachBuddy");
    return message;
}
}  // namespace

TUpDown::TUpDown(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 15, 21); }

void TUpDown::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = UPDOWN_CLASSW;
    p.style |= UDS_SETBUDDYINT | (alignLeft_ ? UDS_ALIGNLEFT : UDS_ALIGNRIGHT);
    if (arrowKeys_) p.style |= UDS_ARROWKEYS;
    if (wrap_) p.style |= UDS_WRAP;
    if (!thousands_) p.style |= UDS_NOTHOUSANDS;
    if (orientation_ == TUDOrientation::udHorizontal) p.style |= UDS_HORZ;
    // The system gives an aligned up-down a width of its own as soon as it exists.
    designed_ = {p.x, p.y, p.x + p.width, p.y + p.height};
}

void TUpDown::WindowCreated() {
    TWinControl::WindowCreated();
    Perform(UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
    if (increment_ != 1) {
        UDACCEL accel{0, static_cast<UINT>(increment_)};
        Perform(UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    }
    Perform(UDM_SETPOS32, 0, position_);
    AttachBuddy(true);
}

void TUpDown::AttachBuddy(bool retryLater) {
    if (!HandleAllocated() || !associate_) return;
    // Controls are made in description order, so the associate may not exist yet; it is
    // made now when its parent's window exists, else once the form has all its windows.
    associate_->HandleNeeded();
    if (!associate_->HandleAllocated()) {
        if (retryLater) PostMessageW(Handle(), AttachBuddyMessage(), 0, 0);
        return;
    }
    // The system makes room for the arrows inside the buddy; the layout already has the
    // two side by side, so both go back to their own places.
    const RECT buddy = associate_->BoundsRect();
    const RECT mine = designed_;
    Perform(UDM_SETBUDDY, reinterpret_cast<WPARAM>(associate_->Handle()), 0);
    for (auto [control, r] : {std::pair{associate_, buddy}, std::pair<TWinControl*, RECT>{this, mine}})
        SetWindowPos(control->Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    // The buddy shows the position from now on.
    Perform(UDM_SETPOS32, 0, position_);
}

void TUpDown::SetAssociate(TWinControl* control) {
    associate_ = control;
    if (control) AttachBuddy(true);
    else Perform(UDM_SETBUDDY, 0, 0);
}

void TUpDown::SetRange(int min, int max) {
    min_ = min;
    max_ = max;
    Perform(UDM_SETRANGE32, static_cast<WPARAM>(min), max);
}

int TUpDown::Position() const {
    if (!HandleAllocated()) return position_;
    // Read through the buddy: the user may have typed a number into it.
    BOOL error = FALSE;
    return static_cast<int>(SendMessageW(Handle(), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)));
}

void TUpDown::SetPosition(int position) {
    position_ = position;
    Perform(UDM_SETPOS32, 0, position);
}

LRESULT TUpDown::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == AttachBuddyMessage()) {
        AttachBuddy(false);
        return 0;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

void TUpDown::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == associate_) SetAssociate(nullptr);
}

bool TUpDown::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Associate") {
        auto* control = Owner() ? Owner()->Find<TWinControl>(ValueIdent(value)) : nullptr;
        if (!control) throw KeloError("form description: no control " + value.text + " to associate");
        associate_ = control;
    } else if (name == "Min") min_ = ValueInt(value);
    else if (name == "Max") max_ = ValueInt(value);
    else if (name == "Position") position_ = ValueInt(value);
    else if (name == "Increment") increment_ = ValueInt(value);
    else if (name == "Wrap") wrap_ = ValueBool(value);
    else if (name == "Thousands") thousands_ = ValueBool(value);
    else if (name == "ArrowKeys") arrowKeys_ = ValueBool(value);
    else if (name == "AlignButton") {
        alignLeft_ = ValueFromNames<bool>({{"udLeft", true}, {"udRight", false}}, value, "button alignment");
    } else if (name == "Orientation") {
        orientation_ = ValueFromNames<TUDOrientation>(
            {{"udVertical", TUDOrientation::udVertical}, {"udHorizontal", TUDOrientation::udHorizontal}},
            value, "orientation");
    } else return TWinControl::ReadProperty(name, value);
    return true;
}

}  // namespace kelo::win
