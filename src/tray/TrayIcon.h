#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "framework/Component.h"
#include "framework/Graphics.h"

namespace kelo::win {
class TImageList;
class TPopupMenu;
class TTimer;
}  // namespace kelo::win

namespace kelo::tray {

using win::TComponent;
using win::TNotifyEvent;

enum class TTrayIconClicks {
    ticNone,
    ticLeftClick,
    ticLeftDblClick,
    ticLeftClickUp,
    ticRightClick,
    ticRightDblClick,
    ticRightClickUp
};

using TQueryEndSessionEvent = std::function<void(TComponent* sender, bool& allowSessionToEnd)>;

// The shell's notification area as the tray icon reaches it: Shell_NotifyIconW and the
// major version of the shell library. Replaceable, so the records can be checked
// without a shell.
class TrayShell {
public:
    virtual ~TrayShell() = default;
    virtual BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW& data) = 0;
    virtual int MajorVersion() = 0;
};

// The real shell.
TrayShell& SystemTrayShell();
// The shell that tray icons constructed from now on use; returns the previous one.
TrayShell* SetTrayShell(TrayShell* shell);

// The callback message of the icon's notifications to its message window.
constexpr UINT TrayCallbackMessage = 0x2422;
// The class of the icon's message window.
inline constexpr wchar_t kTrayWindowClass[] = L"TTrayIconWindow";

// The program's icon in the taskbar's notification area: clicks on it restore the
// program or open a popup menu, minimising hides the taskbar button, an image list
// animates it, and it comes back when the taskbar is recreated. A program started at
// log-on may find no notification area yet: a refused icon is tried again every few
// seconds for two minutes and whenever a taskbar appears.
class TTrayIcon : public TComponent {
    KELO_CLASS(TTrayIcon, TComponent)
public:
    explicit TTrayIcon(TComponent* owner);
    ~TTrayIcon() override;

    virtual bool Animate() const;
    virtual void SetAnimate(bool animate);
    // True while the icon is in the notification area (or, before loading, is to go there);
    // false once switched off or while the shell refuses it.
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    const std::wstring& Hint() const { return hint_; }
    virtual void SetHint(const std::wstring& hint);
    virtual UINT Interval() const;
    virtual void SetInterval(UINT interval);
    int IconIndex() const { return iconIndex_; }
    virtual void SetIconIndex(int index);
    win::TImageList* Icons() const;
    virtual void SetIcons(win::TImageList* icons);

    bool HideOnMinimize() const { return hideOnMinimize_; }
    void SetHideOnMinimize(bool hide) { hideOnMinimize_ = hide; }
    bool HideOnStartup() const { return hideOnStartup_; }
    void SetHideOnStartup(bool hide) { hideOnStartup_ = hide; }
    win::TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(win::TPopupMenu* menu) { popupMenu_ = menu; }
    TTrayIconClicks RestoreOn() const { return restoreOn_; }
    void SetRestoreOn(TTrayIconClicks click) { restoreOn_ = click; }
    TTrayIconClicks PopupMenuOn() const { return popupMenuOn_; }
    void SetPopupMenuOn(TTrayIconClicks click) { popupMenuOn_ = click; }

    // The hidden window that receives the icon's callbacks and the system's broadcasts.
    HWND MessageWindow() const { return messageWindow_; }

    // A balloon tip from the icon with an information sign (shells of version 5 and later;
    // false where there are none). While the icon is not in the tray the balloon is kept,
    // the last one asked for, and shown once the icon gets there; false then as well.
    bool ShowBalloonHint(const std::wstring& title, const std::wstring& text);

    TNotifyEvent OnMinimizeApp;
    TNotifyEvent OnRestoreApp;
    TNotifyEvent OnLButtonDown;
    TNotifyEvent OnLButtonUp;
    TNotifyEvent OnLButtonDblClick;
    TNotifyEvent OnRButtonDown;
    TNotifyEvent OnRButtonUp;
    TNotifyEvent OnRButtonDblClick;
    TQueryEndSessionEvent OnQueryEndSession;
    TNotifyEvent OnEndSession;
    TNotifyEvent OnBalloonHintHide;
    TNotifyEvent OnBalloonHintClose;
    TNotifyEvent OnBalloonHintClick;

    void Loaded() override;
    void Notification(TComponent* component, win::TOperation operation) override;
    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;

protected:
    virtual void QueryEndSession(bool& allowSessionToEnd);
    virtual void EndSession();
    virtual void LButtonDown();
    virtual void LButtonUp();
    virtual void LButtonDblClick();
    virtual void RButtonDown();
    virtual void RButtonUp();
    virtual void RButtonDblClick();
    virtual void MinimizeApp();
    virtual void RestoreApp();

    void StepAnimation();
    win::TTimer& AnimationTimer() { return *animationTimer_; }
    // Ticks while a refused icon is being tried again.
    win::TTimer& RetryTimer() { return *retryTimer_; }

private:
    struct AppListener;
    static LRESULT CALLBACK WindowProcThunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT TrayWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT WMQueryEndSession();
    void WMEndSession(bool ending);
    void TrayCallback(LPARAM notification);
    void TaskbarCreated();
    void Click(TTrayIconClicks click, const TNotifyEvent& event);

    void AddToTray();
    void StartRetrying();
    void StopRetrying();
    void RetryAdd();
    bool SendBalloon(const std::wstring& title, const std::wstring& text);
    void ShowKeptBalloon();
    void RefreshTrayIcon();
    void RemoveFromTray();
    void HideApplication();
    void ShowApplication();
    void MinimizeToTray();
    void RestoreFromTray();
    void PopupTrayMenu();
    void RegisterAppListeners();
    void WithdrawAppListeners();
    void WithdrawIconsLink();
    // A copy of image index of Icons, or of the program's icon when there is none.
    win::UniqueIcon IconFor(int index) const;
    void SetCurrentIcon(win::UniqueIcon icon);

    TrayShell& shell_;
    NOTIFYICONDATAW notifyData_{};
    bool useNewNotifyData_ = false;
    win::UniqueIcon currentIcon_;
    std::unique_ptr<win::TTimer> animationTimer_;
    std::unique_ptr<win::TTimer> retryTimer_;
    HWND messageWindow_ = nullptr;

    bool enabled_ = false;
    std::wstring hint_;
    int iconIndex_ = 0;
    win::TImageList* icons_ = nullptr;
    // The change link with Icons; the token lives in the list's link and dies with the
    // list, so an expired watch means the list is gone.
    int iconsLink_ = 0;
    std::weak_ptr<void> iconsAlive_;
    win::TPopupMenu* popupMenu_ = nullptr;
    TTrayIconClicks restoreOn_ = TTrayIconClicks::ticLeftDblClick;
    TTrayIconClicks popupMenuOn_ = TTrayIconClicks::ticRightClickUp;
    bool hideOnMinimize_ = true;
    bool hideOnStartup_ = false;

    // The icon is wanted but the shell has refused it; tried again on the retry timer's
    // ticks that are left and at every new taskbar.
    bool addPending_ = false;
    int retryTicksLeft_ = 0;
    struct Balloon {
        std::wstring title;
        std::wstring text;
    };
    std::optional<Balloon> keptBalloon_;

    bool forceAdd_ = false;
    bool popupActive_ = false;
    bool restoring_ = false;
};

// Makes TTrayIcon known to form descriptions.
void RegisterTrayClasses();

}  // namespace kelo::tray
