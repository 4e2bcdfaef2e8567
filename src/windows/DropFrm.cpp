#include "windows/DropFrm.h"

#include "core/Errors.h"
#include "core/IniDocument.h"
#include "core/Settings.h"
#include "framework/Application.h"
#include "framework/IniFile.h"
#include "framework/WinText.h"
#include "menupainter/MenuPainter.h"

namespace kelo::app {

using win::TLabel;
using win::TMouseButton;

namespace {

// SC_MOVE with the caption hit-test code: the system moves the window with the mouse.
constexpr WPARAM kMoveByCaption = 0xF012;

template <class T>
T* Require(const win::TComponent& form, const char* name) {
    T* component = form.Find<T>(name);
    if (!component) throw KeloError(std::string("mini window: no ") + name);
    return component;
}

}  // namespace

TFrmDrop::TFrmDrop(win::TComponent* owner, DropContext context)
    : win::TForm(owner), context_(std::move(context)) {
    RegisterHandler("FormCreate", [this](win::TComponent*) { FormCreate(); });
    RegisterHandler("MenuDropClick", [this](win::TComponent*) { MenuDropClick(); });
    RegisterHandler("MenuShowMainClick", [this](win::TComponent*) { MenuShowMainClick(); });
    RegisterHandler("MenuTracClick", [this](win::TComponent*) { MenuTracClick(); });
    RegisterHandler("MenuDropSetupClick", [this](win::TComponent*) { MenuDropSetupClick(); });
}

TFrmDrop* TFrmDrop::Create(win::TComponent* owner, DropContext context) {
    menupainter::RegisterMenuPainterClasses();
    auto* form = new TFrmDrop(owner, std::move(context));
    form->LoadFromResource(kResourceName);
    return form;
}

void TFrmDrop::Loaded() {
    win::TForm::Loaded();
    pelMain_ = Require<win::TPanel>(*this, "pelMain");
    lblStr1_ = Require<TLabel>(*this, "lblStr1");
    Label1_ = Require<TLabel>(*this, "Label1");
    lblStr2_ = Require<TLabel>(*this, "lblStr2");
    Label2_ = Require<TLabel>(*this, "Label2");
    labels_[0] = lblStr1_;
    labels_[1] = Label1_;
    labels_[2] = lblStr2_;
    labels_[3] = Label2_;
    MenuDrop_ = Require<win::TMenuItem>(*this, "MenuDrop");
    MenuShowMain_ = Require<win::TMenuItem>(*this, "MenuShowMain");
    MenuTrac_ = Require<win::TMenuItem>(*this, "MenuTrac");

    // The window is dragged by a press anywhere on it: on the panel or on a label.
    auto mouseDown = [this](win::TComponent*, TMouseButton button, int, int) {
        pelMainMouseDown(button);
    };
    pelMain_->OnMouseDown = mouseDown;
    ForEachLabel([&](TLabel& label) { label.OnMouseDown = mouseDown; });
}

void TFrmDrop::CreateParamsFor(win::CreateParams& params) {
    win::TForm::CreateParamsFor(params);
    // Off the taskbar, and above every other window.
    params.exStyle |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
}

// Owned by the desktop, the window stays on screen while the program is minimised.
HWND TFrmDrop::OwnerWindow() { return GetDesktopWindow(); }

void TFrmDrop::WindowCreated() {
    win::TForm::WindowCreated();
    ApplyTranslucency();
}

void TFrmDrop::DoShow() {
    MoveToOrigin();
    win::TForm::DoShow();
}

void TFrmDrop::MoveToOrigin() {
    if (HandleAllocated())
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFrmDrop::FormCreate() {
    // A bad value ends the creation steps where it is met; the window stays usable.
    win::HandleExceptions(nullptr, [this] { ReadSettings(); });
}

// A bad stored value is told at start, with the rest of the settings file's: here it
// takes its default and the rest of the look is read as usual.
void TFrmDrop::ReadSettings() {
    const DropLook look = ReadDropLook(win::TIniFile(context_.appDir + ini::kFileName).Document());
    SetOpacity(static_cast<uint8_t>(look.opacity));
    SetFormColor(look.formColor);
    SetLabelsFontName(win::Widen(look.fontName));
    ForEachLabel([](TLabel& label) { label.Font().SetSize(9); });
    // Stored 0 is regular text, 1 to 4 are bold, italic, underline and strike-out.
    SetLabelsStyle(look.fontStyle - 1);
    SetLabelsFontColor(look.fontColor);
    MenuShowMain_->SetChecked(context_.mainWindowShowing && context_.mainWindowShowing());
}

void TFrmDrop::SetLabelsStyle(int n) {
    static constexpr unsigned kStyles[] = {win::fsBold, win::fsItalic, win::fsUnderline,
                                           win::fsStrikeOut};
    const unsigned style = n >= 0 && n < 4 ? kStyles[n] : 0;
    ForEachLabel([style](TLabel& label) { label.Font().SetStyle(style); });
}

void TFrmDrop::SetLabelsFontName(const std::wstring& name) {
    ForEachLabel([&name](TLabel& label) { label.Font().SetName(name); });
}

void TFrmDrop::SetLabelsFontColor(TColor color) {
    ForEachLabel([color](TLabel& label) { label.Font().SetColor(color); });
}

const win::TFont& TFrmDrop::LabelsFont() const { return Label1_->Font(); }

void TFrmDrop::SetFormColor(TColor color) { pelMain_->SetColor(color); }

TColor TFrmDrop::FormColor() const { return pelMain_->Color(); }

void TFrmDrop::SetMonthText(const std::string& text) { Label1_->SetCaption(win::Widen(text)); }

void TFrmDrop::SetRunText(const std::string& text) { Label2_->SetCaption(win::Widen(text)); }

std::string TFrmDrop::MonthText() const { return win::Narrow(Label1_->Caption()); }

std::string TFrmDrop::RunText() const { return win::Narrow(Label2_->Caption()); }

void TFrmDrop::SetPanelVisible(bool visible) { pelMain_->SetVisible(visible); }

bool TFrmDrop::PanelVisible() const { return pelMain_->Visible(); }

void TFrmDrop::SetTranslucent(bool translucent) {
    translucent_ = translucent;
    ApplyTranslucency();
}

void TFrmDrop::SetOpacity(uint8_t opacity) {
    opacity_ = opacity;
    if (translucent_) ApplyTranslucency();
}

void TFrmDrop::ApplyTranslucency() {
    if (!HandleAllocated()) return;
    const LONG exStyle = GetWindowLongW(Handle(), GWL_EXSTYLE);
    if (translucent_) {
        if (!(exStyle & WS_EX_LAYERED))
            SetWindowLongW(Handle(), GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        SetLayeredWindowAttributes(Handle(), 0, opacity_, LWA_ALPHA);
    } else if (exStyle & WS_EX_LAYERED) {
        SetWindowLongW(Handle(), GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
        RedrawWindow(Handle(), nullptr, nullptr,
                     RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}

void TFrmDrop::RequestClose() { Perform(WM_CLOSE, 0, 0); }

TFrmDrop* TFrmDrop::CurrentMiniWindow() {
    TFrmDrop* current = context_.currentMiniWindow ? context_.currentMiniWindow() : this;
    return current ? current : this;
}

void TFrmDrop::pelMainMouseDown(TMouseButton button) {
    if (button != TMouseButton::mbLeft) return;
    ReleaseCapture();
    Perform(WM_SYSCOMMAND, kMoveByCaption, 0);
}

// The check marks are this menu's own: toggled, never read back from the window.
void TFrmDrop::MenuDropClick() {
    MenuDrop_->SetChecked(!MenuDrop_->Checked());
    TFrmDrop* current = CurrentMiniWindow();
    if (MenuDrop_->Checked()) current->Show();
    else current->Hide();
}

void TFrmDrop::MenuShowMainClick() {
    MenuShowMain_->SetChecked(!MenuShowMain_->Checked());
    if (context_.setMainWindowVisible) context_.setMainWindowVisible(MenuShowMain_->Checked());
}

void TFrmDrop::MenuTracClick() {
    MenuTrac_->SetChecked(!MenuTrac_->Checked());
    TFrmDrop* current = CurrentMiniWindow();
    if (MenuTrac_->Checked()) {
        current->SetOpacity(kMenuOpacity);
        current->SetTranslucent(true);
    } else {
        current->SetTranslucent(false);
    }
}

void TFrmDrop::MenuDropSetupClick() {
    if (context_.openDropSetup) context_.openDropSetup(this);
}

// A display change can leave the window on no monitor at all; it comes back to the
// top-left corner then.
LRESULT TFrmDrop::WMDisplayChange(WPARAM wParam, LPARAM lParam) {
    if (!MonitorFromWindow(Handle(), MONITOR_DEFAULTTONULL)) MoveToOrigin();
    return win::TForm::WndProc(WM_DISPLAYCHANGE, wParam, lParam);
}

LRESULT TFrmDrop::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DISPLAYCHANGE: return WMDisplayChange(wParam, lParam);
    default: return win::TForm::WndProc(msg, wParam, lParam);
    }
}

}  // namespace kelo::app
