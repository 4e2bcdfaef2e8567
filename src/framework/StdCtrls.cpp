#include "framework/StdCtrls.h"

#include "core/Errors.h"
#include "framework/Form.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {

// Modal results as numbers (what form descriptions store) or by their names.
int ModalResultFrom(const FormValue& value) {
    if (value.kind == FormValue::Kind::Integer) return ValueInt(value);
    return ValueFromNames<int>({{"mrNone", 0}, {"mrOk", IDOK}, {"mrCancel", IDCANCEL},
                                {"mrAbort", IDABORT}, {"mrRetry", IDRETRY}, {"mrIgnore", IDIGNORE},
                                {"mrYes", IDYES}, {"mrNo", IDNO}},
                               value, "modal result");
}

}  // namespace

void ThrowUnknownName(const char* what, const std::string& name) {
    throw KeloError(std::string("form description: unknown ") + what + " " + name);
}

TAlignment AlignmentFromName(const FormValue& value) {
    return ValueFromNames<TAlignment>({{"taLeftJustify", TAlignment::taLeftJustify},
                                       {"taRightJustify", TAlignment::taRightJustify},
                                       {"taCenter", TAlignment::taCenter}},
                                      value, "alignment");
}

bool SingleBorderFromName(const FormValue& value) {
    return ValueFromNames<bool>({{"bsSingle", true}, {"bsNone", false}}, value, "border style");
}

const std::vector<std::vector<FormProperty>>& CollectionItems(const FormValue& value) {
    if (value.kind != FormValue::Kind::Collection)
        throw KeloError("form description: a collection < item ... end > expected");
    return value.collection;
}

bool IsSystemAppearanceProperty(const std::string& name) {
    return name == "Ctl3D" || name == "ParentCtl3D" || name == "BevelKind" ||
           name == "BevelInner" || name == "BevelOuter" || name == "ImeName" ||
           name == "ImeMode";
}

// ---------------------------------------------------------------------------------
// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    tabStop_ = true;
}

void TCustomEdit::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    Perform(EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void TCustomEdit::SetMaxLength(int length) {
    maxLength_ = length;
    Perform(EM_SETLIMITTEXT, static_cast<WPARAM>(length), 0);
}

void TCustomEdit::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = L"Edit";
    p.style |= ES_LEFT | ES_AUTOHSCROLL;
    if (readOnly_) p.style |= ES_READONLY;
    if (tabStop_) p.style |= WS_TABSTOP;
    if (border_) p.exStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::WindowCreated() {
    TWinControl::WindowCreated();
    if (maxLength_ > 0) Perform(EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomEdit::CaptionChanged() {
    // The caption is also brought up to date from the window as the user types; then
    // the window already shows it, and setting it again would move the caret.
    if (HandleAllocated() && WindowText(Handle()) != Caption())
        SetWindowTextW(Handle(), Caption().c_str());
}

bool TCustomEdit::HandleParentNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_COMMAND || HIWORD(wParam) != EN_CHANGE) return false;
    SetCaption(WindowText(Handle()));
    if (OnChange) OnChange(this);
    result = 0;
    return true;
}

bool TCustomEdit::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Text") SetCaption(Widen(ValueText(value)));
    else if (name == "ReadOnly") readOnly_ = ValueBool(value);
    else if (name == "MaxLength") maxLength_ = ValueInt(value);
    else if (name == "BorderStyle") border_ = SingleBorderFromName(value);
    else if (IsSystemAppearanceProperty(name)) {
    } else return TWinControl::ReadProperty(name, value);
    return true;
}

bool TCustomEdit::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event != "OnChange") return TWinControl::AssignEvent(event, std::move(handler));
    OnChange = std::move(handler);
    return true;
}

TEdit::TEdit(TComponent* owner) : TCustomEdit(owner) { SetBounds(0, 0, 121, 21); }

// ---------------------------------------------------------------------------------
// TMemo

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner) { SetBounds(0, 0, 185, 89); }

void TMemo::CreateParamsFor(CreateParams& p) {
    TCustomEdit::CreateParamsFor(p);
    p.style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    // Wrapped lines never need to scroll sideways.
    if (wordWrap_) p.style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    if (scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth)
        p.style |= WS_HSCROLL;
    if (scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth)
        p.style |= WS_VSCROLL;
}

// Tab leaves the memo for the next control, as in any form; the memo keeps Enter.
LRESULT TMemo::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = TCustomEdit::WndProc(msg, wParam, lParam);
    const auto* key = reinterpret_cast<const MSG*>(lParam);
    if (msg == WM_GETDLGCODE && key && key->message == WM_KEYDOWN && key->wParam == VK_TAB)
        return result & ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS);
    return result;
}

std::vector<std::wstring> TMemo::Lines() const {
    std::vector<std::wstring> lines;
    const std::wstring& text = Caption();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        const size_t stop = end > start && text[end - 1] == L'\r' ? end - 1 : end;
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

void TMemo::SetLines(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += L"\r\n";
        text += lines[i];
    }
    SetCaption(std::move(text));
}

void TMemo::AppendLine(const std::wstring& line) {
    std::wstring text = Caption();
    if (!text.empty()) text += L"\r\n";
    text += line;
    const auto end = static_cast<WPARAM>(text.size());
    SetCaption(std::move(text));
    Perform(EM_SETSEL, end, static_cast<LPARAM>(end));
    Perform(EM_SCROLLCARET, 0, 0);
}

bool TMemo::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "ScrollBars") scrollBars_ = ValueFromNames<TScrollStyle>(
            {{"ssNone", TScrollStyle::ssNone}, {"ssHorizontal", TScrollStyle::ssHorizontal},
             {"ssVertical", TScrollStyle::ssVertical}, {"ssBoth", TScrollStyle::ssBoth}},
            value, "scroll bars");
    else if (name == "WordWrap") wordWrap_ = ValueBool(value);
    else if (name == "Lines.Strings") {
        if (value.kind != FormValue::Kind::List)
            throw KeloError("form description: a list of lines expected");
        std::vector<std::wstring> lines;
        for (const std::string& line : value.items) lines.push_back(Widen(line));
        SetLines(lines);
    } else if (name == "Text") {
        // A memo's text comes from its lines.
        return false;
    } else return TCustomEdit::ReadProperty(name, value);
    return true;
}

// ---------------------------------------------------------------------------------
// TButtonControl

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) { tabStop_ = true; }

void TButtonControl::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = L"Button";
    if (tabStop_) p.style |= WS_TABSTOP;
}

LRESULT TButtonControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONUP) {
        // The button tells of the click itself (BN_CLICKED, only when released over it);
        // the framework's click on release would make it twice.
        MouseUp(TMouseButton::mbLeft, static_cast<short>(LOWORD(lParam)),
                static_cast<short>(HIWORD(lParam)));
        return DefaultHandler(msg, wParam, lParam);
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

bool TButtonControl::HandleParentNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
    Click();
    result = 0;
    return true;
}

// ---------------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 75, 25); }

void TButton::CreateParamsFor(CreateParams& p) {
    TButtonControl::CreateParamsFor(p);
    p.style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::WindowCreated() {
    TButtonControl::WindowCreated();
    // Enter and Esc in a form reach the children with these ids (IsDialogMessage).
    const LONG_PTR id = default_ ? IDOK : cancel_ ? IDCANCEL : 0;
    if (id) SetWindowLongPtrW(Handle(), GWLP_ID, id);
}

void TButton::Click() {
    if (modalResult_ != 0)
        if (TCustomForm* form = ParentForm()) form->SetModalResult(modalResult_);
    TButtonControl::Click();
}

bool TButton::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Default") default_ = ValueBool(value);
    else if (name == "Cancel") cancel_ = ValueBool(value);
    else if (name == "ModalResult") modalResult_ = ModalResultFrom(value);
    else return TButtonControl::ReadProperty(name, value);
    return true;
}

// ---------------------------------------------------------------------------------
// TMarkButton

TMarkButton::TMarkButton(TComponent* owner, DWORD buttonStyle) : TButtonControl(owner), buttonStyle_(buttonStyle) {
    parentColor_ = true;
}

void TMarkButton::CreateParamsFor(CreateParams& p) {
    TButtonControl::CreateParamsFor(p);
    p.style |= buttonStyle_;
}

void TMarkButton::WindowCreated() {
    TButtonControl::WindowCreated();
    Perform(BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TMarkButton::Checked() const {
    if (!HandleAllocated()) return checked_;
    return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TMarkButton::SetChecked(bool checked) {
    checked_ = checked;
    Perform(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TMarkButton::ReadProperty(const std::string& name, const FormValue& value) {
    if (name != "Checked") return TButtonControl::ReadProperty(name, value);
    checked_ = ValueBool(value);
    return true;
}

// ---------------------------------------------------------------------------------
// TCheckBox

TCheckBox::TCheckBox(TComponent* owner) : TMarkButton(owner, BS_AUTOCHECKBOX) { SetBounds(0, 0, 97, 17); }

void TCheckBox::CreateParamsFor(CreateParams& p) {
    TMarkButton::CreateParamsFor(p);
    if (textOnLeft_) p.style |= BS_LEFTTEXT;
}

bool TCheckBox::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Alignment")
        textOnLeft_ = AlignmentFromName(value) == TAlignment::taLeftJustify;
    else if (name == "State") {
        const std::string& state = ValueIdent(value);
        if (state != "cbChecked" && state != "cbUnchecked")
            throw KeloError("form description: unknown check box state " + state);
        checked_ = state == "cbChecked";
    } else return TMarkButton::ReadProperty(name, value);
    return true;
}

// ---------------------------------------------------------------------------------
// TRadioButton

TRadioButton::TRadioButton(TComponent* owner) : TMarkButton(owner, BS_AUTORADIOBUTTON) { SetBounds(0, 0, 113, 17); }

// ---------------------------------------------------------------------------------
// TGroupBox

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
    parentColor_ = true;
    SetBounds(0, 0, 185, 105);
}

void TGroupBox::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = L"Button";
    p.style |= BS_GROUPBOX;
    // Tab and the arrow keys of a dialog go on into the controls inside.
    p.exStyle |= WS_EX_CONTROLPARENT;
}

void TGroupBox::AdjustClientRect(RECT& r) const {
    // Aligned children start below the caption, which sits on the top line of the frame.
    HDC dc = GetDC(nullptr);
    TEXTMETRICW tm{};
    {
        SavedDC saved(dc);
        SelectObject(dc, Font().Handle());
        GetTextMetricsW(dc, &tm);
    }
    ReleaseDC(nullptr, dc);
    r.top += tm.tmHeight;
    InflateRect(&r, -2, -2);
}

void TGroupBox::PaintTo(HDC dc) {
    RECT client;
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, BackgroundBrush());
    // The system draws the frame and the caption (asking this window's parent for the
    // caption's colours), then the graphic children go on top.
    DefaultHandler(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    PaintGraphicChildren(dc, client);
}

LRESULT TGroupBox::WMPaint() {
    PaintDC paint(Handle());
    RECT client;
    GetClientRect(Handle(), &client);
    if (client.right <= 0 || client.bottom <= 0) return 0;
    // The BUTTON class paints with its parent's clipping (CS_PARENTDC), which does not
    // leave out the group box's own child windows: they are left out here.
    for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
        ExcludeClipRect(paint.Get(), r.left, r.top, r.right, r.bottom);
    }
    MemoryDC buffer(paint.Get(), client.right, client.bottom);
    PaintTo(buffer.Get());
    buffer.BlitTo(paint.Get(), 0, 0);
    return 0;
}

LRESULT TGroupBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: return 1;  // the background is part of WM_PAINT: no flicker
    case WM_PAINT: return WMPaint();
    case WM_PRINTCLIENT: PaintTo(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_NCHITTEST:
        // The system's group box lets the mouse through to its parent; this one holds
        // controls, and its labels take clicks and context menus.
        return HTCLIENT;
    default: return TWinControl::WndProc(msg, wParam, lParam);
    }
}

}  // namespace kelo::win
