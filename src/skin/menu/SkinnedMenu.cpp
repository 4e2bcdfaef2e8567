#include "skin/menu/SkinnedMenu.h"

#include <algorithm>

#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/Subclass.h"
#include "skin/data/SkinData.h"
#include "skin/frame/SkinFrameRules.h"
#include "skin/SkinManager.h"
#include "skin/menu/SkinMenuItemPainter.h"
#include "skin/data/SkinPainter.h"
#include "skin/SkinSource.h"

namespace kelo::skin {

namespace {

constexpr int kMaxCaption = 80;
constexpr UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU
constexpr UINT kMenuClosed = 0xFFFF;     // WM_MENUSELECT flags of a menu that closed

// The items made owner-drawn for tracking, with what they were before.
struct OwnerDrawnItem {
    HMENU menu;
    int position;
    UINT previousType;
    UINT id;
    ULONG_PTR data;
};

struct NativeItem {
    UINT type = 0;
    UINT state = 0;
    std::wstring text;
};

NativeItem ReadNativeItem(HMENU menu, int position) {
    wchar_t text[256] = {};
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    mii.dwTypeData = text;
    mii.cch = static_cast<UINT>(std::size(text));
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &mii)) return {};
    return {mii.fType, mii.fState, text};
}

// Native items are drawn like framework ones: an empty text is a separator.
MenuItemLook LookOfNative(const NativeItem& item, HMENU menu, bool rightToLeft) {
    MenuItemLook look;
    look.caption = item.text.empty() || (item.type & MFT_SEPARATOR) ? L"-" : item.text;
    look.enabled = (item.state & (MF_GRAYED | MF_DISABLED)) == 0;
    look.checked = (item.state & MFS_CHECKED) != 0;
    look.isDefault = (item.state & MFS_DEFAULT) != 0;
    look.rightToLeft = rightToLeft || (item.type & MFT_RIGHTORDER) != 0;
    look.menu = menu;
    return look;
}

void RestoreTypes(std::vector<OwnerDrawnItem>& items) {
    for (const OwnerDrawnItem& item : items) {
        if (!IsMenu(item.menu)) continue;
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_ID;
        // The menu may have changed since: only the item that is still there.
        if (!GetMenuItemInfoW(item.menu, static_cast<UINT>(item.position), TRUE, &mii) || mii.wID != item.id) continue;
        mii.fMask = MIIM_FTYPE;
        mii.fType = item.previousType;
        SetMenuItemInfoW(item.menu, static_cast<UINT>(item.position), TRUE, &mii);
    }
    items.clear();
}

// Every item of the menu and its submenus becomes owner-drawn; the text stays, so the
// painter and the access keys still find it.
void MakeOwnerDrawn(HMENU menu, std::vector<OwnerDrawnItem>& done, int depth = 0) {
    if (!menu || depth > 16) return;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii)) continue;
        const bool known = std::any_of(done.begin(), done.end(), [&](const OwnerDrawnItem& d) {
            return d.menu == menu && d.position == i && d.id == mii.wID;
        });
        if (!known) done.push_back({menu, i, mii.fType, mii.wID, mii.dwItemData});
        if (!(mii.fType & MFT_OWNERDRAW)) {
            MENUITEMINFOW type{};
            type.cbSize = sizeof type;
            type.fMask = MIIM_FTYPE;
            type.fType = mii.fType | MFT_OWNERDRAW;
            SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &type);
        }
        MakeOwnerDrawn(mii.hSubMenu, done, depth + 1);
    }
}

// Visible popup-menu windows of this thread and the menus they show.
struct PopupWindows {
    HWND windows[16] = {};
    int count = 0;
};

BOOL CALLBACK CollectPopup(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<PopupWindows*>(param);
    wchar_t name[16] = {};
    if (IsWindowVisible(window) && GetClassNameW(window, name, 16) && lstrcmpW(name, L"#32768") == 0 &&
        found->count < static_cast<int>(std::size(found->windows)))
        found->windows[found->count++] = window;
    return TRUE;
}

// The popup window showing `menu`, else any visible one of the thread.
HWND PopupWindowOf(HMENU menu) {
    PopupWindows found;
    EnumThreadWindows(GetCurrentThreadId(), &CollectPopup, reinterpret_cast<LPARAM>(&found));
    for (int i = 0; i < found.count; ++i)
        if (reinterpret_cast<HMENU>(SendMessageW(found.windows[i], kGetMenuHandle, 0, 0)) == menu)
            return found.windows[i];
    return found.count > 0 ? found.windows[0] : nullptr;
}

// The bar that is tracking a drop-down: the thread's message filter works for it. One menu
// loop runs at a time on the thread.
TSkinnedMenuBar* g_trackingBar = nullptr;

class MessageFilterHook {
public:
    explicit MessageFilterHook(HOOKPROC proc)
        : hook_(SetWindowsHookExW(WH_MSGFILTER, proc, nullptr, GetCurrentThreadId())) {}
    ~MessageFilterHook() {
        if (hook_) UnhookWindowsHookEx(hook_);
    }
    MessageFilterHook(const MessageFilterHook&) = delete;
    MessageFilterHook& operator=(const MessageFilterHook&) = delete;

private:
    HHOOK hook_;
};

// The manager's popup-tracking flag and the filter's bar for the length of one menu loop;
// both are cleared even when the bar is gone by then.
class TrackingScope {
public:
    explicit TrackingScope(TSkinnedMenuBar& bar) {
        g_trackingBar = &bar;
        if (TSkinManager* manager = TSkinManager::Instance()) manager->SetPopupTracking(true);
    }
    ~TrackingScope() {
        g_trackingBar = nullptr;
        if (TSkinManager* manager = TSkinManager::Instance()) manager->SetPopupTracking(false);
    }
    TrackingScope(const TrackingScope&) = delete;
    TrackingScope& operator=(const TrackingScope&) = delete;
};

}  // namespace

// ---- the bar's private state ------------------------------------------------------------

struct TSkinnedMenuBar::Impl {
    Impl(TSkinnedMenuBar& owner, HWND w) : bar(owner), window(w) {}

    TSkinnedMenuBar& bar;
    HWND window;
    // Cleared when the bar goes: code after a menu loop checks it before touching the bar.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    std::vector<OwnerDrawnItem> ownerDrawn;
    unsigned generation = 0;  // counts rebuilds of the items

    // The menu loop under way.
    int current = -1;
    int switchTo = -1;
    HMENU trackedMenu = nullptr;
    bool firstMessage = false;
    // Where the mouse was when the menu opened: opening a menu makes the system report a
    // move where nothing moved, and that must not switch back to the item under it.
    POINT mouseAtOpen{};
    bool selectionKnown = false;
    HMENU selectedMenu = nullptr;
    bool selectedHasSubmenu = false;

    static LRESULT CALLBACK FilterProc(int code, WPARAM wParam, LPARAM lParam);
    bool Filter(MSG& msg);
    bool FilterKey(MSG& msg);
    bool FilterMouse(const MSG& msg);
    bool CanSwitchTo(const TMenuBarButton& button) const;
    bool SwitchBy(int step);
    void SwitchTo(int index);
    TMenuBarButton* ButtonAt(POINT screen) const;
    const OwnerDrawnItem* FindOwnerDrawn(UINT id, ULONG_PTR data, HMENU menu) const;

    void PaintBackground(HDC dc, int width, int height, bool active) const;
    void PaintButton(HDC dc, const TMenuBarButton& button, POINT origin, HFONT font) const;
};

LRESULT CALLBACK TSkinnedMenuBar::Impl::FilterProc(int code, WPARAM wParam, LPARAM lParam) {
    TSkinnedMenuBar* bar = g_trackingBar;
    if (code == MSGF_MENU && bar && lParam && bar->impl_->Filter(*reinterpret_cast<MSG*>(lParam))) return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool TSkinnedMenuBar::Impl::Filter(MSG& msg) {
    if (firstMessage) {
        firstMessage = false;
        // Selects the first item, as opening a menu-bar menu does.
        HWND popup = PopupWindowOf(trackedMenu);
        PostMessageW(popup ? popup : msg.hwnd, WM_KEYDOWN, VK_DOWN, 0);
    }
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return FilterKey(msg);
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDBLCLK: return FilterMouse(msg);
    default: return false;
    }
}

bool TSkinnedMenuBar::Impl::FilterKey(MSG& msg) {
    if (bar.rightToLeft_ && (msg.wParam == VK_LEFT || msg.wParam == VK_RIGHT))
        msg.wParam = msg.wParam == VK_LEFT ? VK_RIGHT : VK_LEFT;
    switch (msg.wParam) {
    case VK_MENU:
        EndMenu();
        return true;
    case VK_RETURN:
    case VK_ESCAPE: switchTo = -1; return false;
    case VK_LEFT:
        // Inside a deeper submenu the key closes that one first.
        if (selectionKnown && selectedMenu != trackedMenu) return false;
        return SwitchBy(-1);
    case VK_RIGHT:
        // A selected submenu item opens its submenu instead.
        if (selectionKnown && selectedHasSubmenu) return false;
        return SwitchBy(1);
    default: return false;
    }
}

bool TSkinnedMenuBar::Impl::FilterMouse(const MSG& msg) {
    TMenuBarButton* target = ButtonAt(msg.pt);
    if (!target) return false;
    const bool press = msg.message != WM_MOUSEMOVE && msg.message != WM_NCMOUSEMOVE;
    if (!press && msg.pt.x == mouseAtOpen.x && msg.pt.y == mouseAtOpen.y) return false;
    if (target->index == current) {
        if (!press) return false;
        // A click on the open item closes its menu and must not open it again.
        switchTo = -1;
        EndMenu();
        return true;
    }
    if (!CanSwitchTo(*target)) return false;
    SwitchTo(target->index);
    return true;
}

bool TSkinnedMenuBar::Impl::CanSwitchTo(const TMenuBarButton& button) const {
    // Items without a drop-down would run their command just by being passed over.
    return button.visible && button.enabled && button.submenu && !button.caption.empty();
}

bool TSkinnedMenuBar::Impl::SwitchBy(int step) {
    const int count = static_cast<int>(bar.buttons_.size());
    if (count == 0 || current < 0) return false;
    for (int i = 1; i < count; ++i) {
        const int index = ((current + step * i) % count + count) % count;
        if (CanSwitchTo(*bar.buttons_[static_cast<size_t>(index)])) {
            SwitchTo(index);
            return true;
        }
    }
    return false;
}

void TSkinnedMenuBar::Impl::SwitchTo(int index) {
    // The next item is opened once this menu loop has ended (OpenItem posts the press).
    switchTo = index;
    EndMenu();
}

TMenuBarButton* TSkinnedMenuBar::Impl::ButtonAt(POINT screen) const {
    if (WindowFromPoint(screen) != window) return nullptr;
    RECT wr;
    if (!GetWindowRect(window, &wr)) return nullptr;
    return bar.HitTest({screen.x - wr.left, screen.y - wr.top});
}

const OwnerDrawnItem* TSkinnedMenuBar::Impl::FindOwnerDrawn(UINT id, ULONG_PTR data, HMENU menu) const {
    for (const OwnerDrawnItem& item : ownerDrawn)
        if (item.id == id && item.data == data && (!menu || item.menu == menu) && IsMenu(item.menu)) return &item;
    return nullptr;
}

void TSkinnedMenuBar::Impl::PaintBackground(HDC dc, int width, int height, bool active) const {
    const SkinData* skin = bar.source_.Skin();
    const TSkinElement* element = skin ? skin->menuBar.get() : nullptr;
    const HBITMAP image = element ? ImageBitmap(element->image) : nullptr;
    const COLORREF plain = win::ColorToRGB(skin ? skin->colours.menubar : clBtnFace);
    if (!image) {
        FillSolid(dc, {0, 0, width, height}, plain);
        return;
    }
    // Two frames stacked: the active bar above the inactive one.
    const int frames = SafeFrameCount(element->frameCount);
    const int frame = active ? 1 : std::min(2, frames);
    if (element->tile == 1) {
        const ImagePaint paint{&element->image, element->leftWidth, 0, element->rightWidth, 0, false, false};
        DrawSkinImage(dc, {0, 0, width, height}, paint, frames, frame, FrameLayout::Stacked);
        return;
    }
    const GridRect from = SourceFrame(element->image.Width(), element->image.Height(), frames, frame, true);
    int left = std::clamp(element->leftWidth, 0, from.width);
    int right = std::clamp(element->rightWidth, 0, from.width - left);
    if (width < left + right) left = right = 0;
    const int middle = from.width - left - right;
    FillSolid(dc, {0, 0, width, height}, plain);
    const BitmapDC source(dc, image);
    const win::SavedDC saved(dc);
    SetStretchBltMode(dc, COLORONCOLOR);
    // Fixed ends, the middle repeated between them; every piece takes the bar's height.
    for (int x = left; middle > 0 && x < width - right; x += middle) {
        const int piece = std::min(middle, width - right - x);
        StretchBlt(dc, x, 0, piece, height, source.Get(), from.x + left, from.y, piece, from.height, SRCCOPY);
    }
    if (left > 0) StretchBlt(dc, 0, 0, left, height, source.Get(), from.x, from.y, left, from.height, SRCCOPY);
    if (right > 0)
        StretchBlt(dc, width - right, 0, right, height, source.Get(), from.x + from.width - right, from.y, right,
                   from.height, SRCCOPY);
}

void TSkinnedMenuBar::Impl::PaintButton(HDC dc, const TMenuBarButton& button, POINT origin, HFONT font) const {
    RECT r = button.rect;
    OffsetRect(&r, -origin.x, -origin.y);
    if (r.right <= r.left || r.bottom <= r.top) return;
    const SkinData* skin = bar.source_.Skin();
    const SkinColourSet colours = skin ? skin->colours : SkinColourSet{};
    if (button.state == TNCObject::kPressed || button.state == TNCObject::kHot) {
        const win::Brush frame(CreateSolidBrush(win::ColorToRGB(colours.buttonHilight)));
        FrameRect(dc, &r, frame.Get());
    }
    const win::SavedDC saved(dc);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, win::ColorToRGB(button.enabled ? colours.menuBarText : colours.buttonShadow));
    DrawTextW(dc, button.caption.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// ---- TMenuBarButton ---------------------------------------------------------------------

TMenuBarButton::TMenuBarButton(NCHost& host, TSkinnedMenuBar& bar) : TNCObject(host), bar_(bar) {}

void TMenuBarButton::Draw() { bar_.DrawButton(*this); }

// ---- TSkinnedMenuBar --------------------------------------------------------------------

TSkinnedMenuBar::TSkinnedMenuBar(NCHost& host, const TSkinSource& source, win::TMainMenu* menu, bool rightToLeft)
    : host_(host),
      source_(source),
      mainMenu_(menu),
      rightToLeft_(rightToLeft),
      impl_(std::make_unique<Impl>(*this, host.Window())) {}

TSkinnedMenuBar::~TSkinnedMenuBar() {
    *impl_->alive = false;
    if (g_trackingBar == this) g_trackingBar = nullptr;
    GiveMenuBack();
}

void TSkinnedMenuBar::BuildItems() {
    const HWND window = impl_->window;
    const HMENU current = GetMenu(window);
    if (current && current != menu_) {
        // A new menu from the framework: the old one is usually destroyed already.
        RestoreTypes(impl_->ownerDrawn);
        menu_ = current;
    }
    const HMENU source = menu_ && IsMenu(menu_) ? menu_ : nullptr;

    if (TNCObject* hot = host_.HotObject())
        for (const auto& button : buttons_)
            if (button.get() == hot) host_.SetHotObject(nullptr);
    buttons_.clear();
    ++impl_->generation;
    if (!source) return;

    std::vector<win::TMenuItem*> framework;
    if (mainMenu_)
        for (win::TMenuItem* item : mainMenu_->Items()->Items())
            if (item->Visible()) framework.push_back(item);  // the menu holds the visible ones only

    const int count = GetMenuItemCount(source);
    for (int i = 0; i < count; ++i) {
        wchar_t text[kMaxCaption + 1] = {};
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = kMaxCaption + 1;
        if (!GetMenuItemInfoW(source, static_cast<UINT>(i), TRUE, &mii)) continue;
        auto button = std::make_unique<TMenuBarButton>(host_, *this);
        button->index = static_cast<int>(buttons_.size());
        button->caption = text;
        button->enabled = (mii.fState & (MF_GRAYED | MF_DISABLED)) == 0;
        button->submenu = mii.hSubMenu;
        button->command = mii.wID;
        if (button->caption.empty() && static_cast<size_t>(i) < framework.size()) {
            // Owner-drawn items keep their text only in the framework.
            const win::TMenuItem* item = framework[static_cast<size_t>(i)];
            button->caption = item->Caption().substr(0, kMaxCaption);
            button->enabled = item->Enabled();
            button->command = item->Command();
            button->submenu = item->SubmenuHandle();
        }
        buttons_.push_back(std::move(button));
    }
    if (current) SetMenu(window, nullptr);  // the system draws no menu bar
    menuTaken_ = true;
}

void TSkinnedMenuBar::GiveMenuBack() {
    RestoreTypes(impl_->ownerDrawn);
    if (!menuTaken_) return;
    menuTaken_ = false;
    const HWND window = impl_->window;
    // A window that got a newer menu meanwhile keeps that one.
    if (menu_ && IsMenu(menu_) && IsWindow(window) && !GetMenu(window)) SetMenu(window, menu_);
}

void TSkinnedMenuBar::WindowDestroyed() {
    RestoreTypes(impl_->ownerDrawn);
    menuTaken_ = false;
}

void TSkinnedMenuBar::Draw(HDC windowDC, const RECT& barRect, bool active) {
    try {
        const int width = barRect.right - barRect.left, height = barRect.bottom - barRect.top;
        barRect_ = barRect;
        if (width <= 0 || height <= 0) {
            background_.Reset();
            return;
        }
        // Made in place: a wrapper moved into another would be counted twice.
        background_ = win::CreateTopDownDib(width, height);
        const Offscreen bar(width, height);
        if (!background_ || !bar) return;
        {
            const BitmapDC dc(windowDC, background_.Get());
            impl_->PaintBackground(dc.Get(), width, height, active);
            BitBlt(bar.Get(), 0, 0, width, height, dc.Get(), 0, 0, SRCCOPY);
        }

        const win::Font font = CreateMenuFont();
        MenuBarLayoutInput layout;
        layout.barWidth = width;
        layout.barHeight = height;
        const SkinData* skin = source_.Skin();
        if (skin && skin->menuBar && !skin->menuBar->image.Empty()) {
            layout.hasElement = true;
            layout.elementLeft = skin->menuBar->leftWidth;
            layout.elementRight = skin->menuBar->rightWidth;
        }
        layout.rightToLeft = rightToLeft_;
        {
            const win::SavedDC saved(bar.Get());
            SelectObject(bar.Get(), font.Get());
            for (const auto& button : buttons_) {
                RECT text{0, 0, 0, 0};
                if (!button->caption.empty())
                    DrawTextW(bar.Get(), button->caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
                layout.captionWidths.push_back(text.right - text.left);
            }
        }
        const std::vector<GridRect> rects = MenuBarItemRects(layout);
        for (size_t i = 0; i < buttons_.size() && i < rects.size(); ++i) {
            const GridRect& r = rects[i];
            buttons_[i]->rect = {barRect.left + r.x, barRect.top + r.y, barRect.left + r.x + r.width,
                                 barRect.top + r.y + r.height};
            impl_->PaintButton(bar.Get(), *buttons_[i], {barRect.left, barRect.top}, font.Get());
        }
        BitBlt(windowDC, barRect.left, barRect.top, width, height, bar.Get(), 0, 0, SRCCOPY);
    } catch (...) {
        // A bar that cannot be drawn keeps what it showed; the window goes on.
    }
}

void TSkinnedMenuBar::DrawButton(TMenuBarButton& button) {
    const RECT& r = button.rect;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (!background_ || !button.visible || width <= 0 || height <= 0) return;
    try {
        const win::NonClientDC window(impl_->window);
        if (!window.Get()) return;
        const Offscreen item(width, height);
        if (!item) return;
        {
            const BitmapDC background(window.Get(), background_.Get());
            BitBlt(item.Get(), 0, 0, width, height, background.Get(), r.left - barRect_.left, r.top - barRect_.top,
                   SRCCOPY);
        }
        const win::Font font = CreateMenuFont();
        impl_->PaintButton(item.Get(), button, {r.left, r.top}, font.Get());
        BitBlt(window.Get(), r.left, r.top, width, height, item.Get(), 0, 0, SRCCOPY);
    } catch (...) {
        // As for the whole bar: the item keeps what it showed.
    }
}

TMenuBarButton* TSkinnedMenuBar::HitTest(POINT windowPoint) {
    for (const auto& button : buttons_)
        if (!button->caption.empty() && button->Contains(windowPoint)) return button.get();
    return nullptr;
}

void TSkinnedMenuBar::OpenItem(TMenuBarButton& button) {
    const HWND window = impl_->window;
    if (tracking_ || !IsWindow(window)) return;
    impl_->switchTo = -1;
    if (!button.submenu) {
        // A top-level item without a drop-down is a command of its own.
        if (button.enabled) PostMessageW(window, WM_COMMAND, MAKEWPARAM(button.command, 0), 0);
        return;
    }
    if (!button.enabled) return;

    const int index = button.index;
    const unsigned generation = impl_->generation;
    const std::shared_ptr<bool> alive = impl_->alive;
    if (button.state != TNCObject::kPressed) button.Press();
    if (!*alive) return;
    MakeOwnerDrawn(button.submenu, impl_->ownerDrawn);
    impl_->current = index;
    impl_->trackedMenu = button.submenu;
    impl_->firstMessage = true;
    GetCursorPos(&impl_->mouseAtOpen);
    impl_->selectionKnown = false;
    impl_->selectedMenu = nullptr;
    impl_->selectedHasSubmenu = false;

    RECT wr;
    GetWindowRect(window, &wr);
    const POINT at{wr.left + (rightToLeft_ ? button.rect.right : button.rect.left), wr.top + button.rect.bottom};
    const UINT align = rightToLeft_ ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    tracking_ = true;
    {
        const TrackingScope scope(*this);
        const MessageFilterHook filter(&Impl::FilterProc);
        TrackPopupMenu(button.submenu, align | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
    }
    // The window, and this bar with it, may have gone while the menu was open.
    if (!*alive) return;
    tracking_ = false;
    impl_->current = -1;
    impl_->trackedMenu = nullptr;
    const int target = std::exchange(impl_->switchTo, -1);
    if (!IsWindow(window) || generation != impl_->generation) return;

    TMenuBarButton& opened = *buttons_[static_cast<size_t>(index)];
    if (opened.state != TNCObject::kNormal) opened.Leave();
    if (!*alive || target < 0 || static_cast<size_t>(target) >= buttons_.size()) return;
    // The press goes through the window's own path, which opens the next item.
    const RECT& next = buttons_[static_cast<size_t>(target)]->rect;
    GetWindowRect(window, &wr);
    PostMessageW(window, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(wr.left + next.left + 1, wr.top + next.top + 1));
}

bool TSkinnedMenuBar::OpenByAccelerator(wchar_t letter) {
    // The letter is upper-cased by the same rule as the captions' access keys.
    const wchar_t key = MenuAccelerator(std::wstring{L'&', letter});
    if (key == 0) return false;
    for (const auto& button : buttons_) {
        if (!button->visible || button->caption.empty() || MenuAccelerator(button->caption) != key) continue;
        OpenItem(*button);
        return true;
    }
    return false;
}

void TSkinnedMenuBar::OpenFirst() {
    for (const auto& button : buttons_) {
        if (!button->visible || button->caption.empty()) continue;
        OpenItem(*button);
        return;
    }
}

void TSkinnedMenuBar::HandleMenuSelect(WPARAM wParam, LPARAM lParam) {
    const UINT flags = HIWORD(wParam);
    const auto menu = reinterpret_cast<HMENU>(lParam);
    if (flags == kMenuClosed && !menu) {
        impl_->selectionKnown = false;
        if (impl_->switchTo < 0) tracking_ = false;
        return;
    }
    if (!tracking_) return;
    impl_->selectionKnown = true;
    impl_->selectedMenu = menu;
    impl_->selectedHasSubmenu = (flags & MF_POPUP) != 0;
}

bool TSkinnedMenuBar::HandleOwnerDraw(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (impl_->ownerDrawn.empty() || !lParam) return false;
    const SkinData* skin = source_.Skin();
    if (msg == WM_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis->CtlType != ODT_MENU) return false;
        const OwnerDrawnItem* item = impl_->FindOwnerDrawn(mis->itemID, mis->itemData, nullptr);
        if (!item) return false;
        try {
            const win::WindowDC dc(impl_->window);
            const MenuItemLook look = LookOfNative(ReadNativeItem(item->menu, item->position), item->menu, rightToLeft_);
            const SIZE size = MeasureSkinMenuItem(dc.Get(), skin, look);
            mis->itemWidth = static_cast<UINT>(std::max<LONG>(0, size.cx));
            mis->itemHeight = static_cast<UINT>(std::max<LONG>(0, size.cy));
        } catch (...) {
            // The system's size stays.
        }
        result = TRUE;
        return true;
    }
    if (msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlType != ODT_MENU) return false;
        const auto menu = reinterpret_cast<HMENU>(dis->hwndItem);
        const OwnerDrawnItem* item = impl_->FindOwnerDrawn(dis->itemID, dis->itemData, menu);
        if (!item) return false;
        try {
            MenuItemLook look = LookOfNative(ReadNativeItem(item->menu, item->position), item->menu, rightToLeft_);
            look.selected = (dis->itemState & ODS_SELECTED) != 0;
            if (dis->itemState & (ODS_GRAYED | ODS_DISABLED)) look.enabled = false;
            if (dis->itemState & ODS_CHECKED) look.checked = true;
            PaintSkinMenuItem(dis->hDC, dis->rcItem, skin, look);
        } catch (...) {
            // An item that cannot be drawn stays as it was; the menu goes on.
        }
        result = TRUE;
        return true;
    }
    return false;
}

}  // namespace kelo::skin
