#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Graphics.h"

namespace kelo::win {

class TMenu;
class TMenuItem;

// Sent to a form after its main menu got a new menu handle.
inline constexpr UINT CM_MENUCHANGED = 0xB031;

using TMenuDrawItemEvent =
    std::function<void(TMenuItem* sender, TCanvas& canvas, const RECT& rect, UINT state)>;
using TMenuMeasureItemEvent =
    std::function<void(TMenuItem* sender, TCanvas& canvas, int& width, int& height)>;

// One menu item: caption ("-" is a separator), check mark, enabled state, tag, click
// and owner-draw events, and the items of its submenu.
class TMenuItem : public TComponent {
    KELO_CLASS(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::wstring& Caption() const { return caption_; }
    void SetCaption(std::wstring caption);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool IsLine() const { return caption_ == L"-"; }

    TMenuItem* Parent() const { return parent_; }
    TMenu* Menu() const;
    const std::vector<TMenuItem*>& Items() const { return items_; }
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    UINT Command() const { return command_; }
    // The menu handle the item stands in (its parent's submenu or the menu bar).
    HMENU ParentHandle() const;
    HMENU SubmenuHandle() const { return submenu_; }

    TNotifyEvent OnClick;
    TMenuDrawItemEvent OnDrawItem;
    TMenuMeasureItemEvent OnMeasureItem;

    virtual void Click();

    static TMenuItem* FromCommand(UINT command);
    // WM_DRAWITEM and WM_MEASUREITEM of owner-drawn menu items, for whichever window
    // received them. False when the message is not about a menu item of the program.
    static bool HandleOwnerDrawMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result);

    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;

private:
    friend class TMenu;
    friend class TMainMenu;
    void AppendTo(HMENU menu, bool ownerDraw);
    void DestroyHandles();
    void Changed();

    std::wstring caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;  // for the root item of a menu
    std::vector<TMenuItem*> items_;
    UINT command_;
    HMENU submenu_ = nullptr;
};

// A menu: a root item whose items are the menu's entries, and the menu handle built
// from them. OwnerDraw makes every item owner-drawn; hot keys are never added.
class TMenu : public TComponent {
    KELO_CLASS(TMenu, TComponent)
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    TMenuItem* Items() { return &items_; }
    HMENU Handle();
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool ownerDraw);
    // Makes the menu handle again after a change of an item.
    virtual void Rebuild();

    bool ReadProperty(const std::string& name, const FormValue& value) override;

protected:
    virtual HMENU CreateMenuHandle() = 0;
    HMENU handle_ = nullptr;

private:
    TMenuItem items_;
    bool ownerDraw_ = false;
};

class TMainMenu : public TMenu {
    KELO_CLASS(TMainMenu, TMenu)
public:
    using TMenu::TMenu;
    void Rebuild() override;

protected:
    HMENU CreateMenuHandle() override { return CreateMenu(); }
};

class TPopupMenu : public TMenu {
    KELO_CLASS(TPopupMenu, TMenu)
public:
    using TMenu::TMenu;
    // Shows the menu at a screen position; returns when it has closed.
    virtual void Popup(int x, int y);
    TNotifyEvent OnPopup;
    // The window that receives the menu's messages while it is open.
    static HWND PopupListWindow();

protected:
    HMENU CreateMenuHandle() override { return CreatePopupMenu(); }
};

// The answer to WM_MENUCHAR for a menu of owner-drawn items: the first enabled item whose
// caption's access key is the typed letter is chosen; 0 when none has it.
LRESULT MenuCharAnswer(WPARAM wParam, LPARAM lParam);

}  // namespace kelo::win
