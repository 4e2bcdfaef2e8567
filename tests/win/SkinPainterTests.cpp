// The element painter on real GDI: pixels read back from a DIB.
#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "skin/data/SkinPainter.h"

using namespace kelo::skin;
using kelo::test::DibCanvas;

namespace {

constexpr COLORREF kPaper = RGB(10, 20, 30);
constexpr Pixel kTL = 0xFF0000, kTR = 0x00FF00, kBL = 0x0000FF, kBR = 0xFFFF00;
constexpr Pixel kTop = 0x800000, kBottom = 0x008000, kLeft = 0x000080, kRight = 0x808000, kCentre = 0x404040;

COLORREF Ref(Pixel p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// A 9 x 9 frame with 3-pixel margins, each of the nine pieces in its own colour.
SkinImage Grid(Pixel centre = kCentre) {
    SkinImage image(9, 9);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            const int col = x < 3 ? 0 : x < 6 ? 1 : 2, row = y < 3 ? 0 : y < 6 ? 1 : 2;
            const Pixel pieces[3][3] = {{kTL, kTop, kTR}, {kLeft, centre, kRight}, {kBL, kBottom, kBR}};
            image.Set(x, y, pieces[row][col]);
        }
    }
    return image;
}

TSkinElement Element(SkinImage image, int margin, int tile = 0, int trans = 0) {
    TSkinElement e;
    e.image = std::move(image);
    e.leftWidth = e.topHeight = e.rightWidth = e.bottomHeight = margin;
    e.tile = tile;
    e.trans = trans;
    return e;
}

TEST(SkinPainter, CornersKeptEdgesStretched) {
    DibCanvas c(40, 30, kPaper);
    DrawSkinElement(c.Dc(), {5, 4, 35, 24}, Element(Grid(), 3), 1, 1);
    EXPECT_EQ(c.At(4, 4), kPaper);  // nothing outside the rectangle
    EXPECT_EQ(c.At(5, 4), Ref(kTL));
    EXPECT_EQ(c.At(7, 6), Ref(kTL));
    EXPECT_EQ(c.At(8, 4), Ref(kTop));
    EXPECT_EQ(c.At(31, 6), Ref(kTop));
    EXPECT_EQ(c.At(32, 4), Ref(kTR));
    EXPECT_EQ(c.At(34, 6), Ref(kTR));
    EXPECT_EQ(c.At(5, 7), Ref(kLeft));
    EXPECT_EQ(c.At(7, 20), Ref(kLeft));
    EXPECT_EQ(c.At(20, 14), Ref(kCentre));
    EXPECT_EQ(c.At(5, 21), Ref(kBL));
    EXPECT_EQ(c.At(34, 23), Ref(kBR));
    EXPECT_EQ(c.At(20, 23), Ref(kBottom));
    EXPECT_EQ(c.At(33, 15), Ref(kRight));
    EXPECT_EQ(c.At(35, 24), kPaper);
}

// A centre of two columns, dark then light: tiled it alternates, stretched it is two halves.
TEST(SkinPainter, TileVersusStretch) {
    SkinImage image(8, 3, 0x999999);
    for (int y = 0; y < 3; ++y) {
        image.Set(3, y, 0x111111);
        image.Set(4, y, 0xEEEEEE);
    }
    TSkinElement e = Element(image, 0);
    e.leftWidth = e.rightWidth = 3;
    DibCanvas tiled(30, 3, kPaper), stretched(30, 3, kPaper);
    e.tile = 1;
    DrawSkinElement(tiled.Dc(), {0, 0, 30, 3}, e, 1, 1);
    e.tile = 0;
    DrawSkinElement(stretched.Dc(), {0, 0, 30, 3}, e, 1, 1);
    for (int x = 3; x < 27; ++x) {
        EXPECT_EQ(tiled.At(x, 1), (x - 3) % 2 == 0 ? RGB(0x11, 0x11, 0x11) : RGB(0xEE, 0xEE, 0xEE)) << x;
    }
    EXPECT_EQ(stretched.At(4, 1), RGB(0x11, 0x11, 0x11));
    EXPECT_EQ(stretched.At(13, 1), RGB(0x11, 0x11, 0x11));
    EXPECT_EQ(stretched.At(16, 1), RGB(0xEE, 0xEE, 0xEE));
    EXPECT_EQ(stretched.At(26, 1), RGB(0xEE, 0xEE, 0xEE));
    EXPECT_EQ(tiled.At(27, 1), RGB(0x99, 0x99, 0x99));  // the right margin covers the spill
}

TEST(SkinPainter, MagentaLeavesTheTargetUntouched) {
    TSkinElement keyed = Element(Grid(kMagenta), 3, 0, 1);
    DibCanvas c(30, 30, kPaper);
    DrawSkinElement(c.Dc(), {0, 0, 30, 30}, keyed, 1, 1);
    EXPECT_EQ(c.At(15, 15), kPaper);
    EXPECT_EQ(c.At(4, 4), kPaper);
    EXPECT_EQ(c.At(1, 1), Ref(kTL));
    EXPECT_EQ(c.At(15, 1), Ref(kTop));

    keyed.trans = 0;  // without the flag magenta is a colour like any other
    DrawSkinElement(c.Dc(), {0, 0, 30, 30}, keyed, 1, 1);
    EXPECT_EQ(c.At(15, 15), RGB(255, 0, 255));
}

// Three pixels for a nine-pixel frame: each target column (row) takes one band of the
// frame, so the pieces show which margins were dropped.
TEST(SkinPainter, NarrowAndFlatRectanglesDropMargins) {
    DibCanvas c(40, 40, kPaper);
    DrawSkinElement(c.Dc(), {0, 0, 3, 20}, Element(Grid(), 3), 1, 1);  // 3 < 3 + 3
    EXPECT_EQ(c.At(0, 0), Ref(kTL));  // the top piece spans the whole frame width
    EXPECT_EQ(c.At(1, 0), Ref(kTop));
    EXPECT_EQ(c.At(2, 2), Ref(kTR));
    EXPECT_EQ(c.At(0, 10), Ref(kLeft));
    EXPECT_EQ(c.At(1, 10), Ref(kCentre));
    EXPECT_EQ(c.At(1, 19), Ref(kBottom));
    DrawSkinElement(c.Dc(), {10, 30, 40, 33}, Element(Grid(), 3), 1, 1);  // 3 < 3 + 3
    EXPECT_EQ(c.At(10, 30), Ref(kTL));
    EXPECT_EQ(c.At(25, 30), Ref(kTop));
    EXPECT_EQ(c.At(12, 31), Ref(kLeft));
    EXPECT_EQ(c.At(25, 31), Ref(kCentre));
    EXPECT_EQ(c.At(39, 31), Ref(kRight));
    EXPECT_EQ(c.At(25, 32), Ref(kBottom));
}

TEST(SkinPainter, NegativeRectanglesDrawNothing) {
    DibCanvas c(20, 20, kPaper);
    DrawSkinElement(c.Dc(), {10, 10, 5, 15}, Element(Grid(), 3), 1, 1);
    DrawSkinElement(c.Dc(), {0, 10, 5, 5}, Element(Grid(), 3), 1, 1);
    DrawSkinElement(c.Dc(), {0, 0, 20, 20}, Element(SkinImage(), 3), 1, 1);
    EXPECT_EQ(c.Snapshot().Pixels(), DibCanvas(20, 20, kPaper).Snapshot().Pixels());
}

TEST(SkinPainter, FramesSideBySideAndStacked) {
    SkinImage strip(6, 4, 0x000011);
    for (int y = 0; y < 4; ++y) {
        for (int x = 3; x < 6; ++x) strip.Set(x, y, 0x000022);
    }
    DibCanvas c(10, 10, kPaper);
    DrawSkinElement(c.Dc(), {0, 0, 10, 10}, Element(strip, 0), 2, 2);
    EXPECT_EQ(c.At(5, 5), RGB(0, 0, 0x22));
    const SkinImage stacked = strip.RotateClockwise();  // 4 x 6, frame 2 is the bottom half
    DrawSkinElement(c.Dc(), {0, 0, 10, 10}, Element(stacked, 0), 2, 2, FrameLayout::Stacked);
    EXPECT_EQ(c.At(5, 5), RGB(0, 0, 0x22));
    DrawSkinElement(c.Dc(), {0, 0, 10, 10}, Element(stacked, 0), 2, 1, FrameLayout::Stacked);
    EXPECT_EQ(c.At(5, 5), RGB(0, 0, 0x11));
}

TEST(SkinPainter, DrawingAgainAndAgainKeepsTheGdiObjectCount) {
    const TSkinElement e = Element(Grid(kMagenta), 3, 1, 1);
    DibCanvas c(64, 64, kPaper);
    DrawSkinElement(c.Dc(), {0, 0, 64, 64}, e, 1, 1);  // makes the image's bitmap once
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 200; ++i) DrawSkinElement(c.Dc(), {i % 7, 0, 64, 64 - i % 5}, e, 1, 1);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}

}  // namespace
