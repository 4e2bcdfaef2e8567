// One menu item composed off screen: background, selection, check mark, icon and caption
// go into a 32-bit DIB, which reaches the menu in a single transfer.
#include "menupainter/MenuItemPaint.h"

#include <algorithm>
#include <initializer_list>
#include <cstdint>
#include <vector>

#include "framework/Graphics.h"
#include "framework/Handle.h"
#include "menupainter/PaintTools.h"

namespace kelo::menupainter {

namespace {

// ---- pixels -----------------------------------------------------------------------------

// DIB pixels are 0x00RRGGBB, colours 0x00BBGGRR: the same swap both ways.
uint32_t Swap(uint32_t p) { return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF); }

// A glyph's pixels as colours, row by row from the top.
struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> px;
    COLORREF Key() const { return px[(height - 1) * width]; }  // the bottom-left pixel
};

Pixels ReadPixels(HBITMAP bitmap) {
    Pixels p;
    BITMAP bm{};
    if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return p;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    p.px.resize(static_cast<size_t>(p.width) * p.height);
    BITMAPINFO info = win::TopDownDibInfo(p.width, p.height);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, p.height, p.px.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (COLORREF& c : p.px) c = Swap(c);
    return p;
}

void WritePixels(HBITMAP bitmap, Pixels p) {
    for (COLORREF& c : p.px) c = Swap(c);
    BITMAPINFO info = win::TopDownDibInfo(p.width, p.height);
    HDC screen = GetDC(nullptr);
    SetDIBits(screen, bitmap, 0, p.height, p.px.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
}

// Runs of equal pixels convert once.
template <class Convert>
void ConvertPixels(Pixels& p, Convert convert) {
    COLORREF last = 0, converted = convert(0);
    for (COLORREF& c : p.px) {
        if (c != last) converted = convert(last = c);
        c = converted;
    }
}

void GrayPixels(Pixels& p, int level) {
    ConvertPixels(p, [level](COLORREF c) {
        const int g = std::min(240, (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3 + level);
        return RGB(g, g, g);
    });
}

void LightenPixels(Pixels& p, int percent) {
    ConvertPixels(p, [percent](COLORREF c) {
        return static_cast<COLORREF>(LightenColor(static_cast<TColor>(c), std::min(percent, 100), kSystem));
    });
}

// Sets the pixels of `dc` at (x, y) + (j, i) where `opaque` says so: the target area is read,
// changed in memory and put back, so it works on any device context.
template <class PixelAt>
void Stamp(HDC dc, int x, int y, const Pixels& opaque, COLORREF key, PixelAt pixelAt) {
    void* raw = nullptr;
    win::Bitmap area = win::CreateTopDownDib(opaque.width, opaque.height, &raw);
    if (!area) return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, area.Get());
    BitBlt(mem, 0, 0, opaque.width, opaque.height, dc, x, y, SRCCOPY);
    GdiFlush();
    auto* bits = static_cast<uint32_t*>(raw);
    for (size_t n = 0; n < opaque.px.size(); ++n)
        if (opaque.px[n] != key) bits[n] = Swap(pixelAt(n));
    BitBlt(dc, x, y, opaque.width, opaque.height, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

// ---- drawing helpers --------------------------------------------------------------------

void Fill(HDC dc, int l, int t, int r, int b, TColor colour) { menupainter::Fill(dc, RECT{l, t, r, b}, colour); }

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

SIZE Extent(HDC dc, const std::wstring& text) {
    SIZE s{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &s);
    return s;
}


}  // namespace

// ---- bitmap functions -------------------------------------------------------------------

void GrayBitmap(HBITMAP bitmap, int level) {
    Pixels p = ReadPixels(bitmap);
    if (p.px.empty()) return;
    GrayPixels(p, level);
    WritePixels(bitmap, std::move(p));
}

void LightenBitmap(HBITMAP bitmap, int percent) {
    Pixels p = ReadPixels(bitmap);
    if (p.px.empty()) return;
    LightenPixels(p, percent);
    WritePixels(bitmap, std::move(p));
}

void PaintIconShadow(HBITMAP bitmap, HDC dc, int x, int y, TColor colour) {
    const Pixels p = ReadPixels(bitmap);
    if (p.px.empty()) return;
    const COLORREF shadow = Rgb(colour);
    Stamp(dc, x, y, p, p.Key(), [shadow](size_t) { return shadow; });
}

// ---- pieces of an item ------------------------------------------------------------------

void PaintGradient(HDC dc, const MenuLook& look, const RECT& r, bool rightToLeft) {
    int s = 0;
    for (int n = 0; n <= r.right - r.left; ++n) {
        const int x = rightToLeft ? r.right - 1 - n : r.left + n;
        const bool inBand = rightToLeft ? (r.right - look.iconWidth + 5 < x && x < r.right)
                                        : (r.left < x && x < r.left + look.iconWidth + 5);
        s = std::min(96, s + (inBand ? 3 : 1));
        Fill(dc, x, r.top, x + 1, r.bottom, LightenColor(look.colours.iconBand, s, kSystem));
    }
}

void PaintBarItemFrame(HDC dc, const MenuLook& look, bool rightToLeft, TColor bar, const RECT& r, bool menuItem) {
    const auto& c = look.colours;
    const int left = r.left, top = r.top, right = r.right, bottom = r.bottom;
    auto dark = [&](int n) { return DarkenColor(bar, n, kSystem); };
    Fill(dc, r, c.selectionFill);
    if (rightToLeft || !look.colourDisplay || !menuItem) {
        Lines(dc, c.selectionBorder, {{left, bottom - 1}, {left, top}, {right - 3, top}, {right - 3, bottom}});
        Fill(dc, right - 2, top + 2, right, bottom, dark(70));
        Fill(dc, right - 2, top, right, top + 2, bar);
        return;
    }
    Lines(dc, c.selectionBorder, {{left, bottom - 1}, {left, top}, {right - 8, top}, {right - 8, bottom}});
    // The soft shadow right of the box, darkest towards its lower left.
    Fill(dc, right - 7, top, right, bottom, dark(10));
    Fill(dc, right - 7, top + 3, right - 2, bottom, dark(30));
    Fill(dc, right - 7, top + 5, right - 3, bottom, dark(60));
    Fill(dc, right - 7, top + 6, right - 5, bottom, dark(100));
    Lines(dc, bar, {{right - 5, top + 1}, {right - 1, top + 1}, {right - 1, top + 6}});
    Lines(dc, bar, {{right - 3, top + 2}, {right - 2, top + 2}, {right - 2, top + 3}, {right - 3, top + 3}});
    Lines(dc, dark(10), {{right - 6, top + 3}, {right - 3, top + 3}, {right - 3, top + 6}, {right - 4, top + 6},
                         {right - 4, top + 3}});
    Lines(dc, dark(30), {{right - 5, top + 5}, {right - 4, top + 5}, {right - 4, top + 9}});
    Lines(dc, dark(40), {{right - 6, top + 5}, {right - 6, top + 7}});
}

void PaintCheckMark(HDC dc, const MenuLook& look, bool radioItem, bool checked, bool selected, const RECT& r,
                    bool hasIcon, bool enabled) {
    if (!checked) return;
    const auto& c = look.colours;
    // A disabled mark keeps the band's colour inside.
    const TColor brush = !enabled ? c.iconBand : selected ? c.checkedSelectedFill : c.checkedFill;
    if (radioItem) {
        const TColor pen = enabled ? c.selectionBorder : c.disabled;
        if (hasIcon) {
            Outlined(dc, pen, brush, [&] { RoundRect(dc, r.left, r.top, r.right, r.bottom, 6, 6); });
        } else {
            Outlined(dc, pen, brush, [&] { Ellipse(dc, r.left, r.top, r.right, r.bottom); });
            Outlined(dc, pen, pen, [&] { Ellipse(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2); });
        }
        return;
    }
    if (hasIcon) {
        Outlined(dc, enabled ? c.selectionBorder : c.disabled, brush,
                 [&] { Rectangle(dc, r.left, r.top, r.right, r.bottom); });
        return;
    }
    Outlined(dc, enabled ? c.checkColour : c.disabled, brush, [&] { Rectangle(dc, r.left, r.top, r.right, r.bottom); });
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    const TColor tick = enabled ? clBlack : c.disabled;
    Lines(dc, tick, {{L + 1, T + 5}, {L + 4, B - 2}});
    Lines(dc, tick, {{L + 2, T + 5}, {L + 4, B - 3}});
    Lines(dc, tick, {{L + 2, T + 4}, {L + 5, B - 3}});
    Lines(dc, tick, {{L + 4, B - 3}, {R + 2, T - 1}});
    Lines(dc, tick, {{L + 4, B - 2}, {R - 2, T + 3}});
}

void PaintItemIcon(HDC dc, const MenuLook& look, bool menuItem, bool rightToLeft, bool menuBarItem, bool checked,
                   bool enabled, bool raiseOff, bool selected, const RECT& r, HBITMAP glyph) {
    const Pixels original = ReadPixels(glyph);
    if (original.px.empty()) return;
    const int gw = original.width;
    int x = r.left, y = r.top + 1;
    if (menuItem) {
        y = r.top + 3;
        x = gw < look.iconWidth ? r.left + (look.iconWidth - gw) / 2 + 1 : rightToLeft ? r.right - gw - 2 : r.left + 2;
    }
    if (menuBarItem) x = rightToLeft ? r.right - gw - 5 : r.left + 1;
    const bool raised = selected && enabled && !raiseOff && (menuBarItem || !checked);
    if (raised) {
        x -= 1;
        y -= menuBarItem ? 2 : 1;
    }
    // Greying and dimming work on a copy; what is transparent stays the original's key colour.
    Pixels shown = original;
    if (!selected && enabled && !checked && look.colourDisplay) LightenPixels(shown, look.dimLevel);
    if (!enabled) {
        GrayPixels(shown, look.grayLevel);
        LightenPixels(shown, 40);
    }
    const COLORREF key = original.Key();
    if (selected && enabled && !checked) {
        const COLORREF shadow = Rgb(DarkenColor(look.colours.selectionFill, 50, kSystem));
        Stamp(dc, x + 2, y + 2, original, key, [shadow](size_t) { return shadow; });
    }
    Stamp(dc, x, y, original, key, [&shown](size_t n) { return shown.px[n]; });
}

void PaintItemText(HDC dc, const MenuLook& look, const std::wstring& text, UINT format, HFONT font,
                   bool rightToLeft, bool menuBarItem, bool isDefault, bool enabled, bool selected, RECT rect,
                   const std::wstring& shortcutText) {
    const auto& c = look.colours;
    TColor colour = look.fontColour;
    if (selected) colour = c.selectionText;
    if (!enabled) colour = c.disabled;
    if (menuBarItem && selected && look.useSystemColors) colour = TextColorOnBand(c.iconBand, look.fontColour, kSystem);
    win::SavedDC saved(dc);
    if (font) SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    format |= DT_EXPANDTABS;
    auto draw = [&](const std::wstring& s, RECT r, UINT f, COLORREF rgb) {
        SetTextColor(dc, rgb);
        DrawTextExW(dc, const_cast<wchar_t*>(s.c_str()), static_cast<int>(s.size()), &r, f, nullptr);
    };
    if (isDefault && enabled) {
        // Darkened copies under the text make a default item look bold in any font.
        struct Pass { int dl, dt, dr, n; };
        for (const Pass p : {Pass{1, 0, 0, 30}, Pass{1, 2, 1, 30}, Pass{0, 1, 0, 40}, Pass{1, 1, 1, 60}}) {
            const RECT r{rect.left + p.dl, rect.top + p.dt, rect.right + p.dr, rect.bottom};
            const COLORREF under = GetPixel(dc, r.left, r.top);
            draw(text, r, format, Rgb(DarkenColor(static_cast<TColor>(under), p.n, kSystem)));
        }
    }
    draw(text, rect, format, Rgb(colour));
    if (shortcutText.empty()) return;
    RECT r = rect;
    if (rightToLeft) r.left += 10; else r.right -= 10;
    draw(shortcutText + L" ", r, rightToLeft ? DT_LEFT : DT_RIGHT, Rgb(colour));
}

// ---- the item ---------------------------------------------------------------------------

void MeasureMenuItem(HDC dc, const MenuLook& look, const MenuItemFacts& item, int& width, int& height) {
    win::SavedDC saved(dc);
    if (look.font) SelectObject(dc, look.font);
    const std::wstring text = MeasureText(item.caption, item.shortcutText);
    const SIZE textSize = Extent(dc, text);
    BITMAP bm{};
    if (item.icon) GetObjectW(item.icon, sizeof bm, &bm);
    MeasureInput in{item.caption, item.shortcutText};
    in.textWidth = textSize.cx;
    in.ampersandWidth = Extent(dc, L"&").cx;
    in.textHeight = textSize.cy;
    in.menuBarItem = item.menuBarItem;
    in.hasSubItems = item.hasSubItems;
    in.iconWidth = bm.bmWidth;
    in.iconHeight = bm.bmHeight;
    in.iconBandWidth = look.iconWidth;
    in.width = width;
    in.height = height;
    const ItemSize size = MeasureMenuItemSize(in);
    width = size.width;
    height = size.height;
}

void PaintMenuItem(HDC dc, const RECT& rect, bool selected, const MenuLook& lookIn, const MenuItemFacts& item) {
    MenuLook look = lookIn;
    if (item.menuBarItem && look.drawMenuBar) look.colours.menuBar = look.menuBarColor;
    const auto& c = look.colours;
    BITMAP bm{};
    if (item.icon) GetObjectW(item.icon, sizeof bm, &bm);
    const bool hasIcon = bm.bmWidth > 0;

    ItemLayoutInput in;
    in.platformRect = {rect.left, rect.top, rect.right, rect.bottom};
    in.menuBarItem = item.menuBarItem;
    in.rightToLeft = item.rightToLeft;
    in.flatMenu = look.flatMenu;
    in.iconBandWidth = look.iconWidth;
    in.iconWidth = bm.bmWidth;
    in.iconHeight = bm.bmHeight;
    {
        win::SavedDC saved(dc);
        if (look.font) SelectObject(dc, look.font);
        in.letterHeight = Extent(dc, L"W").cy;
    }
    const ItemLayout l = LayoutMenuItem(in);
    const win::DibSurface off(dc, l.bitmapWidth, l.bitmapHeight);
    HDC mem = off.Get();
    if (look.font) SelectObject(mem, look.font);

    const RECT r = ToRect(l.item);
    if (item.menuBarItem) {
        Fill(mem, r, c.menuBar);
    } else if (look.colourDisplay && look.gradient) {
        PaintGradient(mem, look, RECT{r.left, r.top, r.right + 2, r.bottom}, item.rightToLeft);
    } else {
        Fill(mem, ToRect(l.background), c.menuBackground);
        Fill(mem, ToRect(l.band), c.iconBand);
    }

    const SelectionChoice choice =
        ChooseSelection(selected, look.drawSelect, item.enabled, item.menuBarItem, item.mouseOverBarItem);
    auto box = [&](const Rect& b) {
        Outlined(mem, c.selectionBorder, c.selectionFill, [&] { Rectangle(mem, b.left, b.top, b.right, b.bottom); });
    };
    if (choice.look == SelectionLook::BarFrame) PaintBarItemFrame(mem, look, item.rightToLeft, look.menuBarColor, r, true);
    if (choice.look == SelectionLook::PopupBox) box(l.selectionBox);
    if (choice.look == SelectionLook::HotBarBox) box(l.hotBarBox);

    if (item.checked || item.radioItem)
        PaintCheckMark(mem, look, item.radioItem, item.checked, selected, ToRect(l.check), hasIcon, item.enabled);
    if (hasIcon)
        PaintItemIcon(mem, look, true, item.rightToLeft, item.menuBarItem, item.checked, item.enabled, false,
                      selected || choice.drawnSelected, ToRect(l.band), item.icon);

    if (item.caption == L"-") {
        Lines(mem, c.separator, {{l.separatorFrom, l.separatorY}, {l.separatorTo, l.separatorY}});
    } else {
        const UINT format = item.rightToLeft ? (DT_RIGHT | DT_RTLREADING) : DT_LEFT;
        PaintItemText(mem, look, L" " + item.caption, format, look.font, item.rightToLeft, item.menuBarItem,
                      item.isDefault, item.enabled, selected, ToRect(l.caption), item.shortcutText);
    }
    BitBlt(dc, l.copyX, l.copyY, l.bitmapWidth, l.bitmapHeight, mem, 0, 0, SRCCOPY);
}

}  // namespace kelo::menupainter
