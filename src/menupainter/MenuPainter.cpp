#include "menupainter/MenuPainter.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "core/Errors.h"
#include "framework/Control.h"
#include "framework/Form.h"
#include "framework/FormLoader.h"
#include "framework/Menus.h"
#include "framework/WinText.h"
#include "menupainter/ControlSubClass.h"
#include "menupainter/MenuFrame.h"
#include "menupainter/MenuPainterManager.h"

namespace kelo::menupainter {

namespace {

// The painter's owner-draw events as types of their own, so that a menu item's event can
// be recognised as this painter's and only that is taken away on release.
struct PainterDrawHandler {
    TMenuPainter* painter;
    void operator()(win::TMenuItem* item, win::TCanvas& canvas, const RECT& rect, UINT state) const {
        painter->DrawMenuItem(item, canvas, rect, state);
    }
};

struct PainterMeasureHandler {
    TMenuPainter* painter;
    void operator()(win::TMenuItem* item, win::TCanvas& canvas, int& width, int& height) const {
        painter->MeasureMenuItem(item, canvas, width, height);
    }
};

template <class Handler, class Event>
bool IsHandlerOf(const Event& event, const TMenuPainter* painter) {
    const Handler* handler = event.template target<Handler>();
    return handler && handler->painter == painter;
}

uint32_t SystemColour(int index) { return GetSysColor(index); }

constexpr const char* kContainerNames[] = {
    "xccForm", "xccFrame", "xccToolbar", "xccCoolbar", "xccControlbar",
    "xccPanel", "xccScrollBox", "xccGroupBox", "xccTabSheet", "xccPageScroller"};
constexpr const char* kControlNames[] = {
    "xcMainMenu", "xcPopupMenu", "xcToolbar", "xcControlbar", "xcCombo", "xcListBox",
    "xcEdit", "xcMaskEdit", "xcMemo", "xcRichEdit", "xcMiscEdit", "xcCheckBox",
    "xcRadioButton", "xcButton", "xcBitBtn", "xcSpeedButton", "xcUpDown", "xcPanel",
    "xcGroupBox", "xcTreeView", "xcListView", "xcProgressBar", "xcHotKey"};

template <size_t N>
std::bitset<N> SetFromNames(const FormValue& value, const char* const (&names)[N]) {
    if (value.kind != FormValue::Kind::Set) throw KeloError("form description: a set expected");
    std::bitset<N> set;
    for (const std::string& member : value.items) {
        const auto found = std::find_if(std::begin(names), std::end(names),
                                        [&](const char* name) { return member == name; });
        if (found == std::end(names)) throw KeloError("form description: unknown set member " + member);
        set.set(static_cast<size_t>(found - std::begin(names)));
    }
    return set;
}

ClassFacts FactsOfClass(const win::TComponent& component) {
    return {component.ClassName(),
            [&component](std::string_view name) { return component.InheritsFrom(name); },
            component.Tag()};
}

// An item of a menu that is still drawn by other code keeps the menu owner-drawn.
bool DrawnByOthers(const win::TMenuItem& item) {
    if (item.OnDrawItem) return true;
    return std::any_of(item.Items().begin(), item.Items().end(),
                       [](const win::TMenuItem* sub) { return DrawnByOthers(*sub); });
}

}  // namespace

TMenuPainter::TMenuPainter(win::TComponent* owner)
    : win::TComponent(owner), ownerForm_(dynamic_cast<win::TCustomForm*>(owner)) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        const LOGFONTW& menuFont = metrics.lfMenuFont;
        font_.SetName(menuFont.lfFaceName);
        font_.SetHeight(menuFont.lfHeight);
        font_.SetCharset(menuFont.lfCharSet);
        font_.SetStyle((menuFont.lfWeight >= FW_BOLD ? win::fsBold : 0u) |
                       (menuFont.lfItalic ? win::fsItalic : 0u) |
                       (menuFont.lfUnderline ? win::fsUnderline : 0u) |
                       (menuFont.lfStrikeOut ? win::fsStrikeOut : 0u));
    }
    props_.selectFontColor = font_.Color();
    styledContainers_.set();
    styledControls_.set();
    if (ownerForm_) {
        const win::WindowDC screen(nullptr);
        Colours(screen.Get());
    }
    windowListener_ = win::TWinControl::AddWindowMadeListener([this](win::TWinControl& c) { WindowMade(c); });
    TMenuPainterManager::Acquire();
}

TMenuPainter::~TMenuPainter() {
    if (active_ && ownerForm_) HookComponents(*ownerForm_, false, false);
    if (TMenuPainterManager* manager = TMenuPainterManager::Instance()) manager->UnregisterPainter(*this);
    win::TWinControl::RemoveWindowMadeListener(windowListener_);
    // Records not handed to another painter give their controls back.
    records_.clear();
    if (ownerForm_ && ownerForm_->HandleAllocated()) UpdateWindow(ownerForm_->Handle());
    TMenuPainterManager::Release();
}

void TMenuPainter::Loaded() {
    win::TComponent::Loaded();
    if (TMenuPainterManager* manager = TMenuPainterManager::Instance()) manager->RegisterPainter(*this);
}

void TMenuPainter::Notification(win::TComponent* component, win::TOperation operation) {
    if (TMenuPainterManager* manager = TMenuPainterManager::Instance())
        manager->FormNotification(component, operation);
    if (operation == win::TOperation::opRemove)
        std::erase_if(awaiting_, [component](const auto& entry) { return entry.first == component; });
    win::TComponent::Notification(component, operation);
}

// ---- properties -------------------------------------------------------------------------

void TMenuPainter::SetColour(TColor& property, TColor colour) {
    property = colour;
    coloursStale_ = true;
}

void TMenuPainter::RedrawMenuBar() {
    if (ownerForm_ && ownerForm_->HandleAllocated()) ::DrawMenuBar(ownerForm_->Handle());
}

void TMenuPainter::SetFont(const win::TFont& font) {
    font_.Assign(font);
    RedrawMenuBar();
}

void TMenuPainter::SetMenuBarColor(TColor colour) {
    SetColour(props_.menuBarColor, colour);
    RedrawMenuBar();
}

void TMenuPainter::SetUseSystemColors(bool on) {
    props_.useSystemColors = on;
    RedrawMenuBar();
}

void TMenuPainter::SetStyledContainers(const TStyledContainers& containers) {
    if (containers == styledContainers_) return;
    if (!active_ || !ownerForm_) {
        styledContainers_ = containers;
        return;
    }
    active_ = false;
    HookComponents(*ownerForm_, false, true);
    active_ = true;
    styledContainers_ = containers;
    HookComponents(*ownerForm_, true, true);
}

void TMenuPainter::SetStyledControls(const TStyledControls& controls) {
    if (controls == styledControls_) return;
    if (!active_ || !ownerForm_) {
        styledControls_ = controls;
        return;
    }
    active_ = false;
    HookComponents(*ownerForm_, false, true);
    active_ = true;
    styledControls_ = controls;
    HookComponents(*ownerForm_, true, true);
}

void TMenuPainter::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (!ownerForm_) return;
    HookComponents(*ownerForm_, active, true);
    RedrawMenuBar();
}

bool TMenuPainter::ReadProperty(const std::string& name, const FormValue& value) {
    if (name.rfind("Font.", 0) == 0) {
        if (!font_.ReadProperty(name.substr(5), value)) return false;
        RedrawMenuBar();
    } else if (name == "DimLevel") SetDimLevel(win::ValueInt(value));
    else if (name == "GrayLevel") SetGrayLevel(win::ValueInt(value));
    else if (name == "Color") SetColor(win::ValueColor(value));
    else if (name == "DrawMenuBar") SetDrawMenuBar(win::ValueBool(value));
    else if (name == "IconBackColor") SetIconBackColor(win::ValueColor(value));
    else if (name == "MenuBarColor") SetMenuBarColor(win::ValueColor(value));
    else if (name == "SelectColor") SetSelectColor(win::ValueColor(value));
    else if (name == "SelectBorderColor") SetSelectBorderColor(win::ValueColor(value));
    else if (name == "SelectFontColor") SetSelectFontColor(win::ValueColor(value));
    else if (name == "DisabledColor") SetDisabledColor(win::ValueColor(value));
    else if (name == "SeparatorColor") SetSeparatorColor(win::ValueColor(value));
    else if (name == "CheckedColor") SetCheckedColor(win::ValueColor(value));
    else if (name == "IconWidth") SetIconWidth(win::ValueInt(value));
    else if (name == "DrawSelect") SetDrawSelect(win::ValueBool(value));
    else if (name == "UseSystemColors") SetUseSystemColors(win::ValueBool(value));
    else if (name == "UseDimColor") SetUseDimColor(win::ValueBool(value));
    else if (name == "OverrideOwnerDraw") SetOverrideOwnerDraw(win::ValueBool(value));
    else if (name == "Gradient") SetGradient(win::ValueBool(value));
    else if (name == "FlatMenu") SetFlatMenu(win::ValueBool(value));
    else if (name == "AutoDetect") SetAutoDetect(win::ValueBool(value));
    else if (name == "StyledContainers") SetStyledContainers(SetFromNames(value, kContainerNames));
    else if (name == "StyledControls") SetStyledControls(SetFromNames(value, kControlNames));
    else if (name == "Active") SetActive(win::ValueBool(value));
    else if (name == "DisableSubclassing") win::ValueBool(value);  // checked, never stored
    else return win::TComponent::ReadProperty(name, value);
    return true;
}

// ---- colours ----------------------------------------------------------------------------

const WorkingColours& TMenuPainter::Colours(HDC dc) {
    if (coloursStale_) {
        coloursStale_ = false;
        colourDisplay_ = GetDeviceCaps(dc, BITSPIXEL) >= 16;
        props_.fontColour = font_.Color();
        colours_ = ComputeColors(props_, colourDisplay_, SystemColour);
    }
    return colours_;
}

MenuLook TMenuPainter::ScreenLook() {
    if (!coloursStale_) return Look(nullptr);
    const win::WindowDC screen(nullptr);
    return Look(screen.Get());
}

MenuLook TMenuPainter::Look(HDC dc) {
    MenuLook look;
    look.colours = Colours(dc);
    look.colourDisplay = colourDisplay_;
    look.font = font_.Handle();
    look.fontColour = font_.Color();
    look.iconWidth = iconWidth_;
    look.dimLevel = dimLevel_;
    look.grayLevel = grayLevel_;
    look.drawSelect = drawSelect_;
    look.drawMenuBar = drawMenuBar_;
    look.menuBarColor = props_.menuBarColor;
    look.useSystemColors = props_.useSystemColors;
    look.gradient = gradient_;
    look.flatMenu = flatMenu_;
    return look;
}

// ---- taking over ------------------------------------------------------------------------

void TMenuPainter::HookComponents(win::TComponent& container, bool enable, bool refresh) {
    std::vector<win::TComponent*> components = container.Components();
    if (Loading() && &container == Owner()) {
        // The form loader creates every component before it reads any property, so the
        // components that stand before the painter in the description are those created
        // before it: a menu that comes after the painter stays the platform's.
        components.erase(std::find(components.begin(), components.end(), this), components.end());
    }
    for (win::TComponent* component : components) HookComponent(*component, enable, refresh);
}

void TMenuPainter::HookComponent(win::TComponent& component, bool enable, bool refresh) {
    ComponentFacts facts{FactsOfClass(component), std::nullopt};
    auto* control = dynamic_cast<win::TControl*>(&component);
    if (control && control->Parent()) facts.parent = FactsOfClass(*control->Parent());

    const HookAction action = DecideHookComponent(facts, styledControls_, styledContainers_, enable, refresh);
    if (action.hookMenuItems)
        if (auto* menu = dynamic_cast<win::TMenu*>(&component)) HookMenu(*menu, enable, action.rebuildMenuBar);
    if (control) {
        if (action.style) StyleControl(*control, action.save);
        if (action.invalidate) control->Invalidate();
    }
    if (action.recurse) HookComponents(component, enable, refresh);
}

void TMenuPainter::HookMenus(win::TComponent& container, bool enable) {
    const std::vector<win::TComponent*> components = container.Components();
    for (win::TComponent* component : components) {
        const ComponentFacts facts{FactsOfClass(*component), std::nullopt};
        const HookAction action = DecideHookComponent(facts, styledControls_, styledContainers_, enable, false);
        if (action.hookMenuItems)
            if (auto* menu = dynamic_cast<win::TMenu*>(component)) HookMenu(*menu, enable, action.rebuildMenuBar);
        if (action.recurse) HookMenus(*component, enable);
    }
}

void TMenuPainter::HookMenu(win::TMenu& menu, bool enable, bool rebuildMenuBar) {
    const std::vector<win::TMenuItem*> items = menu.Items()->Items();
    for (win::TMenuItem* item : items) {
        if (enable) menu.SetOwnerDraw(true);
        HookMenuItem(*item, enable);
    }
    // Items whose drawing other code (the skin) installed still need owner-draw.
    if (!enable && !items.empty()) menu.SetOwnerDraw(DrawnByOthers(*menu.Items()));
    if (rebuildMenuBar && !items.empty()) {
        // A caption change makes the platform lay the menu bar out again.
        const std::wstring caption = items.front()->Caption();
        items.front()->SetCaption(L"");
        items.front()->SetCaption(caption);
    }
}

void TMenuPainter::HookMenuItem(win::TMenuItem& item, bool enable) {
    if (enable) {
        const MenuItemHandlers take = HookMenuItemDecision(item.Tag(), static_cast<bool>(item.OnDrawItem),
                                                           static_cast<bool>(item.OnMeasureItem), overrideOwnerDraw_);
        if (take.draw) item.OnDrawItem = PainterDrawHandler{this};
        if (take.measure) item.OnMeasureItem = PainterMeasureHandler{this};
    } else {
        if (IsHandlerOf<PainterDrawHandler>(item.OnDrawItem, this)) item.OnDrawItem = nullptr;
        if (IsHandlerOf<PainterMeasureHandler>(item.OnMeasureItem, this)) item.OnMeasureItem = nullptr;
    }
    const std::vector<win::TMenuItem*> subItems = item.Items();
    for (win::TMenuItem* sub : subItems) HookMenuItem(*sub, enable);
}

void TMenuPainter::StyleControl(win::TControl& control, const SavedLook& saved) {
    auto* windowed = dynamic_cast<win::TWinControl*>(&control);
    if (!windowed) return;
    if (!windowed->HandleAllocated()) {
        // Only the painter's own form is built with the painter in it; the components it
        // owns tell the painter when they go, so a waiting control is never left behind.
        if (control.Owner() == ownerForm_) awaiting_.emplace_back(windowed, saved);
        return;
    }
    auto record = std::make_unique<TControlSubClass>(*this, *windowed, saved);
    // A control is styled once: a window that already has a record keeps it.
    if (record->Attach()) records_.push_back(std::move(record));
}

void TMenuPainter::WindowMade(win::TWinControl& control) {
    const auto found = std::find_if(awaiting_.begin(), awaiting_.end(),
                                    [&control](const auto& entry) { return entry.first == &control; });
    if (found == awaiting_.end()) return;
    const SavedLook saved = found->second;
    awaiting_.erase(found);
    if (active_) StyleControl(control, saved);
}

void TMenuPainter::ForgetRecord(const TControlSubClass& record) {
    const auto found = std::find_if(records_.begin(), records_.end(),
                                    [&record](const auto& owned) { return owned.get() == &record; });
    if (found == records_.end()) return;
    // Out of the list first: freeing may run messages that look at the list.
    std::unique_ptr<TControlSubClass> freed = std::move(*found);
    records_.erase(found);
}

void TMenuPainter::AdoptRecords(std::vector<std::unique_ptr<TControlSubClass>> records) {
    for (auto& record : records) {
        record->SetPainter(*this);
        records_.push_back(std::move(record));
    }
}

std::vector<std::unique_ptr<TControlSubClass>> TMenuPainter::TakeRecords(const win::TCustomForm* form, bool inside) {
    std::vector<std::unique_ptr<TControlSubClass>> taken;
    for (auto it = records_.begin(); it != records_.end();) {
        if (((*it)->Control().ParentForm() == form) == inside) {
            taken.push_back(std::move(*it));
            it = records_.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

// ---- the owner-draw events --------------------------------------------------------------

MenuItemFacts TMenuPainter::FactsOf(const win::TMenuItem& item) const {
    MenuItemFacts facts;
    facts.caption = item.Caption();
    facts.enabled = item.Enabled();
    facts.checked = item.Checked();
    facts.hasSubItems = !item.Items().empty();
    const win::TMenu* menu = item.Menu();
    facts.menuBarItem = menu && menu->InheritsFrom("TMainMenu") && item.Parent() && !item.Parent()->Parent();
    return facts;
}

void TMenuPainter::DrawMenuItem(win::TMenuItem* item, win::TCanvas& canvas, const RECT& rect, UINT state) {
    if (!active_ || !item) return;
    MenuItemFacts facts = FactsOf(*item);
    if (facts.menuBarItem && ownerForm_ && ownerForm_->HandleAllocated()) {
        POINT cursor{};
        RECT window{};
        if (GetCursorPos(&cursor) && GetWindowRect(ownerForm_->Handle(), &window))
            facts.mouseOverBarItem = MouseOverBarItem({rect.left, rect.top, rect.right, rect.bottom},
                                                      cursor.x - window.left, cursor.y - window.top);
    }
    const HDC dc = canvas.Handle();
    PaintMenuItem(dc, rect, (state & ODS_SELECTED) != 0, Look(dc), facts);
    if (flatMenu_ && !facts.menuBarItem) RequestFrameFor(*item, dc, facts.rightToLeft);
}

void TMenuPainter::RequestFrameFor(const win::TMenuItem& item, HDC dc, bool rightToLeft) {
    const HMENU menu = item.ParentHandle();
    if (!menu) return;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const bool same = item.SubmenuHandle() ? GetSubMenu(menu, i) == item.SubmenuHandle()
                                               : GetMenuItemID(menu, i) == item.Command();
        if (!same) continue;
        const HWND form = ownerForm_ && ownerForm_->HandleAllocated() ? ownerForm_->Handle() : nullptr;
        RequestMenuFrame(dc, form, menu, static_cast<UINT>(i), rightToLeft);
        return;
    }
}

void TMenuPainter::MeasureMenuItem(win::TMenuItem* item, win::TCanvas& canvas, int& width, int& height) {
    if (!active_ || !item) return;
    const HDC dc = canvas.Handle();
    menupainter::MeasureMenuItem(dc, Look(dc), FactsOf(*item), width, height);
}

void RegisterMenuPainterClasses() { win::RegisterComponentClass<TMenuPainter>(); }

}  // namespace kelo::menupainter
