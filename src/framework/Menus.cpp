#include "framework/Menus.h"

#include <algorithm>
#include <map>

#include "core/Errors.h"
#include "core/UnicodeText.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {

std::map<UINT, TMenuItem*>& Commands() {
    static std::map<UINT, TMenuItem*> commands;
    return commands;
}

// WM_COMMAND carries an item's id in 16 bits, so ids come from a fixed range and those
// of freed items are handed out again over a long run (mini windows and menus come and
// go). The search goes on round the range from the last id handed out, so a freed id
// comes back as late as it can: a command still queued for a freed item finds nothing
// rather than a newer item. Below the range are the ids of dialog buttons (IDOK, ...),
// above it the system commands (SC_CLOSE, ...), which also arrive as WM_COMMAND.
constexpr UINT kFirstCommand = 100;
constexpr UINT kLastCommand = 0xEFFF;

UINT NextCommand() {
    static UINT next = kFirstCommand;
    const auto& commands = Commands();
    if (commands.size() > kLastCommand - kFirstCommand)
        throw KeloError("too many menu items: no command id is free");
    while (commands.count(next)) next = next == kLastCommand ? kFirstCommand : next + 1;
    const UINT command = next;
    next = next == kLastCommand ? kFirstCommand : next + 1;
    return command;
}

// The menu font of the system, for measuring and drawing items that have no handler.
HFONT MenuFont() {
    static Font font;
    if (!font) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        font.Reset(CreateFontIndirectW(&metrics.lfMenuFont));
    }
    return font.Get();
}

void DrawItemDefault(TMenuItem* item, TCanvas& canvas, const RECT& r, UINT state) {
    HDC dc = canvas.Handle();
    const bool selected = (state & ODS_SELECTED) != 0 && item->Enabled();
    canvas.SetBrushColor(selected ? clHighlight : clMenu);
    canvas.FillRect(r);
    if (item->IsLine()) {
        RECT line{r.left + 2, (r.top + r.bottom) / 2 - 1, r.right - 2, (r.top + r.bottom) / 2 + 1};
        RECT copy = line;
        DrawEdge(dc, &copy, EDGE_ETCHED, BF_TOP);
        return;
    }
    SelectObject(dc, MenuFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(!item->Enabled() ? COLOR_GRAYTEXT
                                 : selected       ? COLOR_HIGHLIGHTTEXT
                                                  : COLOR_MENUTEXT));
    if (item->Checked()) {
        RECT mark{r.left + 2, r.top + 2, r.left + 16, r.bottom - 2};
        DrawTextW(dc, L"\u221A", 1, &mark, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    RECT text{r.left + 20, r.top, r.right - 4, r.bottom};
    DrawTextW(dc, item->Caption().c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

void MeasureItemDefault(TMenuItem* item, HDC dc, int& width, int& height) {
    if (item->IsLine()) {
        height = 6;
        width = 10;
        return;
    }
    SelectObject(dc, MenuFont());
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, item->Caption().c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    width = r.right + 28;
    height = std::max<int>(r.bottom + 6, GetSystemMetrics(SM_CYMENU));
}

}  // namespace

// ---------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(NextCommand()) {
    Commands()[command_] = this;
}

TMenuItem::~TMenuItem() {
    Commands().erase(command_);
    for (TMenuItem* item : items_) item->parent_ = nullptr;
    if (parent_) parent_->Remove(this);
}

TMenu* TMenuItem::Menu() const {
    const TMenuItem* item = this;
    while (item->parent_) item = item->parent_;
    return item->menu_;
}

void TMenuItem::Add(TMenuItem* item) {
    items_.push_back(item);
    item->parent_ = this;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
    items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    item->parent_ = nullptr;
    Changed();
}

HMENU TMenuItem::ParentHandle() const {
    if (!parent_) return nullptr;
    if (!parent_->parent_) {
        TMenu* menu = Menu();
        return menu ? menu->Handle() : nullptr;
    }
    return parent_->submenu_;
}

void TMenuItem::SetCaption(std::wstring caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    Changed();
}

void TMenuItem::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    if (HMENU menu = ParentHandle(); menu && !Loading())
        CheckMenuItem(menu, command_, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void TMenuItem::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (HMENU menu = ParentHandle(); menu && !Loading())
        EnableMenuItem(menu, command_, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    if (TMenu* m = Menu(); m && m->InheritsFrom("TMainMenu")) m->Rebuild();
}

void TMenuItem::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Changed();
}

void TMenuItem::Changed() {
    TMenu* menu = Menu();
    if (menu && !menu->Loading() && !Loading()) menu->Rebuild();
}

void TMenuItem::Click() {
    if (OnClick) OnClick(this);
}

TMenuItem* TMenuItem::FromCommand(UINT command) {
    auto it = Commands().find(command);
    return it == Commands().end() ? nullptr : it->second;
}

void TMenuItem::AppendTo(HMENU menu, bool ownerDraw) {
    if (!visible_) return;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_STRING;
    // An owner-drawn line stays a separator: the menu's keyboard and mouse pass over it.
    mii.fType = (IsLine() ? MFT_SEPARATOR : MFT_STRING) | (ownerDraw ? MFT_OWNERDRAW : 0);
    mii.fState = (checked_ ? MFS_CHECKED : 0) | (enabled_ ? 0 : MFS_GRAYED);
    mii.wID = command_;
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(this);
    mii.dwTypeData = const_cast<wchar_t*>(caption_.c_str());
    if (!items_.empty()) {
        submenu_ = CreatePopupMenu();
        for (TMenuItem* item : items_) item->AppendTo(submenu_, ownerDraw);
        mii.fMask |= MIIM_SUBMENU;
        mii.hSubMenu = submenu_;
    }
    InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &mii);
}

void TMenuItem::DestroyHandles() {
    for (TMenuItem* item : items_) item->DestroyHandles();
    submenu_ = nullptr;  // destroyed with the menu that holds it
}

bool TMenuItem::HandleOwnerDrawMessage(HWND hwnd, UINT msg, WPARAM, LPARAM lParam,
                                       LRESULT& result) {
    if (msg == WM_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis->CtlType != ODT_MENU) return false;
        TMenuItem* item = FromCommand(mis->itemID);
        if (!item || reinterpret_cast<ULONG_PTR>(item) != mis->itemData) return false;
        const WindowDC dc(hwnd);
        int width = 0, height = 0;
        {
            TCanvas canvas(dc.Get());
            MeasureItemDefault(item, dc.Get(), width, height);
            if (item->OnMeasureItem) item->OnMeasureItem(item, canvas, width, height);
        }
        mis->itemWidth = static_cast<UINT>(width);
        mis->itemHeight = static_cast<UINT>(height);
        result = TRUE;
        return true;
    }
    if (msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlType != ODT_MENU) return false;
        TMenuItem* item = FromCommand(dis->itemID);
        if (!item || reinterpret_cast<ULONG_PTR>(item) != dis->itemData) return false;
        TCanvas canvas(dis->hDC);
        if (item->OnDrawItem) item->OnDrawItem(item, canvas, dis->rcItem, dis->itemState);
        else DrawItemDefault(item, canvas, dis->rcItem, dis->itemState);
        result = TRUE;
        return true;
    }
    return false;
}

bool TMenuItem::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Caption") SetCaption(Widen(ValueText(value)));
    else if (name == "Checked") SetChecked(ValueBool(value));
    else if (name == "Enabled") SetEnabled(ValueBool(value));
    else if (name == "Visible") SetVisible(ValueBool(value));
    else return TComponent::ReadProperty(name, value);
    return true;
}

bool TMenuItem::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event != "OnClick") return TComponent::AssignEvent(event, std::move(handler));
    OnClick = std::move(handler);
    return true;
}

// ---------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(nullptr) { items_.menu_ = this; }

TMenu::~TMenu() {
    // The items belong to the form; they only leave this menu.
    for (TMenuItem* item : std::vector(items_.items_)) items_.Remove(item);
    if (handle_) DestroyMenu(handle_);
}

HMENU TMenu::Handle() {
    if (!handle_) {
        handle_ = CreateMenuHandle();
        for (TMenuItem* item : items_.items_) item->AppendTo(handle_, ownerDraw_);
    }
    return handle_;
}

void TMenu::SetOwnerDraw(bool ownerDraw) {
    if (ownerDraw == ownerDraw_) return;
    ownerDraw_ = ownerDraw;
    Rebuild();
}

void TMenu::Rebuild() {
    if (Loading()) return;
    HMENU old = handle_;
    items_.DestroyHandles();
    handle_ = nullptr;
    if (old) DestroyMenu(old);
}

bool TMenu::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "OwnerDraw") SetOwnerDraw(ValueBool(value));
    else if (name == "AutoHotkeys" || name == "AutoLineReduction") {
        // Captions stay as written: no access keys are added or removed.
    } else return TComponent::ReadProperty(name, value);
    return true;
}

void TMainMenu::Rebuild() {
    if (Loading()) return;
    auto* form = dynamic_cast<TCustomForm*>(Owner());
    HMENU old = handle_;
    Items()->DestroyHandles();
    handle_ = nullptr;
    if (form && form->Menu() == this && form->HandleAllocated()) {
        ::SetMenu(form->Handle(), Handle());
        DrawMenuBar(form->Handle());
        SendMessageW(form->Handle(), CM_MENUCHANGED, 0, 0);
    }
    if (old) DestroyMenu(old);
}

namespace {

// What an item shows: the caption of the program's own item, else the menu's text.
std::wstring ItemCaption(HMENU menu, UINT position) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_ID | MIIM_DATA;
    if (GetMenuItemInfoW(menu, position, TRUE, &mii))
        if (TMenuItem* item = TMenuItem::FromCommand(mii.wID); item && reinterpret_cast<ULONG_PTR>(item) == mii.dwItemData)
            return item->Caption();
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return text;
}

}  // namespace

// The system finds no access keys in owner-drawn items: the items' captions hold them.
LRESULT MenuCharAnswer(WPARAM wParam, LPARAM lParam) {
    auto menu = reinterpret_cast<HMENU>(lParam);
    const wchar_t key = MenuAccelerator(std::wstring{L'&', static_cast<wchar_t>(LOWORD(wParam))});
    const int count = menu && key ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (!(state & (MF_GRAYED | MF_DISABLED)) && MenuAccelerator(ItemCaption(menu, static_cast<UINT>(i))) == key)
            return MAKELRESULT(i, MNC_EXECUTE);
    }
    return 0;
}

namespace {

LRESULT CALLBACK PopupListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    bool handled = true;  // also when a handler failed: the message ends here
    // Clicks and the owner-draw events run the program's handlers.
    HandleExceptions(nullptr, [&] {
        if (msg == WM_COMMAND && lParam == 0) {
            if (TMenuItem* item = TMenuItem::FromCommand(LOWORD(wParam))) {
                item->Click();
                return;
            }
        }
        if (msg == WM_MENUCHAR) handled = (result = MenuCharAnswer(wParam, lParam)) != 0;
        else handled = TMenuItem::HandleOwnerDrawMessage(hwnd, msg, wParam, lParam, result);
    });
    return handled ? result : DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

HWND TPopupMenu::PopupListWindow() {
    // A menu's owner must be a real window: a message-only one gets no menu messages.
    static HWND window = AllocateHWnd(L"TPUtilWindow", PopupListProc, false);
    return window;
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup(this);
    TrackPopupMenuEx(Handle(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, PopupListWindow(),
                     nullptr);
}

}  // namespace kelo::win
