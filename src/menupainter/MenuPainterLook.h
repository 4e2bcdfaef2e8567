#pragma once
// The flat menu painter's rules that need no window: the colour functions and the working
// colours, which components a painter takes over, how big a menu item is and where the
// pieces of a painted item go. TMenuPainter gathers the facts, asks here and paints.
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/Colors.h"

namespace kelo::menupainter {

// ---- colours --------------------------------------------------------------------------

// The current value of system colour nn (the nn of 0xFF0000nn) as 0x00BBGGRR.
using SystemColours = std::function<uint32_t(int index)>;

// The colour as plain 0x00BBGGRR: system colours through the scheme.
TColor ToRgb(TColor colour, const SystemColours& system);

// Each channel moves p percent of the way to 255 (p capped at 100; a negative p darkens).
TColor LightenColor(TColor colour, int percent, const SystemColours& system);
// Red and blue lose n, green only n - 2; each channel clamped to 0..255.
TColor DarkenColor(TColor colour, int n, const SystemColours& system);
// Per channel the sum of each colour's channel divided by the count; black for none.
TColor MixColors(std::span<const TColor> colours, const SystemColours& system);
// The text colour on a band: the font's colour on a light band, a pale band colour on a
// dark one.
TColor TextColorOnBand(TColor background, TColor fontColour, const SystemColours& system);

// The painter's colour properties that the working colours come from.
struct PainterColourProps {
    TColor color = clBtnFace;
    TColor iconBackColor = clBtnFace;
    TColor menuBarColor = clBtnFace;
    TColor selectColor = clHighlight;
    TColor selectBorderColor = clHighlight;
    TColor selectFontColor = clMenuText;
    TColor disabledColor = clInactiveCaption;
    TColor separatorColor = clBtnFace;
    TColor checkedColor = clHighlight;
    TColor fontColour = clMenuText;  // the painter's Font
    bool useDimColor = false;
    bool useSystemColors = true;
};

// The colours items and controls are painted with. System colours stay system colours
// here; the canvas resolves them when it draws.
struct WorkingColours {
    TColor menuBackground = 0;
    TColor iconBand = 0;
    TColor selectionFill = 0;
    TColor selectionBorder = 0;
    TColor selectionText = 0;
    TColor checkedFill = 0;
    TColor checkedSelectedFill = 0;
    TColor checkColour = 0;
    TColor menuBar = 0;
    TColor disabled = 0;
    TColor separator = 0;
    TColor frame = 0;
    TColor shadow = 0;
    bool operator==(const WorkingColours&) const = default;
};

// colourDisplay: the device the colours are for has 16 or more bits per pixel.
WorkingColours ComputeColors(const PainterColourProps& props, bool colourDisplay,
                             const SystemColours& system);

// ---- what a painter takes over ----------------------------------------------------------

// The members of StyledContainers and StyledControls, in their declared order (the order
// of the sets' bits). Their names meet the skin's switches, so they stay in this namespace.
enum TStyledContainer {
    xccForm, xccFrame, xccToolbar, xccCoolbar, xccControlbar, xccPanel, xccScrollBox, xccGroupBox,
    xccTabSheet, xccPageScroller,
};
enum TStyledControl {
    xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcCombo, xcListBox, xcEdit, xcMaskEdit,
    xcMemo, xcRichEdit, xcMiscEdit, xcCheckBox, xcRadioButton, xcButton, xcBitBtn, xcSpeedButton,
    xcUpDown, xcPanel, xcGroupBox, xcTreeView, xcListView, xcProgressBar, xcHotKey,
};
using TStyledContainers = std::bitset<xccPageScroller + 1>;
using TStyledControls = std::bitset<xcHotKey + 1>;

// A menu, control or form whose Tag is this is left alone.
inline constexpr int32_t kUntouchedTag = 999;

// Answers the framework's InheritsFrom for a component's class (the class itself included).
using InheritsFromTest = std::function<bool(std::string_view className)>;

struct ClassFacts {
    std::string className;
    InheritsFromTest inheritsFrom;
    int32_t tag = 0;
};

struct ComponentFacts {
    ClassFacts self;
    std::optional<ClassFacts> parent;  // the parent control, when there is one
};

// What a styled control's record keeps for restoring it.
struct SavedLook {
    bool ctl3D = false;
    bool borderStyle = false;
    bool operator==(const SavedLook&) const = default;
};

// The values a control of this class gets back when its styling is undone.
SavedLook SavedLookOf(const ClassFacts& control);

struct HookAction {
    bool hookMenuItems = false;   // OwnerDraw := enable, then each top-level item hooked
    bool rebuildMenuBar = false;  // blank and restore the first item's caption, if any
    bool style = false;           // a control record takes over the window procedure
    SavedLook save;               // with style: what the record keeps
    bool invalidate = false;
    bool recurse = false;         // hook the components the component owns
    bool operator==(const HookAction&) const = default;
};

HookAction DecideHookComponent(const ComponentFacts& component, const TStyledControls& controls,
                               const TStyledContainers& containers, bool enable, bool refresh);

// Which of a menu item's two owner-draw events the painter takes when it hooks the item.
struct MenuItemHandlers {
    bool draw = false;
    bool measure = false;
    bool operator==(const MenuItemHandlers&) const = default;
};
MenuItemHandlers HookMenuItemDecision(int32_t tag, bool hasDrawHandler, bool hasMeasureHandler,
                                      bool overrideOwnerDraw);

// ---- measuring ------------------------------------------------------------------------

// The text an item is measured by: the caption (nothing for a separator), and, with a
// shortcut, the shortcut and "WWW" for the gap between them.
std::wstring MeasureText(const std::wstring& caption, const std::wstring& shortcutText);

struct MeasureInput {
    std::wstring caption;
    std::wstring shortcutText;
    int textWidth = 0;       // width of MeasureText(...) in the painter's font
    int ampersandWidth = 0;  // width of "&" in the painter's font
    int textHeight = 0;
    bool menuBarItem = false;
    bool hasSubItems = false;
    int iconWidth = 0, iconHeight = 0;  // the image or bitmap; 0 x 0 without one
    int iconBandWidth = 24;             // IconWidth
    int width = 0, height = 0;          // what the platform proposed
};

struct ItemSize {
    int width = 0, height = 0;
    bool operator==(const ItemSize&) const = default;
};

// The item's size: never smaller than proposed, except that a separator is 4 high.
ItemSize MeasureMenuItemSize(const MeasureInput& in);

// ---- painting geometry ----------------------------------------------------------------

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

struct ItemLayoutInput {
    Rect platformRect;  // the rectangle the platform passed
    bool menuBarItem = false;
    bool rightToLeft = false;
    bool flatMenu = false;
    int iconBandWidth = 24;             // IconWidth
    int iconWidth = 0, iconHeight = 0;  // the icon bitmap; 0 x 0 without image or bitmap
    int letterHeight = 0;               // height of "W" in the painter's font
};

// Everything in the off-screen bitmap's coordinates except the copy position.
struct ItemLayout {
    int bitmapWidth = 0, bitmapHeight = 0;
    Rect item;        // R
    Rect background;  // filled with the menu background (popup items)
    int copyX = 0, copyY = 0;
    Rect band;
    Rect check;
    Rect text;          // before the caption's margin
    Rect caption;       // where the caption text goes
    Rect selectionBox;  // a selected, enabled popup item
    Rect hotBarBox;     // a menu-bar item under the mouse
    int separatorY = 0;
    int separatorFrom = 0, separatorTo = 0;  // the end point is not drawn
};

ItemLayout LayoutMenuItem(const ItemLayoutInput& in);

enum class SelectionLook { None, BarFrame, PopupBox, HotBarBox };
struct SelectionChoice {
    SelectionLook look = SelectionLook::None;
    bool drawnSelected = false;  // the icon is drawn as on a selected item
    bool operator==(const SelectionChoice&) const = default;
};

SelectionChoice ChooseSelection(bool selected, bool drawSelect, bool enabled, bool menuBarItem,
                                bool mouseOverBarItem);

// The cursor (relative to the form window) is over a menu-bar item's platform rectangle.
bool MouseOverBarItem(const Rect& rect, int x, int y);

}  // namespace kelo::menupainter
