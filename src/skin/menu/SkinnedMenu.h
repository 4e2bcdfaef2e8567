#pragma once
// Skinned menus: the menu bar a skinned window draws in its non-client area and whose
// drop-downs it tracks itself, the frame of every popup-menu window of the program, and
// the item painter that draws menu items from the skin's MenuItem element.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Handle.h"
#include "skin/frame/SkinNCObject.h"

namespace kelo::win {
class TMainMenu;
class TMenuItem;
class TPopupMenu;
}  // namespace kelo::win

namespace kelo::skin {

class TSkinSource;

// One top-level item of the skinned menu bar.
class TMenuBarButton : public TNCObject {
public:
    TMenuBarButton(NCHost& host, class TSkinnedMenuBar& bar);
    int index = 0;
    std::wstring caption;  // at most 80 characters
    bool enabled = true;
    HMENU submenu = nullptr;  // none for a plain command
    UINT command = 0;
    void Draw() override;

private:
    class TSkinnedMenuBar& bar_;
};

class TSkinnedMenuBar {
public:
    TSkinnedMenuBar(NCHost& host, const TSkinSource& source, win::TMainMenu* menu, bool rightToLeft);
    // Gives the window its menu back when that has not happened yet.
    ~TSkinnedMenuBar();
    TSkinnedMenuBar(const TSkinnedMenuBar&) = delete;
    TSkinnedMenuBar& operator=(const TSkinnedMenuBar&) = delete;

    // Reads the top-level items of the window's menu, then takes the menu away from the
    // window (SetMenu none) so that the system draws no menu bar. Called again when the
    // window got a new menu (MenuUpdate).
    void BuildItems();
    // The window gets its menu back and every item made owner-drawn for tracking gets
    // its previous type back.
    void GiveMenuBack();
    // The window is being destroyed: it gets nothing back (a menu given to a dying window
    // would be destroyed with it), but the items get their previous type back.
    void WindowDestroyed();
    HMENU MenuHandle() const { return menu_; }

    // Draws the bar into `barRect` (window coordinates) on the window's device context.
    void Draw(HDC windowDC, const RECT& barRect, bool active);
    TMenuBarButton* HitTest(POINT windowPoint);
    const std::vector<std::unique_ptr<TMenuBarButton>>& Buttons() const { return buttons_; }

    // Opens an item: posts WM_COMMAND for a plain item, tracks the submenu at the item's
    // bottom-left corner otherwise (returns when tracking ends; the window may be gone).
    void OpenItem(TMenuBarButton& button);
    // Keyboard access: the item whose caption has this accelerator, or the first item.
    bool OpenByAccelerator(wchar_t letter);
    void OpenFirst();
    bool Tracking() const { return tracking_; }

    // WM_DRAWITEM and WM_MEASUREITEM of the tracked drop-down items; false when the
    // message is about another menu.
    bool HandleOwnerDraw(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // WM_MENUSELECT of the window: where the selection is decides whether the arrow keys
    // move to the neighbouring bar item; the final one of a closing menu ends tracking.
    void HandleMenuSelect(WPARAM wParam, LPARAM lParam);

    // Redraws one item from the kept background (press, hover, leave).
    void DrawButton(TMenuBarButton& button);

private:
    struct Impl;
    NCHost& host_;
    const TSkinSource& source_;
    win::TMainMenu* mainMenu_;
    bool rightToLeft_;
    HMENU menu_ = nullptr;  // the window's menu, kept to give it back
    bool menuTaken_ = false;
    std::vector<std::unique_ptr<TMenuBarButton>> buttons_;
    RECT barRect_{};
    win::Bitmap background_;  // the drawn bar without items, for single-item redraws
    bool tracking_ = false;
    std::unique_ptr<Impl> impl_;
};

// The skin of one popup-menu window ("#32768"): its frame from the MenuBackground element.
class TSkinnedPopupMenu {
public:
    TSkinnedPopupMenu(HWND window, const TSkinSource& source, bool openedWhileTracking);
    ~TSkinnedPopupMenu();
    TSkinnedPopupMenu(const TSkinnedPopupMenu&) = delete;
    TSkinnedPopupMenu& operator=(const TSkinnedPopupMenu&) = delete;
    HWND Window() const { return window_; }

    // The live popup skin that shows this menu, if any (items copy their background
    // from it).
    static TSkinnedPopupMenu* ForMenu(HMENU menu);
    // Copies the drawn background under an item (client coordinates of the popup) to
    // (0, 0) of `target`; false while there is none.
    bool CopyBackground(HDC target, const RECT& itemRect) const;

    // Told after the window's WM_NCDESTROY was passed on and the hook removed; the owner
    // may free this object from here.
    std::function<void(HWND)> OnDestroyed;

private:
    struct Impl;
    HWND window_;
    std::unique_ptr<Impl> impl_;
};

// The skin draws the items of a framework popup menu (the tray menu): items that have no
// draw handler yet get the skin's; Release takes back only the handlers it installed.
class SkinMenuItemHandlers {
public:
    SkinMenuItemHandlers(const TSkinSource& source, win::TPopupMenu& menu);
    ~SkinMenuItemHandlers();
    SkinMenuItemHandlers(const SkinMenuItemHandlers&) = delete;
    SkinMenuItemHandlers& operator=(const SkinMenuItemHandlers&) = delete;

private:
    // With the item's command: an item freed before this object is no longer found
    // under it and is left alone.
    std::vector<std::pair<win::TMenuItem*, UINT>> claimed_;
};

}  // namespace kelo::skin
