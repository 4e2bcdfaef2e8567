#include "tray/TrayIcon.h"

#include <shlwapi.h>

#include <algorithm>
#include <map>

#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/FormLoader.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "framework/Timer.h"
#include "framework/WinText.h"

namespace kelo::tray {

using win::Application;

namespace {

// Explorer broadcasts it when it has recreated the taskbar; known from the start.
const UINT taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");

// A refused icon is tried again every three seconds for two minutes.
constexpr UINT kRetryInterval = 3000;
constexpr int kRetryTicks = 120000 / kRetryInterval;

constexpr size_t kNewTipLength = 127;
constexpr size_t kOldTipLength = 63;

class SystemShell : public TrayShell {
public:
    BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW& data) override {
        return Shell_NotifyIconW(message, &data);
    }
    int MajorVersion() override {
        HMODULE shell32 = GetModuleHandleW(L"shell32.dll");
        if (!shell32) return 0;
        auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
            reinterpret_cast<void*>(GetProcAddress(shell32, "DllGetVersion")));
        if (!getVersion) return 0;
        DLLVERSIONINFO info{};
        info.cbSize = sizeof info;
        if (FAILED(getVersion(&info))) return 0;
        return static_cast<int>(info.dwMajorVersion);
    }
};

TrayShell*& CurrentShell() {
    static TrayShell* shell = &SystemTrayShell();
    return shell;
}

// Clears a re-entry flag when the step it guards ends, also by an error.
class FlagReset {
public:
    explicit FlagReset(bool& flag) : flag_(flag) {}
    ~FlagReset() { flag_ = false; }
    FlagReset(const FlagReset&) = delete;
    FlagReset& operator=(const FlagReset&) = delete;

private:
    bool& flag_;
};

void Raise(const TNotifyEvent& event, TComponent* sender) {
    if (event) event(sender);
}

TTrayIconClicks ClickFromName(const std::string& name) {
    static const std::map<std::string, TTrayIconClicks> kClicks{
        {"ticNone", TTrayIconClicks::ticNone},
        {"ticLeftClick", TTrayIconClicks::ticLeftClick},
        {"ticLeftDblClick", TTrayIconClicks::ticLeftDblClick},
        {"ticLeftClickUp", TTrayIconClicks::ticLeftClickUp},
        {"ticRightClick", TTrayIconClicks::ticRightClick},
        {"ticRightDblClick", TTrayIconClicks::ticRightDblClick},
        {"ticRightClickUp", TTrayIconClicks::ticRightClickUp}};
    auto it = kClicks.find(name);
    if (it == kClicks.end()) throw KeloError("form description: unknown click " + name);
    return it->second;
}

template <class T>
T* FindSibling(const TComponent& self, const FormValue& value, const char* what) {
    const std::string& name = win::ValueIdent(value);
    T* found = self.Owner() ? self.Owner()->Find<T>(name) : nullptr;
    if (!found) throw KeloError(std::string("form description: no ") + what + " " + name);
    return found;
}

}  // namespace

TrayShell& SystemTrayShell() {
    static SystemShell shell;
    return shell;
}

TrayShell* SetTrayShell(TrayShell* shell) {
    return std::exchange(CurrentShell(), shell ? shell : &SystemTrayShell());
}

// The application's minimise and restore listeners. A type of its own, so the icon
// recognises its listeners when it withdraws them.
struct TTrayIcon::AppListener {
    TTrayIcon* icon;
    bool restore;
    void operator()() const {
        if (!restore) icon->MinimizeToTray();
        else if (!icon->restoring_) icon->RestoreFromTray();
    }
};

TTrayIcon::TTrayIcon(TComponent* owner)
    : TComponent(owner),
      shell_(*CurrentShell()),
      currentIcon_(CopyIcon(Application().Icon())),
      animationTimer_(std::make_unique<win::TTimer>(nullptr)),
      retryTimer_(std::make_unique<win::TTimer>(nullptr)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(Application().InstanceHandle(), kTrayWindowClass, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &TTrayIcon::WindowProcThunk;
        wc.hInstance = Application().InstanceHandle();
        wc.lpszClassName = kTrayWindowClass;
        RegisterClassExW(&wc);
    }
    // A top-level window, though never shown: only those hear the shell's broadcasts
    // and the session's end. Its messages are the icon's once it exists.
    messageWindow_ = CreateWindowExW(WS_EX_TOOLWINDOW, kTrayWindowClass, L"", WS_POPUP, 0, 0, 0,
                                     0, nullptr, nullptr, Application().InstanceHandle(), nullptr);
    SetWindowLongPtrW(messageWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    animationTimer_->SetEnabled(false);
    animationTimer_->SetOnTimer([this](TComponent*) { StepAnimation(); });
    animationTimer_->SetInterval(1000);
    retryTimer_->SetEnabled(false);
    retryTimer_->SetOnTimer([this](TComponent*) { RetryAdd(); });
    retryTimer_->SetInterval(kRetryInterval);

    useNewNotifyData_ = shell_.MajorVersion() >= 5;
    notifyData_.cbSize = useNewNotifyData_ ? NOTIFYICONDATAW_V2_SIZE : NOTIFYICONDATAW_V1_SIZE;
    notifyData_.hWnd = messageWindow_;
    notifyData_.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(this));
    notifyData_.uFlags = NIF_MESSAGE | NIF_ICON;
    notifyData_.uCallbackMessage = TrayCallbackMessage;
    notifyData_.hIcon = currentIcon_.Get();
    RegisterAppListeners();
    RefreshTrayIcon();
    // The icon enters the notification area once the owner's layout has been read.
    enabled_ = true;
}

TTrayIcon::~TTrayIcon() {
    RemoveFromTray();
    WithdrawAppListeners();
    SetWindowLongPtrW(messageWindow_, GWLP_USERDATA, 0);
    DestroyWindow(messageWindow_);
    WithdrawIconsLink();
}

// --- properties ------------------------------------------------------------------

bool TTrayIcon::Animate() const { return animationTimer_->Enabled(); }
void TTrayIcon::SetAnimate(bool animate) { animationTimer_->SetEnabled(animate); }
UINT TTrayIcon::Interval() const { return animationTimer_->Interval(); }
void TTrayIcon::SetInterval(UINT interval) { animationTimer_->SetInterval(interval); }

void TTrayIcon::SetEnabled(bool enabled) {
    // While the shell refuses the icon, Enabled reads false but the icon is still wanted:
    // switching it off ends the retries, switching it on tries at once.
    if (enabled == enabled_ && !forceAdd_ && !addPending_) return;
    enabled_ = enabled;
    if (Loading()) return;
    AddToTray();
}

void TTrayIcon::SetHint(const std::wstring& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    size_t length = std::min(hint.size(), useNewNotifyData_ ? kNewTipLength : kOldTipLength);
    // A character outside the basic plane is kept whole or not at all.
    if (length < hint.size() && length > 0 && IS_HIGH_SURROGATE(hint[length - 1])) --length;
    std::fill(std::begin(notifyData_.szTip), std::end(notifyData_.szTip), L'\0');
    std::copy_n(hint.begin(), length, notifyData_.szTip);
    if (hint.empty()) notifyData_.uFlags &= ~NIF_TIP;
    else notifyData_.uFlags |= NIF_TIP;
    RefreshTrayIcon();
}

bool TTrayIcon::ShowBalloonHint(const std::wstring& title, const std::wstring& text) {
    if (!useNewNotifyData_) return false;
    if (enabled_) return SendBalloon(title, text);
    keptBalloon_ = Balloon{title, text};
    return false;
}

bool TTrayIcon::SendBalloon(const std::wstring& title, const std::wstring& text) {
    NOTIFYICONDATAW balloon = notifyData_;
    balloon.uFlags = NIF_INFO;
    const size_t titleLength = std::min(title.size(), std::size(balloon.szInfoTitle) - 1);
    const size_t textLength = std::min(text.size(), std::size(balloon.szInfo) - 1);
    std::fill(std::begin(balloon.szInfoTitle), std::end(balloon.szInfoTitle), L'\0');
    std::fill(std::begin(balloon.szInfo), std::end(balloon.szInfo), L'\0');
    std::copy_n(title.begin(), titleLength, balloon.szInfoTitle);
    std::copy_n(text.begin(), textLength, balloon.szInfo);
    balloon.uTimeout = 10000;
    balloon.dwInfoFlags = NIIF_INFO;
    // Sent on its own: the icon's later updates must not bring the balloon back.
    return shell_.NotifyIcon(NIM_MODIFY, balloon) != FALSE;
}

void TTrayIcon::SetIconIndex(int index) {
    iconIndex_ = index;
    SetCurrentIcon(IconFor(index));
    RefreshTrayIcon();
}

win::TImageList* TTrayIcon::Icons() const { return iconsAlive_.expired() ? nullptr : icons_; }

void TTrayIcon::SetIcons(win::TImageList* icons) {
    WithdrawIconsLink();
    icons_ = icons;
    if (icons_) {
        auto token = std::make_shared<int>(0);
        iconsAlive_ = token;
        iconsLink_ = icons_->AddChangeLink([this, token] { SetIconIndex(iconIndex_); });
    }
    if (!Loading()) SetIconIndex(iconIndex_);
}

void TTrayIcon::WithdrawIconsLink() {
    if (win::TImageList* icons = Icons()) icons->RemoveChangeLink(iconsLink_);
    icons_ = nullptr;
    iconsAlive_.reset();
    iconsLink_ = 0;
}

// The record never holds the handle of an icon already destroyed.
void TTrayIcon::SetCurrentIcon(win::UniqueIcon icon) {
    currentIcon_ = std::move(icon);
    notifyData_.hIcon = currentIcon_.Get();
}

win::UniqueIcon TTrayIcon::IconFor(int index) const {
    win::TImageList* icons = Icons();
    if (icons && index >= 0 && index < icons->Count()) return icons->GetIcon(index);
    return win::UniqueIcon(CopyIcon(Application().Icon()));
}

// --- component -------------------------------------------------------------------

void TTrayIcon::Loaded() {
    TComponent::Loaded();
    SetCurrentIcon(IconFor(iconIndex_));
    if (enabled_) AddToTray();
    if (hideOnStartup_) {
        Application().SetShowMainForm(false);
        HideApplication();
    }
    RefreshTrayIcon();
}

void TTrayIcon::Notification(TComponent* component, win::TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != win::TOperation::opRemove) return;
    if (component == popupMenu_) popupMenu_ = nullptr;
    else if (component == icons_) SetIcons(nullptr);
}

bool TTrayIcon::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "PopupMenu") SetPopupMenu(FindSibling<win::TPopupMenu>(*this, value, "popup menu"));
    else if (name == "Icons") SetIcons(FindSibling<win::TImageList>(*this, value, "image list"));
    else if (name == "PopupMenuOn") SetPopupMenuOn(ClickFromName(win::ValueIdent(value)));
    else if (name == "RestoreOn") SetRestoreOn(ClickFromName(win::ValueIdent(value)));
    else if (name == "Hint") SetHint(win::Widen(win::ValueText(value)));
    else if (name == "IconIndex") SetIconIndex(win::ValueInt(value));
    else if (name == "Animate") SetAnimate(win::ValueBool(value));
    else if (name == "Interval") SetInterval(static_cast<UINT>(win::ValueInt(value)));
    else if (name == "Enabled") SetEnabled(win::ValueBool(value));
    else if (name == "HideOnMinimize") SetHideOnMinimize(win::ValueBool(value));
    else if (name == "HideOnStartup") SetHideOnStartup(win::ValueBool(value));
    else return TComponent::ReadProperty(name, value);
    return true;
}

bool TTrayIcon::AssignEvent(const std::string& event, TNotifyEvent handler) {
    static const std::map<std::string, TNotifyEvent TTrayIcon::*> kEvents{
        {"OnMinimizeApp", &TTrayIcon::OnMinimizeApp},
        {"OnRestoreApp", &TTrayIcon::OnRestoreApp},
        {"OnLButtonDown", &TTrayIcon::OnLButtonDown},
        {"OnLButtonUp", &TTrayIcon::OnLButtonUp},
        {"OnLButtonDblClick", &TTrayIcon::OnLButtonDblClick},
        {"OnRButtonDown", &TTrayIcon::OnRButtonDown},
        {"OnRButtonUp", &TTrayIcon::OnRButtonUp},
        {"OnRButtonDblClick", &TTrayIcon::OnRButtonDblClick},
        {"OnEndSession", &TTrayIcon::OnEndSession},
        {"OnBalloonHintHide", &TTrayIcon::OnBalloonHintHide},
        {"OnBalloonHintClose", &TTrayIcon::OnBalloonHintClose},
        {"OnBalloonHintClick", &TTrayIcon::OnBalloonHintClick}};
    auto it = kEvents.find(event);
    if (it == kEvents.end()) return TComponent::AssignEvent(event, std::move(handler));
    this->*(it->second) = std::move(handler);
    return true;
}

// --- the notification area -------------------------------------------------------

void TTrayIcon::AddToTray() {
    if (!enabled_) {
        RemoveFromTray();
        return;
    }
    if (shell_.NotifyIcon(NIM_ADD, notifyData_)) {
        StopRetrying();
        ShowKeptBalloon();
    } else {
        // The taskbar button stays while the icon is refused, so the program can
        // still be reached.
        enabled_ = false;
        StartRetrying();
    }
    RegisterAppListeners();
}

// The two minutes count from the first refusal; later refusals within them change nothing.
void TTrayIcon::StartRetrying() {
    if (addPending_) return;
    addPending_ = true;
    retryTicksLeft_ = kRetryTicks;
    retryTimer_->SetEnabled(true);
}

void TTrayIcon::StopRetrying() {
    addPending_ = false;
    retryTimer_->SetEnabled(false);
}

void TTrayIcon::RetryAdd() {
    // After the last tick only a new taskbar tries again.
    if (--retryTicksLeft_ <= 0) retryTimer_->SetEnabled(false);
    SetEnabled(true);
}

void TTrayIcon::ShowKeptBalloon() {
    if (!keptBalloon_) return;
    const Balloon balloon = std::move(*keptBalloon_);
    keptBalloon_.reset();
    SendBalloon(balloon.title, balloon.text);
}

void TTrayIcon::RefreshTrayIcon() {
    notifyData_.hIcon = currentIcon_.Get();
    shell_.NotifyIcon(NIM_MODIFY, notifyData_);
}

void TTrayIcon::RemoveFromTray() { shell_.NotifyIcon(NIM_DELETE, notifyData_); }

void TTrayIcon::RegisterAppListeners() {
    Application().OnMinimize = AppListener{this, false};
    Application().OnRestore = AppListener{this, true};
}

void TTrayIcon::WithdrawAppListeners() {
    auto& app = Application();
    if (auto* l = app.OnMinimize.target<AppListener>(); l && l->icon == this) app.OnMinimize = nullptr;
    if (auto* l = app.OnRestore.target<AppListener>(); l && l->icon == this) app.OnRestore = nullptr;
}

// --- minimise and restore --------------------------------------------------------

void TTrayIcon::HideApplication() { ShowWindow(Application().Handle(), SW_HIDE); }

void TTrayIcon::ShowApplication() {
    HWND app = Application().Handle();
    ShowWindow(app, SW_RESTORE);
    SetForegroundWindow(app);
    if (!Application().ShowMainForm()) {
        Application().SetShowMainForm(true);
        if (win::TCustomForm* form = Application().MainForm()) form->SetVisible(true);
    }
}

void TTrayIcon::MinimizeToTray() {
    Application().Minimize();
    if (enabled_ && hideOnMinimize_) HideApplication();
    MinimizeApp();
}

void TTrayIcon::RestoreFromTray() {
    // The menu's own loop is running; restoring under it would leave the menu behind.
    if (popupActive_) return;
    restoring_ = true;
    FlagReset reset(restoring_);
    // The application's restore notification comes back to the listener, which
    // ignores it while restoring_ is set.
    Application().Restore();
    if (enabled_) ShowApplication();
    RestoreApp();
}

void TTrayIcon::PopupTrayMenu() {
    if (!popupMenu_) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    // The menu closes when the user clicks elsewhere only if our window is in front.
    if (auto* form = dynamic_cast<win::TCustomForm*>(Owner())) SetForegroundWindow(form->Handle());
    popupActive_ = true;
    FlagReset reset(popupActive_);
    popupMenu_->Popup(cursor.x, cursor.y);
    // Lets the menu's window give up the foreground properly.
    PostMessageW(nullptr, WM_NULL, 0, 0);
}

void TTrayIcon::StepAnimation() {
    win::TImageList* icons = Icons();
    if (!icons) return;
    SetIconIndex(iconIndex_ < icons->Count() - 1 ? iconIndex_ + 1 : 0);
}

// --- the message window ----------------------------------------------------------

LRESULT CALLBACK TTrayIcon::WindowProcThunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TTrayIcon*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    try {
        return self->TrayWindowProc(msg, wParam, lParam);
    } catch (...) {
        Application().ShowCurrentException();
        return 0;
    }
}

LRESULT TTrayIcon::TrayWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_QUERYENDSESSION: return WMQueryEndSession();
    case WM_ENDSESSION: WMEndSession(wParam == 1); return 0;
    case TrayCallbackMessage: TrayCallback(lParam); return 0;
    }
    if (msg == taskbarCreatedMessage) {
        TaskbarCreated();
        return 0;
    }
    // The window's own messages (creation, its text, activation, ...) are the system's.
    return DefWindowProcW(messageWindow_, msg, wParam, lParam);
}

LRESULT TTrayIcon::WMQueryEndSession() {
    bool allowSessionToEnd = true;
    QueryEndSession(allowSessionToEnd);
    return allowSessionToEnd ? 1 : 0;
}

void TTrayIcon::WMEndSession(bool ending) {
    EndSession();
    if (ending) RemoveFromTray();
}

void TTrayIcon::TrayCallback(LPARAM notification) {
    switch (notification) {
    case WM_LBUTTONDOWN: LButtonDown(); break;
    case WM_LBUTTONUP: LButtonUp(); break;
    case WM_LBUTTONDBLCLK: LButtonDblClick(); break;
    case WM_RBUTTONDOWN: RButtonDown(); break;
    case WM_RBUTTONUP: RButtonUp(); break;
    case WM_RBUTTONDBLCLK: RButtonDblClick(); break;
    case NIN_BALLOONHIDE: Raise(OnBalloonHintHide, this); break;
    case NIN_BALLOONTIMEOUT: Raise(OnBalloonHintClose, this); break;
    case NIN_BALLOONUSERCLICK: Raise(OnBalloonHintClick, this); break;
    }
}

void TTrayIcon::TaskbarCreated() {
    if (!enabled_ && !addPending_) return;
    // The new taskbar has none of our icon: add it although Enabled is already set.
    forceAdd_ = true;
    FlagReset reset(forceAdd_);
    try {
        SetEnabled(true);
    } catch (const std::exception&) {
        // The icon stays away until the next taskbar or retry; nothing to tell the user.
    }
}

// --- handlers a descendant may replace --------------------------------------------

void TTrayIcon::QueryEndSession(bool& allowSessionToEnd) {
    if (OnQueryEndSession) OnQueryEndSession(this, allowSessionToEnd);
}
void TTrayIcon::EndSession() { Raise(OnEndSession, this); }
void TTrayIcon::MinimizeApp() { Raise(OnMinimizeApp, this); }
void TTrayIcon::RestoreApp() { Raise(OnRestoreApp, this); }

void TTrayIcon::Click(TTrayIconClicks click, const TNotifyEvent& event) {
    if (restoreOn_ == click) RestoreFromTray();
    if (popupMenuOn_ == click) PopupTrayMenu();
    Raise(event, this);
}

void TTrayIcon::LButtonDown() { Click(TTrayIconClicks::ticLeftClick, OnLButtonDown); }
void TTrayIcon::LButtonUp() { Click(TTrayIconClicks::ticLeftClickUp, OnLButtonUp); }
void TTrayIcon::LButtonDblClick() { Click(TTrayIconClicks::ticLeftDblClick, OnLButtonDblClick); }
void TTrayIcon::RButtonDown() { Click(TTrayIconClicks::ticRightClick, OnRButtonDown); }
void TTrayIcon::RButtonUp() { Click(TTrayIconClicks::ticRightClickUp, OnRButtonUp); }
void TTrayIcon::RButtonDblClick() { Click(TTrayIconClicks::ticRightDblClick, OnRButtonDblClick); }

void RegisterTrayClasses() { win::RegisterComponentClass<TTrayIcon>(); }

}  // namespace kelo::tray
