#include "framework/Form.h"

#include <algorithm>

#include "core/Errors.h"
#include "core/ScreenFit.h"
#include "framework/Application.h"
#include "framework/FormLoader.h"
#include "framework/Inspect.h"
#include "framework/Menus.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {

// A message box the program raised (the system's dialog class, active in this thread):
// it keeps the front and the keyboard, so that Enter answers it.
HWND BoxInFront() {
    HWND active = GetActiveWindow();
    return active && WindowClassName(active) == L"#32770" ? active : nullptr;
}

std::vector<TCustomForm*>& FormList() {
    static std::vector<TCustomForm*> forms;
    return forms;
}

// The window rectangle moved onto the work area of the monitor it is (mostly) on, so
// that its caption buttons and its bottom can be reached on small screens.
ScreenRect FittedOnScreen(const ScreenRect& window) {
    const RECT r{window.left, window.top, window.right, window.bottom};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info)) return window;
    const RECT& work = info.rcWork;
    return FitIntoWorkArea(window, {work.left, work.top, work.right, work.bottom});
}

}  // namespace

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    SetVisible(false);
    FormList().push_back(this);
}

TCustomForm::~TCustomForm() {
    DestroyWnd();
    DestroyComponents();
    auto& forms = FormList();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

const std::vector<TCustomForm*>& TCustomForm::Forms() { return FormList(); }

TCustomForm* TCustomForm::FromWindow(HWND hwnd) {
    for (TCustomForm* form : FormList())
        if (form->HandleAllocated() && form->Handle() == hwnd) return form;
    return nullptr;
}

void TCustomForm::LoadFromResource(const wchar_t* resourceName) {
    LoadFromDescription(LoadFormResource(resourceName));
}

void TCustomForm::LoadFromDescription(std::string_view description) {
    BuildForm(*this, ParseFormDescription(description));
    HandleNeeded();
    if (OnCreate) OnCreate(this);
}

void TCustomForm::RegisterHandler(const std::string& name, TNotifyEvent handler) {
    handlers_[name] = std::move(handler);
}

TNotifyEvent TCustomForm::FindHandler(const std::string& name) const {
    auto it = handlers_.find(name);
    if (it == handlers_.end()) throw KeloError("form description: no handler " + name);
    return it->second;
}

HWND TCustomForm::OwnerWindow() { return Application().Handle(); }

// The caption buttons of a form with a normal frame; minimise and maximise come only
// with the system menu.
DWORD TCustomForm::CaptionButtons() const {
    if (!(borderIcons_ & biSystemMenu)) return 0;
    return WS_SYSMENU | ((borderIcons_ & biMinimize) ? WS_MINIMIZEBOX : 0) |
           ((borderIcons_ & biMaximize) ? WS_MAXIMIZEBOX : 0);
}

void TCustomForm::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.parent = OwnerWindow();
    p.style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    p.exStyle = 0;
    switch (borderStyle_) {
    case TBorderStyle::bsNone: p.style |= WS_POPUP; break;
    case TBorderStyle::bsSingle: p.style |= WS_CAPTION | WS_BORDER | CaptionButtons(); break;
    case TBorderStyle::bsSizeable: p.style |= WS_CAPTION | WS_THICKFRAME | CaptionButtons(); break;
    case TBorderStyle::bsDialog:
        p.style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        p.exStyle |= WS_EX_DLGMODALFRAME;
        break;
    case TBorderStyle::bsToolWindow:
        p.style |= WS_CAPTION | WS_SYSMENU;
        p.exStyle |= WS_EX_TOOLWINDOW;
        break;
    case TBorderStyle::bsSizeToolWin:
        p.style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        p.exStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (formStyle_ == TFormStyle::fsStayOnTop) p.exStyle |= WS_EX_TOPMOST;
    if (clientWidth_ >= 0 && clientHeight_ >= 0) {
        RECT r{0, 0, clientWidth_, clientHeight_};
        AdjustWindowRectEx(&r, p.style, menu_ != nullptr, p.exStyle);
        p.width = r.right - r.left;
        p.height = r.bottom - r.top;
    }
    if (positionCentered_) {
        p.x = (GetSystemMetrics(SM_CXSCREEN) - p.width) / 2;
        p.y = (GetSystemMetrics(SM_CYSCREEN) - p.height) / 2;
    }
    if (designedPlace_) {
        const ScreenRect placed = FittedOnScreen({p.x, p.y, p.x + p.width, p.y + p.height});
        p.x = placed.left;
        p.y = placed.top;
    }
}

void TCustomForm::WindowCreated() {
    if (menu_) ::SetMenu(Handle(), menu_->Handle());
    TWinControl::WindowCreated();
}

void TCustomForm::SetMenu(TMainMenu* menu) {
    menu_ = menu;
    if (HandleAllocated()) {
        ::SetMenu(Handle(), menu_ ? menu_->Handle() : nullptr);
        DrawMenuBar(Handle());
    }
}

void TCustomForm::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    if (!HandleAllocated()) return;
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, GetWindowLongW(Handle(), GWL_STYLE), GetMenu(Handle()) != nullptr,
                       GetWindowLongW(Handle(), GWL_EXSTYLE));
    SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

bool TCustomForm::Showing() const {
    // While OnShow runs the form counts as showing, as it is about to appear.
    return showingNow_ || (HandleAllocated() && IsWindowVisible(Handle()));
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::SetVisible(bool visible) {
    if (visible && !Visible() && !Loading()) {
        HandleNeeded();
        showingNow_ = true;
        try {
            DoShow();
        } catch (...) {
            showingNow_ = false;
            throw;
        }
        showingNow_ = false;
    }
    TWinControl::SetVisible(visible);
    if (visible && HandleAllocated()) {
        if (Application().MainForm() == this) ShowWindow(Application().Handle(), SW_SHOWNOACTIVATE);
        if (!BoxInFront()) SetForegroundWindow(Handle());
    }
}

void TCustomForm::VisibleChanged() {
    HWND box = HandleAllocated() && Visible() ? BoxInFront() : nullptr;
    if (!box) return TWinControl::VisibleChanged();
    // Shown behind the box, without taking the activation from it.
    SetWindowPos(Handle(), box, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    TControl::VisibleChanged();
    if (Application().OnFormShownInactive) Application().OnFormShownInactive(Handle());
}

void TCustomForm::Show() {
    SetVisible(true);
    if (HandleAllocated() && !BoxInFront()) BringWindowToTop(Handle());
}

void TCustomForm::Hide() { SetVisible(false); }

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (!CloseQuery()) return;
    if (OnClose) OnClose(this);
    if (modalResult_ == 0) modalResult_ = IDCANCEL;
    if (Application().MainForm() == this) Application().Terminate();
    else Hide();
}

void TCustomForm::Release() {
    PostMessageW(Application().Handle(), CM_RELEASE, reinterpret_cast<WPARAM>(Handle()), 0);
}

int TCustomForm::ShowModal() {
    HandleNeeded();
    modalResult_ = 0;
    // The window the user came from gets the activation back (the owner is usually the
    // hidden taskbar window, which cannot take it in the user's eyes).
    HWND previous = GetActiveWindow();
    HWND owner = GetWindow(Handle(), GW_OWNER);
    // Every other window of the program waits while the dialog is open.
    std::vector<HWND> disabled;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* list = reinterpret_cast<std::vector<HWND>*>(param);
            if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) list->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabled));
    for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);
    Show();
    MSG msg;
    while (modalResult_ == 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(Handle(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (msg.message == WM_QUIT) PostQuitMessage(static_cast<int>(msg.wParam));
    for (HWND hwnd : disabled)
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    Hide();
    if (previous && previous != Handle() && IsWindow(previous) && IsWindowVisible(previous)) {
        SetForegroundWindow(previous);
        SetActiveWindow(previous);
    } else if (owner && IsWindow(owner)) {
        SetActiveWindow(owner);
    }
    return modalResult_;
}

bool TCustomForm::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "ClientWidth") clientWidth_ = ValueInt(value);
    else if (name == "ClientHeight") clientHeight_ = ValueInt(value);
    else if (name == "BorderStyle") {
        static const std::map<std::string, TBorderStyle> kStyles{
            {"bsNone", TBorderStyle::bsNone},         {"bsSingle", TBorderStyle::bsSingle},
            {"bsSizeable", TBorderStyle::bsSizeable}, {"bsDialog", TBorderStyle::bsDialog},
            {"bsToolWindow", TBorderStyle::bsToolWindow},
            {"bsSizeToolWin", TBorderStyle::bsSizeToolWin}};
        auto it = kStyles.find(ValueIdent(value));
        if (it == kStyles.end()) throw KeloError("form description: border style " + value.text);
        borderStyle_ = it->second;
    } else if (name == "BorderIcons") {
        if (value.kind != FormValue::Kind::Set)
            throw KeloError("form description: border icons must be a set");
        borderIcons_ = 0;
        for (const std::string& icon : value.items) {
            if (icon == "biSystemMenu") borderIcons_ |= biSystemMenu;
            else if (icon == "biMinimize") borderIcons_ |= biMinimize;
            else if (icon == "biMaximize") borderIcons_ |= biMaximize;
            else if (icon != "biHelp") throw KeloError("form description: border icon " + icon);
        }
    } else if (name == "FormStyle") {
        formStyle_ = ValueIdent(value) == "fsStayOnTop" ? TFormStyle::fsStayOnTop
                                                         : TFormStyle::fsNormal;
    } else if (name == "Position") {
        positionCentered_ = ValueIdent(value) == "poScreenCenter";
    } else if (name == "Menu") {
        auto* menu = Find<TMainMenu>(ValueIdent(value));
        if (!menu) throw KeloError("form description: no main menu " + value.text);
        menu_ = menu;
    } else if (name == "Visible") {
        // A form becomes visible by Show, once it is built.
        if (ValueBool(value)) throw KeloError("form description: forms start hidden");
    } else if (name == "PixelsPerInch" || name == "TextHeight" || name == "Scaled" ||
               name == "OldCreateOrder" || name == "KeyPreview") {
        // Layouts are in pixels at 96 dots per inch and never scaled.
    } else {
        return TWinControl::ReadProperty(name, value);
    }
    return true;
}

bool TCustomForm::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event == "OnCreate") OnCreate = std::move(handler);
    else if (event == "OnShow") OnShow = std::move(handler);
    else if (event == "OnClose") OnClose = std::move(handler);
    else return TWinControl::AssignEvent(event, std::move(handler));
    return true;
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == menu_) menu_ = nullptr;
}

LRESULT TCustomForm::WMCommand(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0 && HIWORD(wParam) == 0) {
        if (TMenuItem* item = TMenuItem::FromCommand(LOWORD(wParam))) {
            item->Click();
            return 0;
        }
    }
    return TWinControl::WndProc(WM_COMMAND, wParam, lParam);
}

LRESULT TCustomForm::WMMenuItemMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (TMenuItem::HandleOwnerDrawMessage(Handle(), msg, wParam, lParam, result)) return result;
    return TWinControl::WndProc(msg, wParam, lParam);
}

// A form at its designed place stays on the work area when its size changes (the skin
// widens the frame when it first frames the window). Once it is moved elsewhere, by the
// user or by the program, that place is kept as it is.
LRESULT TCustomForm::WMWindowPosChanging(WINDOWPOS& pos) {
    const LRESULT result =
        TWinControl::WndProc(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!designedPlace_ || IsIconic(Handle()) || IsZoomed(Handle())) return result;
    RECT now;
    GetWindowRect(Handle(), &now);
    if (!(pos.flags & SWP_NOMOVE) && (pos.x != now.left || pos.y != now.top)) {
        designedPlace_ = false;
        return result;
    }
    const int width = (pos.flags & SWP_NOSIZE) ? now.right - now.left : pos.cx;
    const int height = (pos.flags & SWP_NOSIZE) ? now.bottom - now.top : pos.cy;
    const ScreenRect placed =
        FittedOnScreen({now.left, now.top, now.left + width, now.top + height});
    if (placed.left == now.left && placed.top == now.top) return result;
    pos.x = placed.left;
    pos.y = placed.top;
    pos.flags &= ~SWP_NOMOVE;
    return result;
}

// A dialog-like form keeps the control that had the focus when it was left (for a
// message box, another window) and gives it back; the first time, the first control
// in tab order gets it.
LRESULT TCustomForm::WMActivate(WPARAM wParam, LPARAM lParam) {
    if (!dialogKeys_) return TWinControl::WndProc(WM_ACTIVATE, wParam, lParam);
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Handle(), focus)) lastFocus_ = focus;
        return TWinControl::WndProc(WM_ACTIVATE, wParam, lParam);
    }
    HWND target = lastFocus_ && IsChild(Handle(), lastFocus_) && IsWindowEnabled(lastFocus_)
                      ? lastFocus_
                      : GetNextDlgTabItem(Handle(), nullptr, FALSE);
    if (!target || HIWORD(wParam)) return TWinControl::WndProc(WM_ACTIVATE, wParam, lParam);
    ::SetFocus(target);
    return 0;
}

LRESULT TCustomForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND: return WMCommand(wParam, lParam);
    case WM_DRAWITEM:
    case WM_MEASUREITEM: return WMMenuItemMessage(msg, wParam, lParam);
    case WM_MENUCHAR:
        if (const LRESULT answer = MenuCharAnswer(wParam, lParam)) return answer;
        return TWinControl::WndProc(msg, wParam, lParam);
    case WM_CLOSE: Close(); return 0;
    case WM_ACTIVATE: return WMActivate(wParam, lParam);
    case WM_WINDOWPOSCHANGING: return WMWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
    case WM_COPYDATA:
        if (AnswerInspect(*this, wParam, lParam)) return TRUE;
        return TWinControl::WndProc(msg, wParam, lParam);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE && Application().MainForm() == this) {
            Application().Minimize();
            return 0;
        }
        return TWinControl::WndProc(msg, wParam, lParam);
    default: return TWinControl::WndProc(msg, wParam, lParam);
    }
}

}  // namespace kelo::win
