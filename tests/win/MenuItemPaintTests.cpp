// The flat menu item on real GDI: items painted into a DIB, pixels read back and compared
// with the working colours of the system scheme.
#include <gtest/gtest.h>

#include <vector>

#include "SkinTestSupport.h"
#include "framework/Handle.h"
#include "menupainter/MenuItemPaint.h"

using namespace kelo;
using namespace kelo::menupainter;
using kelo::test::DibCanvas;

namespace {

const SystemColours kSystem = [](int index) { return static_cast<uint32_t>(GetSysColor(index)); };
COLORREF Rgb(TColor c) { return static_cast<COLORREF>(ToRgb(c, kSystem)); }

constexpr COLORREF kPaper = RGB(1, 2, 3);
constexpr RECT kItem{10, 5, 160, 27};  // a popup item 22 pixels high

class MenuItemPaint : public ::testing::Test {
protected:
    MenuItemPaint() : font_(CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma")) {
        look_.colours = ComputeColors(PainterColourProps{}, true, kSystem);
        look_.font = font_.Get();
    }
    COLORREF Paint(const MenuItemFacts& item, bool selected, int x, int y, RECT rect = kItem) {
        DibCanvas canvas(200, 40, kPaper);
        PaintMenuItem(canvas.Dc(), rect, selected, look_, item);
        return canvas.At(x, y);
    }
    // A 16 x 16 glyph on the key colour $FF00FF with a block of (170, 170, 170), which greys
    // to the same value as the key (a mask taken after greying would drop it), and a red dot.
    win::Bitmap Glyph() {
        std::vector<uint32_t> bits(16 * 16, 0xFF00FF);
        for (int y = 2; y < 14; ++y)
            for (int x = 2; x < 8; ++x) bits[y * 16 + x] = 0xAAAAAA;
        bits[4 * 16 + 12] = 0xFF0000;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB};
        HDC screen = GetDC(nullptr);
        win::Bitmap glyph(CreateCompatibleBitmap(screen, 16, 16));
        SetDIBits(screen, glyph.Get(), 0, 16, bits.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        return glyph;
    }
    std::vector<uint32_t> Bits(HBITMAP bitmap) {
        std::vector<uint32_t> bits(16 * 16);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB};
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bitmap, 0, 16, bits.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        for (auto& b : bits) b &= 0xFFFFFF;
        return bits;
    }
    win::Font font_;
    MenuLook look_;
};

MenuItemFacts Item(std::wstring caption) {
    MenuItemFacts item;
    item.caption = std::move(caption);
    return item;
}

TEST_F(MenuItemPaint, IdleItemShowsMenuBackgroundAndIconBand) {
    const MenuItemFacts item = Item(L"&Options");
    EXPECT_EQ(Paint(item, false, kItem.left + 2, kItem.top + 10), Rgb(LightenColor(clBtnFace, 16, kSystem)));
    EXPECT_EQ(Paint(item, false, kItem.left + 23, kItem.top + 10), Rgb(LightenColor(clBtnFace, 16, kSystem)));
    EXPECT_EQ(Paint(item, false, kItem.left + 24, kItem.top + 1), Rgb(LightenColor(clBtnFace, 86, kSystem)));
    EXPECT_EQ(Paint(item, false, kItem.right - 2, kItem.top + 10), Rgb(LightenColor(clBtnFace, 86, kSystem)));
    // The four pixels left of the platform's rectangle belong to the item too.
    EXPECT_EQ(Paint(item, false, kItem.left - 3, kItem.top + 10), Rgb(LightenColor(clBtnFace, 86, kSystem)));
    EXPECT_EQ(Paint(item, false, kItem.right, kItem.top + 10), kPaper);
}

TEST_F(MenuItemPaint, SelectedItemIsFilledAndFramedInHighlight) {
    const MenuItemFacts item = Item(L"&Options");
    const COLORREF fill = Rgb(LightenColor(clHighlight, 68, kSystem)), border = Rgb(clHighlight);
    EXPECT_EQ(Paint(item, true, kItem.right - 10, kItem.top + 10), fill);
    EXPECT_EQ(Paint(item, true, kItem.left, kItem.top + 10), border);
    EXPECT_EQ(Paint(item, true, kItem.right - 1, kItem.top + 10), border);
    EXPECT_EQ(Paint(item, true, kItem.left + 50, kItem.top + 1), border);
    EXPECT_EQ(Paint(item, true, kItem.left + 50, kItem.bottom - 1), border);
    EXPECT_EQ(Paint(item, true, kItem.left + 50, kItem.top), Rgb(LightenColor(clBtnFace, 86, kSystem)));
}

TEST_F(MenuItemPaint, DisabledSelectedItemHasNoBox) {
    MenuItemFacts item = Item(L"&Options");
    item.enabled = false;
    EXPECT_EQ(Paint(item, true, kItem.left, kItem.top + 10), Rgb(LightenColor(clBtnFace, 16, kSystem)));
    EXPECT_EQ(Paint(item, true, kItem.right - 10, kItem.top + 10), Rgb(LightenColor(clBtnFace, 86, kSystem)));
}

TEST_F(MenuItemPaint, CheckedItemWithoutIconShowsFramedTenPixelBox) {
    MenuItemFacts item = Item(L"&Always on top");
    item.checked = true;
    // Band 24 wide, item 23 high (the platform's 22 and one): the box at (7, 6)-(16, 15).
    const int l = kItem.left + 7, t = kItem.top + 6;
    const COLORREF frame = Rgb(clHighlight);
    EXPECT_EQ(Paint(item, false, l, t), frame);
    EXPECT_EQ(Paint(item, false, l + 9, t), frame);
    EXPECT_EQ(Paint(item, false, l, t + 9), frame);
    EXPECT_EQ(Paint(item, false, l + 9, t + 9), frame);
    EXPECT_EQ(Paint(item, false, l + 1, t + 1), Rgb(LightenColor(clHighlight, 80, kSystem)));
    EXPECT_EQ(Paint(item, true, l + 1, t + 1), Rgb(LightenColor(clHighlight, 50, kSystem)));
    EXPECT_EQ(Paint(item, false, l - 1, t + 5), Rgb(LightenColor(clBtnFace, 16, kSystem)));
    EXPECT_EQ(Paint(item, false, l + 2, t + 6), RGB(0, 0, 0));  // the tick
}

TEST_F(MenuItemPaint, SeparatorLineStartsPastTheBand) {
    const RECT rect{10, 5, 160, 9};
    const COLORREF line = Rgb(LightenColor(clBtnShadow, 25, kSystem));
    EXPECT_EQ(Paint(Item(L"-"), false, rect.left + 31, rect.top + 2, rect), line);
    EXPECT_EQ(Paint(Item(L"-"), false, rect.right - 1, rect.top + 2, rect), line);
    EXPECT_EQ(Paint(Item(L"-"), false, rect.left + 30, rect.top + 2, rect), Rgb(LightenColor(clBtnFace, 86, kSystem)));
    EXPECT_EQ(Paint(Item(L"-"), false, rect.left + 31, rect.top + 1, rect), Rgb(LightenColor(clBtnFace, 86, kSystem)));
}

TEST_F(MenuItemPaint, GreyedIconKeepsExactlyItsTransparentPixels) {
    win::Bitmap glyph = Glyph();
    const std::vector<uint32_t> before = Bits(glyph.Get());
    MenuItemFacts item = Item(L"&Exit");
    item.icon = glyph.Get();
    item.enabled = false;
    DibCanvas canvas(200, 40, kPaper);
    PaintMenuItem(canvas.Dc(), kItem, false, look_, item);
    // The glyph sits at (5, 3) of the platform's rectangle: centred in the band, 3 down.
    const int gx = kItem.left + 5, gy = kItem.top + 3;
    const COLORREF band = Rgb(LightenColor(clBtnFace, 16, kSystem));
    const int g = std::min(240, 170 + look_.grayLevel);
    const COLORREF greyed = Rgb(LightenColor(RGB(g, g, g), 40, kSystem));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool key = before[y * 16 + x] == 0xFF00FF;
            const COLORREF shown = canvas.At(gx + x, gy + y);
            if (key) EXPECT_EQ(shown, band) << x << "," << y;
            else EXPECT_NE(shown, band) << x << "," << y;
        }
    }
    EXPECT_EQ(canvas.At(gx + 3, gy + 3), greyed);
    EXPECT_EQ(Bits(glyph.Get()), before);  // the item's own icon is untouched
}

TEST_F(MenuItemPaint, SelectedIconIsRaisedOverItsShadow) {
    win::Bitmap glyph = Glyph();
    MenuItemFacts item = Item(L"&Exit");
    item.icon = glyph.Get();
    DibCanvas canvas(200, 40, kPaper);
    PaintMenuItem(canvas.Dc(), kItem, true, look_, item);
    const int gx = kItem.left + 4, gy = kItem.top + 2;  // one up and left
    EXPECT_EQ(canvas.At(gx + 12, gy + 4), RGB(255, 0, 0));
    const COLORREF shadow = Rgb(DarkenColor(LightenColor(clHighlight, 68, kSystem), 50, kSystem));
    EXPECT_EQ(canvas.At(gx + 12 + 2, gy + 4 + 2), shadow);
    EXPECT_EQ(canvas.At(gx + 7 + 2, gy + 13 + 2), shadow);
}

TEST_F(MenuItemPaint, IdleIconIsDimmed) {
    win::Bitmap glyph = Glyph();
    MenuItemFacts item = Item(L"&Exit");
    item.icon = glyph.Get();
    DibCanvas canvas(200, 40, kPaper);
    PaintMenuItem(canvas.Dc(), kItem, false, look_, item);
    EXPECT_EQ(canvas.At(kItem.left + 5 + 12, kItem.top + 3 + 4), Rgb(LightenColor(RGB(255, 0, 0), 30, kSystem)));
}

TEST_F(MenuItemPaint, MeasuringKeepsSeparatorsFourHighAndWidensForShortcuts) {
    DibCanvas canvas(10, 10, kPaper);
    int w = 10, h = 30;
    MeasureMenuItem(canvas.Dc(), look_, Item(L"-"), w, h);
    EXPECT_EQ(h, 4);
    int plainW = 0, plainH = 0, cutW = 0, cutH = 0;
    MenuItemFacts item = Item(L"&Options");
    MeasureMenuItem(canvas.Dc(), look_, item, plainW, plainH);
    item.shortcutText = L"Ctrl+O";
    MeasureMenuItem(canvas.Dc(), look_, item, cutW, cutH);
    EXPECT_GT(cutW, plainW + 20);
    EXPECT_GE(plainH, 16);
    EXPECT_EQ(plainH, cutH);
}

TEST_F(MenuItemPaint, HundredPaintsLeaveNoGdiObjectBehind) {
    win::Bitmap glyph = Glyph();
    DibCanvas canvas(200, 40, kPaper);
    const long live = win::LiveGdiObjects();
    const DWORD system = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 100; ++i) {
        MenuItemFacts item = Item(L"&Exit");
        item.icon = i % 2 ? glyph.Get() : nullptr;
        item.checked = i % 3 == 0;
        item.isDefault = i % 4 == 0;
        item.enabled = i % 5 != 0;
        item.shortcutText = L"Ctrl+Q";
        PaintMenuItem(canvas.Dc(), kItem, i % 2 == 0, look_, item);
    }
    EXPECT_EQ(win::LiveGdiObjects(), live);
    if (system != 0) EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), system);
}

}  // namespace
