// The smaller common controls of ComCtrls.h: status bar, date and time picker, up-down.
#include <map>

#include "core/Errors.h"
#include "framework/ComCtrls.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {

template <class T>
T FromName(const std::map<std::string, T>& names, const FormValue& value, const char* what) {
    auto it = names.find(ValueIdent(value));
    if (it == names.end()) throw KeloError(std::string("form description: unknown ") + what + " " + value.text);
    return it->second;
}

}  // namespace

// ---------------------------------------------------------------------------------
// TStatusBar

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
    SetAlign(TAlign::alBottom);
    SetBounds(0, 0, 185, 19);
}

void TStatusBar::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = STATUSCLASSNAMEW;
    // The layout places the bar (Align); it must not move or size itself.
    p.style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (sizeGrip_) p.style |= SBARS_SIZEGRIP;
}

void TStatusBar::WindowCreated() {
    TWinControl::WindowCreated();
    UpdateParts();
    Perform(SB_SIMPLE, simplePanel_ ? TRUE : FALSE, 0);
    if (!simpleText_.empty())
        Perform(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::UpdateParts() {
    if (!HandleAllocated()) return;
    // Right edges; the last panel takes the rest of the bar.
    std::vector<int> edges;
    int x = 0;
    for (size_t i = 0; i < panels_.size(); ++i) {
        x += panels_[i].width;
        edges.push_back(i + 1 == panels_.size() ? -1 : x);
    }
    if (edges.empty()) edges.push_back(-1);
    Perform(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < panels_.size(); ++i) UpdatePanelText(static_cast<int>(i));
}

void TStatusBar::UpdatePanelText(int index) {
    if (!HandleAllocated()) return;
    const TStatusPanel& panel = panels_.at(static_cast<size_t>(index));
    WPARAM flags = 0;
    if (panel.bevel == TStatusPanelBevel::pbNone) flags = SBT_NOBORDERS;
    else if (panel.bevel == TStatusPanelBevel::pbRaised) flags = SBT_POPOUT;
    // The status bar centres the text after one tab and right-aligns it after two.
    const std::wstring text = panel.alignment == TAlignment::taCenter         ? L"\t" + panel.text
                              : panel.alignment == TAlignment::taRightJustify ? L"\t\t" + panel.text
                                                                              : panel.text;
    Perform(SB_SETTEXTW, static_cast<WPARAM>(index) | flags, reinterpret_cast<LPARAM>(text.c_str()));
}

void TStatusBar::AddPanel(int width, TStatusPanelBevel bevel) {
    TStatusPanel panel;
    panel.width = width;
    panel.bevel = bevel;
    panels_.push_back(panel);
    UpdateParts();
}

void TStatusBar::SetPanelWidth(int index, int width) {
    panels_.at(static_cast<size_t>(index)).width = width;
    UpdateParts();
}

void TStatusBar::SetPanelText(int index, std::wstring text) {
    panels_.at(static_cast<size_t>(index)).text = std::move(text);
    UpdatePanelText(index);
}

void TStatusBar::SetSimplePanel(bool simple) {
    simplePanel_ = simple;
    Perform(SB_SIMPLE, simple ? TRUE : FALSE, 0);
}

void TStatusBar::SetSimpleText(std::wstring text) {
    simpleText_ = std::move(text);
    Perform(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::ReadPanels(const FormValue& value) {
    if (value.kind != FormValue::Kind::Collection)
        throw KeloError("form description: a collection < item ... end > expected");
    static const std::map<std::string, TStatusPanelBevel> kBevels{
        {"pbNone", TStatusPanelBevel::pbNone},
        {"pbLowered", TStatusPanelBevel::pbLowered},
        {"pbRaised", TStatusPanelBevel::pbRaised}};
    for (const auto& properties : value.collection) {
        TStatusPanel panel;
        for (const FormProperty& p : properties) {
            if (p.name == "Width") panel.width = ValueInt(p.value);
            else if (p.name == "Bevel") panel.bevel = FromName(kBevels, p.value, "panel bevel");
            else if (p.name == "Text") panel.text = Widen(ValueText(p.value));
            else if (p.name == "Alignment") panel.alignment = AlignmentFromName(ValueIdent(p.value));
            else if (p.name == "Style" && p.value.kind == FormValue::Kind::Ident && p.value.text == "psText") {
            } else throw KeloError("form description: status panels have no property " + p.name);
        }
        panels_.push_back(std::move(panel));
    }
}

bool TStatusBar::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Panels") ReadPanels(value);
    else if (name == "SimplePanel") simplePanel_ = ValueBool(value);
    else if (name == "SimpleText") simpleText_ = Widen(ValueText(value));
    else if (name == "SizeGrip") sizeGrip_ = ValueBool(value);
    else return TWinControl::ReadProperty(name, value);
    return true;
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
        kind_ = FromName<TDateTimeKind>({{"dtkDate", TDateTimeKind::dtkDate}, {"dtkTime", TDateTimeKind::dtkTime}},
                                        value, "date and time kind");
    } else if (name == "DateFormat") {
        longDate_ = FromName<bool>({{"dfShort", false}, {"dfLong", true}}, value, "date format");
    } else if (name == "DateMode") {
        upDown_ = FromName<bool>({{"dmComboBox", false}, {"dmUpDown", true}}, value, "date mode");
    } else if (name == "CalAlignment") {
        alignRight_ = FromName<bool>({{"dtaLeft", false}, {"dtaRight", true}}, value, "calendar alignment");
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
    Perform(UDM_SETBUDDY, reinterpret_cast<WPARAM>(associate_->Handle()), 0);
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
        alignLeft_ = FromName<bool>({{"udLeft", true}, {"udRight", false}}, value, "button alignment");
    } else if (name == "Orientation") {
        orientation_ = FromName<TUDOrientation>(
            {{"udVertical", TUDOrientation::udVertical}, {"udHorizontal", TUDOrientation::udHorizontal}},
            value, "orientation");
    } else return TWinControl::ReadProperty(name, value);
    return true;
}

}  // namespace kelo::win
