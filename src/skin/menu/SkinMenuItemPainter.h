#pragma once
// What the skinned menu bar, its drop-downs, the popup-menu frames and the framework items
// the skin claimed draw with: off-screen surfaces, the system's menu font and the item
// painter for the skin's MenuItem element.
#include <windows.h>

#include <memory>
#include <string>

#include "framework/Handle.h"

namespace kelo::skin {

struct SkinData;
class TSkinElement;


// A memory DC with a bitmap selected for its lifetime; the bitmap stays its owner's.
class BitmapDC {
public:
    BitmapDC(HDC reference, HBITMAP bitmap);
    ~BitmapDC();
    BitmapDC(const BitmapDC&) = delete;
    BitmapDC& operator=(const BitmapDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// A surface to compose on before one transfer to the screen.
class Offscreen {
public:
    Offscreen(int width, int height);
    HDC Get() const { return dc_.Get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    explicit operator bool() const { return static_cast<bool>(bitmap_); }

private:
    win::Bitmap bitmap_;
    BitmapDC dc_;
    int width_, height_;
};

// A surface kept between paints: made again only when the size changes.
Offscreen& KeptSurface(std::unique_ptr<Offscreen>& kept, int width, int height);

// The system's menu font (non-client metrics), bold for default items.
win::Font CreateMenuFont(bool bold = false);
void FillSolid(HDC dc, const RECT& rect, COLORREF colour);

// The skin's MenuItem element, when it has an image.
const TSkinElement* MenuItemElement(const SkinData* skin);

// One menu item as the painter sees it, whether it came from the framework or from a
// native menu.
struct MenuItemLook {
    std::wstring caption;  // "-" for a separator; the part after "\t" is the shortcut
    bool enabled = true;
    bool checked = false;
    bool isDefault = false;
    bool selected = false;
    bool rightToLeft = false;
    HMENU menu = nullptr;  // the menu holding the item: its popup window lends the background
};

// Draws the item into `rect` of `target` (composed off screen, one transfer). A skin
// without a MenuItem element, or no skin at all, draws in the colour set's plain colours.
void PaintSkinMenuItem(HDC target, const RECT& rect, const SkinData* skin, const MenuItemLook& look);

// The size of a native item of a skinned drop-down: caption width in the menu font + 26
// (+ the MenuItem element's left width), text height + 4; separators are 8 high.
SIZE MeasureSkinMenuItem(HDC reference, const SkinData* skin, const MenuItemLook& look);

}  // namespace kelo::skin
