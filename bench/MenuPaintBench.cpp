// kelo_bench menu: how long the flat menu painter takes for one item and for a whole
// popup of six (measured, then each item composed off screen and put in place), painted
// into an off-screen DC the size of the popup.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "framework/Handle.h"
#include "framework/Graphics.h"
#include "menupainter/MenuItemPaint.h"

namespace kelo::bench {

namespace {

using namespace menupainter;

// A 16 x 16 glyph on the key colour, as a menu item's bitmap comes.
win::Bitmap Glyph() {
    std::vector<uint32_t> bits(16 * 16, 0xFF00FF);
    for (int y = 2; y < 14; ++y)
        for (int x = 2; x < 14; ++x) bits[y * 16 + x] = 0x2060C0 + x * 0x0400 + y * 0x04;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB};
    win::WindowDC screen(nullptr);
    win::Bitmap glyph(CreateCompatibleBitmap(screen.Get(), 16, 16));
    SetDIBits(screen.Get(), glyph.Get(), 0, 16, bits.data(), &info, DIB_RGB_COLORS);
    return glyph;
}

void Report(const char* what, const std::vector<double>& ms, const char* goal) {
    std::printf("  %-40s %10.3f %10.3f   %s\n", what, Median(ms), *std::max_element(ms.begin(), ms.end()), goal);
}

}  // namespace

int MenuPaint(int runs) {
    runs = std::max(runs, 1);
    const SystemColours system = [](int index) { return static_cast<uint32_t>(GetSysColor(index)); };
    win::Font font(CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    MenuLook look;
    look.colours = ComputeColors(PainterColourProps{}, true, system);
    look.font = font.Get();
    win::Bitmap glyph = Glyph();

    // The mini window's popup: icons, a checked item, a separator, a default item.
    std::vector<MenuItemFacts> items(6);
    items[0].caption = L"&Show main window";
    items[0].isDefault = true;
    items[0].icon = glyph.Get();
    items[1].caption = L"&Always on top";
    items[1].checked = true;
    items[2].caption = L"&Connect";
    items[2].shortcutText = L"Ctrl+K";
    items[2].icon = glyph.Get();
    items[3].caption = L"&Options...";
    items[3].enabled = false;
    items[3].icon = glyph.Get();
    items[4].caption = L"-";
    items[5].caption = L"E&xit";
    items[5].shortcutText = L"Alt+F4";

    win::WindowDC screen(nullptr);
    const int width = 200, height = 5 * 22 + 4;
    win::MemoryDC popup(screen.Get(), width, height);
    HDC dc = popup.Get();

    std::vector<double> single, whole;
    for (int i = 0; i < runs; ++i) {
        double start = Seconds();
        int w = 0, h = 0;
        MeasureMenuItem(dc, look, items[2], w, h);
        PaintMenuItem(dc, RECT{4, 0, width, h}, true, look, items[2]);
        GdiFlush();
        single.push_back((Seconds() - start) * 1000.0);

        start = Seconds();
        std::vector<int> heights(items.size());
        int maxWidth = 0;
        for (size_t n = 0; n < items.size(); ++n) {
            int iw = 0;
            MeasureMenuItem(dc, look, items[n], iw, heights[n]);
            maxWidth = std::max(maxWidth, iw);
        }
        int top = 0;
        for (size_t n = 0; n < items.size(); ++n) {
            PaintMenuItem(dc, RECT{4, top, std::max(maxWidth, width - 4), top + heights[n]}, n == 2, look, items[n]);
            top += heights[n];
        }
        GdiFlush();
        whole.push_back((Seconds() - start) * 1000.0);
    }

    std::printf("menu: flat menu items, %d runs\n", runs);
    std::printf("  %-40s %10s %10s\n", "", "median ms", "worst ms");
    Report("one item measured and painted", single, "");
    Report("6-item popup measured and painted", whole, "(goal: popup painted in under 5 ms)");
    return 0;
}

}  // namespace kelo::bench
