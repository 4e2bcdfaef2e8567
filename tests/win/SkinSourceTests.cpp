// TSkinSource under Wine: the skin the program carries, read from its SkinStream bytes.
#include <gtest/gtest.h>

#include <fstream>

#include "SkinTestSupport.h"
#include "TestSupport.h"
#include "skin/data/SkinPainter.h"
#include "skin/SkinSource.h"

using namespace kelo::skin;

namespace {

std::string Property() { return WriteSkinStream(kelo::test::EmbeddedSkinFile()); }

TEST(SkinSource, EmbeddedSkinDecodesAndParsesWithEveryElement) {
    const std::string property = Property();
    ASSERT_GT(property.size(), 1000u);
    const auto source = LoadSkinFromStream(property);
    ASSERT_FALSE(source->SkinEmpty());
    const SkinData& skin = *source->Skin();
    EXPECT_EQ(skin.skinName, "Kelo");
    for (size_t i = 0; i < skin.sides.size(); ++i) EXPECT_FALSE(skin.sides[i].image.Empty()) << i;
    for (size_t i = 0; i < 4; ++i) EXPECT_FALSE(skin.captionButtons[i].image.Empty()) << i;
    EXPECT_EQ(skin.captionButtons[4].action, 3);
    for (SkinPart part : {SkinPart::MenuItem, SkinPart::MenuBackground, SkinPart::Scrollbar, SkinPart::HorzScroll,
                          SkinPart::VertScroll, SkinPart::HorzScrollThumb, SkinPart::VertScrollThumb,
                          SkinPart::ComboButton, SkinPart::SunkEdge, SkinPart::ExtraImages, SkinPart::Headerbar,
                          SkinPart::StatusBarEdges}) {
        ASSERT_NE(skin.Part(part), nullptr) << SkinPartSection(part);
        EXPECT_FALSE(skin.Part(part)->image.Empty()) << SkinPartSection(part);
    }
    EXPECT_FALSE(skin.buttons.image.Empty());
    EXPECT_FALSE(skin.buttons.checkImage.Empty());
    EXPECT_FALSE(skin.buttons.radioImage.Empty());
    EXPECT_EQ(source->WriteSkinStream(), property);
}

TEST(SkinSource, ButtonFaceBrushAndMenuGlyphs) {
    const auto source = LoadSkinFromStream(Property());
    LOGBRUSH brush{};
    ASSERT_TRUE(GetObjectW(source->ButtonFaceBrush(), sizeof brush, &brush));
    EXPECT_EQ(brush.lbColor, RGB(228, 226, 228));
    ASSERT_NE(source->MenuGlyphs(), nullptr);
    EXPECT_EQ(ImageList_GetImageCount(source->MenuGlyphs()), 4);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(source->MenuGlyphs(), &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);
}

TEST(SkinSource, EmptyStreamMeansNoSkin) {
    TSkinSource source;
    EXPECT_EQ(source.ReadSkinStream(std::string(4, '\0')), 4u);
    EXPECT_TRUE(source.SkinEmpty());
    EXPECT_EQ(source.WriteSkinStream(), std::string(4, '\0'));
    EXPECT_EQ(source.SkinStore(), L"(none)");
    EXPECT_EQ(source.DisableTag, 99);
    EXPECT_FALSE(source.Active());
    EXPECT_TRUE(source.SkinControls.test(xcMainMenu));
    EXPECT_FALSE(source.SkinControls.test(xcFastReport));
}

TEST(SkinSource, OlderSkinIsRefusedWithTheMessage) {
    std::string archive = WriteSkinArchive({{"a.ini", "[x]"}});
    archive[0] = 0x1F;  // version 19999
    TSkinSource source;
    std::wstring shown;
    source.ShowMessage = [&](const std::wstring& text) { shown = text; };
    source.ReadSkinStream(WriteSkinStream(PackSkinFile(archive)));
    EXPECT_TRUE(source.SkinEmpty());
    EXPECT_EQ(shown, L"This is Older Skin File\rPlease update to new version !");
}

TEST(SkinSource, SkinFileAtRunTime) {
    kelo::test::TempDir dir;
    TSkinSource source;
    int applied = 0;
    source.OnSkinFileLoaded = [&](TSkinSource&) { ++applied; };
    source.SetSkinFile(L"Z:\\no\\such\\skin.skn");
    EXPECT_TRUE(source.SkinEmpty());
    EXPECT_EQ(applied, 0);

    const std::string path = dir.Path() + "kelo.skn";
    std::ofstream(path, std::ios::binary) << kelo::test::EmbeddedSkinFile();
    source.SetSkinFile(std::wstring(path.begin(), path.end()));
    EXPECT_FALSE(source.SkinEmpty());
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(source.WriteSkinStream(), Property());
}

// The push button of Kelo's skin at the size of the dialogs' buttons: its rounded corners
// let the face show, its middle is the flat body colour.
TEST(SkinSource, PushButtonOfTheSkinDrawsRoundedOverTheFace) {
    const auto source = LoadSkinFromStream(Property());
    const TSkinButtonElement& b = source->Skin()->buttons;
    kelo::test::DibCanvas c(83, 31, RGB(1, 2, 3));
    DrawSkinElement(c.Dc(), {0, 0, 83, 31}, b, b.frameCount, 1);
    EXPECT_EQ(c.At(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(c.At(82, 30), RGB(1, 2, 3));
    EXPECT_EQ(c.At(41, 15), RGB(245, 245, 247));
    EXPECT_EQ(c.At(41, 0), RGB(160, 166, 175));
}

}  // namespace
