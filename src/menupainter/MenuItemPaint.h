#pragma once
// The flat look of one menu item, painted off screen and put on the menu in one transfer:
// background and icon band, selection box or menu-bar frame, check marks, the icon
// (lightened, greyed or raised with a shadow) and the caption with its shortcut. The
// text and icon painters also serve the control painters.
#include <windows.h>

#include <string>

#include "menupainter/MenuPainterLook.h"

namespace kelo::menupainter {

// What the painter's properties and working colours say about how items look.
struct MenuLook {
    WorkingColours colours;   // already computed for the device
    bool colourDisplay = true;
    HFONT font = nullptr;     // the painter's Font
    TColor fontColour = clMenuText;
    int iconWidth = 24;       // IconWidth
    int dimLevel = 30;
    int grayLevel = 10;
    bool drawSelect = true;
    bool drawMenuBar = false;
    TColor menuBarColor = clBtnFace;  // MenuBarColor
    bool useSystemColors = true;
    bool gradient = false;
    bool flatMenu = false;
};

// One item as the painter sees it.
struct MenuItemFacts {
    std::wstring caption;       // "-" is a separator
    std::wstring shortcutText;  // empty without a shortcut
    bool enabled = true;
    bool checked = false;
    bool radioItem = false;
    bool isDefault = false;
    bool menuBarItem = false;
    bool hasSubItems = false;
    bool rightToLeft = false;
    HBITMAP icon = nullptr;     // the item's glyph on a $FF00FF ground, or none; not changed
    bool mouseOverBarItem = false;
};

// The item's size for WM_MEASUREITEM: `width` and `height` come in as proposed.
void MeasureMenuItem(HDC dc, const MenuLook& look, const MenuItemFacts& item, int& width, int& height);

// Paints the item into `rect` of `dc` (the platform's rectangle and device context).
void PaintMenuItem(HDC dc, const RECT& rect, bool selected, const MenuLook& look, const MenuItemFacts& item);

// The caption (and shortcut) in `rect` with `format`; a default item gets the four
// darkened passes under its text.
void PaintItemText(HDC dc, const MenuLook& look, const std::wstring& text, UINT format, HFONT font,
                   bool rightToLeft, bool menuBarItem, bool isDefault, bool enabled, bool selected, RECT rect,
                   const std::wstring& shortcutText);

// The glyph at its place in the band `rect` (menuItem: centred in the icon band; otherwise at
// the rectangle's top-left), lightened by DimLevel when idle, greyed when disabled, raised with
// a shadow when selected. Keyed on the glyph's bottom-left pixel; `glyph` is not changed.
void PaintItemIcon(HDC dc, const MenuLook& look, bool menuItem, bool rightToLeft, bool menuBarItem, bool checked,
                   bool enabled, bool raiseOff, bool selected, const RECT& rect, HBITMAP glyph);

// The check box with its tick, the radio dot, or the frame around a checked item's icon.
void PaintCheckMark(HDC dc, const MenuLook& look, bool radioItem, bool checked, bool selected, const RECT& rect,
                    bool hasIcon, bool enabled);

// A selected menu-bar item: the box and, for menu items on colour displays, its soft shadow.
void PaintBarItemFrame(HDC dc, const MenuLook& look, bool rightToLeft, TColor bar, const RECT& rect, bool menuItem);

// Columns of the icon band's colour lightening away from the band.
void PaintGradient(HDC dc, const MenuLook& look, const RECT& rect, bool rightToLeft);

// Bitmap functions on a 32-bit glyph; the glyph's bottom-left pixel is its key colour.
void GrayBitmap(HBITMAP bitmap, int level);
void LightenBitmap(HBITMAP bitmap, int percent);
// Every pixel of the glyph that is not its key colour, in `colour`, at (x, y) of `dc`.
void PaintIconShadow(HBITMAP bitmap, HDC dc, int x, int y, TColor colour);

}  // namespace kelo::menupainter
