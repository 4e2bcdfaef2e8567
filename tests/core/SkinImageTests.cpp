#include <gtest/gtest.h>

#include <string>

#include "skin/data/SkinArchive.h"
#include "skin/data/SkinImage.h"

using namespace kelo::skin;

namespace {

// 3 x 2 picture with every pixel different.
SkinImage Sample() {
    SkinImage image(3, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) image.Set(x, y, MakePixel(10 * x, 100 + y, 7));
    }
    return image;
}

std::string Header(int width, int height, int bitCount, uint32_t compression, uint32_t dataOffset, uint32_t colours = 0) {
    std::string h = "BM";
    AppendLe32(h, 0);
    AppendLe32(h, 0);
    AppendLe32(h, dataOffset);
    AppendLe32(h, 40);
    AppendLe32(h, static_cast<uint32_t>(width));
    AppendLe32(h, static_cast<uint32_t>(height));
    h += std::string("\x01\x00", 2);
    h += static_cast<char>(bitCount);
    h += '\0';
    AppendLe32(h, compression);
    for (int i = 0; i < 3; ++i) AppendLe32(h, 0);
    AppendLe32(h, colours);
    AppendLe32(h, 0);
    return h;
}

TEST(SkinImageBmp, TwentyFourBitRoundTrip) {
    const SkinImage image = Sample();
    const SkinImage back = SkinImage::FromBmp(image.ToBmp24());
    EXPECT_EQ(back.Width(), 3);
    EXPECT_EQ(back.Pixels(), image.Pixels());
}

TEST(SkinImageBmp, MonochromeKeepsBlackAndWhite) {
    SkinImage glyphs(20, 3, 0xFFFFFF);
    glyphs.Set(0, 0, 0);
    glyphs.Set(19, 2, 0);
    const SkinImage back = SkinImage::FromBmp(glyphs.ToBmp1());
    EXPECT_EQ(back.Pixels(), glyphs.Pixels());
}

TEST(SkinImageBmp, PaletteAndTopDownAndThirtyTwoBits) {
    // 8 bits, two palette entries, 2 x 2, stored top-down.
    std::string bmp = Header(2, -2, 8, 0, 54 + 8, 2);
    AppendLe32(bmp, 0x00FF00FF);
    AppendLe32(bmp, 0x00123456);
    bmp += std::string("\x00\x01\x00\x00\x01\x00\x00\x00", 8);
    const SkinImage eight = SkinImage::FromBmp(bmp);
    ASSERT_EQ(eight.Height(), 2);
    EXPECT_EQ(eight.At(0, 0), kMagenta);
    EXPECT_EQ(eight.At(1, 0), 0x123456u);
    EXPECT_EQ(eight.At(0, 1), 0x123456u);

    std::string bgra = Header(1, 1, 32, 0, 54);
    bgra += std::string("\x03\x02\x01\xFF", 4);
    EXPECT_EQ(SkinImage::FromBmp(bgra).At(0, 0), 0x010203u);
}

TEST(SkinImageBmp, DamagedFilesGiveNothing) {
    const std::string good = Sample().ToBmp24();
    EXPECT_TRUE(SkinImage::FromBmp(good.substr(0, good.size() - 1)).Empty());  // pixels cut short
    EXPECT_TRUE(SkinImage::FromBmp("BM").Empty());
    EXPECT_TRUE(SkinImage::FromBmp(Header(1, 1, 24, 1, 54) + "abcd").Empty());  // run-length coded
    EXPECT_TRUE(SkinImage::FromBmp(Header(100000, 100000, 1, 0, 54) + "x").Empty());
    EXPECT_TRUE(SkinImage::FromBmp(Header(0, 5, 24, 0, 54)).Empty());
    std::string farOffset = good;
    farOffset[10] = '\xFF';
    EXPECT_TRUE(SkinImage::FromBmp(farOffset).Empty());
}

TEST(SkinImageTransforms, MirrorsAndQuarterTurns) {
    const SkinImage s = Sample();
    const SkinImage lr = s.MirrorLeftRight();
    EXPECT_EQ(lr.At(0, 0), s.At(2, 0));
    EXPECT_EQ(lr.At(2, 1), s.At(0, 1));
    const SkinImage tb = s.MirrorTopBottom();
    EXPECT_EQ(tb.At(1, 0), s.At(1, 1));
    const SkinImage cw = s.RotateClockwise();
    ASSERT_EQ(cw.Width(), 2);
    ASSERT_EQ(cw.Height(), 3);
    EXPECT_EQ(cw.At(1, 0), s.At(0, 0));  // the top-left pixel goes to the top-right
    EXPECT_EQ(cw.At(0, 2), s.At(2, 1));
    EXPECT_EQ(cw.RotateCounterClockwise().Pixels(), s.Pixels());
    EXPECT_EQ(s.RotateClockwise().RotateClockwise().Pixels(), s.MirrorLeftRight().MirrorTopBottom().Pixels());
}

TEST(SkinImageTransforms, CropStaysInside) {
    const SkinImage s = Sample();
    const SkinImage part = s.Crop(1, 1, 10, 10);
    EXPECT_EQ(part.Width(), 2);
    EXPECT_EQ(part.Height(), 1);
    EXPECT_EQ(part.At(0, 0), s.At(1, 1));
    EXPECT_TRUE(s.Crop(5, 0, 2, 2).Empty());
    EXPECT_TRUE(s.Crop(0, 0, -3, 2).Empty());
}

}  // namespace
