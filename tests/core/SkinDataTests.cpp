#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "skin/data/SkinArchive.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinIni.h"

using namespace kelo;
using namespace kelo::skin;

namespace {

std::string Bmp(int width, int height, Pixel fill = 0x102030) { return SkinImage(width, height, fill).ToBmp24(); }

// A parsed skin from INI text and images (name, width, height).
struct Fixture {
    explicit Fixture(const std::string& ini, std::vector<std::pair<std::string, std::string>> images = {}) {
        images.insert(images.begin(), {"skin.ini", ini});
        skin = ParseSkinFile(PackSkinFile(WriteSkinArchive(images)));
    }
    std::unique_ptr<SkinData> skin;
};

TEST(SkinColourString, AsTheSkinWritesThem) {
    EXPECT_EQ(ParseSkinColour("0 128 255", 7), Rgb(0, 128, 255));
    EXPECT_EQ(ParseSkinColour("1,2,3", 7), Rgb(1, 2, 3));
    EXPECT_EQ(ParseSkinColour("12,34", 7), Rgb(12, 0, 0));  // a number at the end is only ever blue
    EXPECT_EQ(ParseSkinColour("255", 7), Rgb(0, 0, 0));
    EXPECT_EQ(ParseSkinColour("", 7), 7);
    EXPECT_EQ(ParseSkinColour("  228 226 228  ", 7), Rgb(228, 226, 228));
    EXPECT_EQ(ParseSkinColour("1 2 3 4", 7), Rgb(1, 2, 3));
    EXPECT_EQ(ParseSkinColour("1 2 3;", 7), Rgb(1, 2, 3));
    EXPECT_EQ(ParseSkinColour("256 513 -1", 7), Rgb(0, 1, 1));  // each taken modulo 256
    EXPECT_EQ(ParseSkinColour("99999999999 5 6", 7), Rgb(5, 0, 0));  // too big: dropped
    EXPECT_EQ(ParseSkinColour("red", 7), Rgb(0, 0, 0));
}

TEST(SkinFrameCounts, CaptionButtons) {
    EXPECT_EQ(CaptionButtonFrameCount(SkinImage(126, 21), 0), 6);
    EXPECT_EQ(CaptionButtonFrameCount(SkinImage(60, 21), 0), 3);
    EXPECT_EQ(CaptionButtonFrameCount(SkinImage(79, 21), 0), 3);  // 3.76
    EXPECT_EQ(CaptionButtonFrameCount(SkinImage(80, 21), 0), 6);  // 3.81
    EXPECT_EQ(CaptionButtonFrameCount(SkinImage(60, 21), -1), 6);
    EXPECT_EQ(CaptionButtonFrameCount(SkinImage(), 0), 6);
}

TEST(SkinFrameCounts, CheckAndRadioImages) {
    EXPECT_EQ(GlyphFrameCount(SkinImage(56, 12), 0), 4);
    EXPECT_EQ(GlyphFrameCount(SkinImage(20, 16), 0), 4);
    EXPECT_EQ(GlyphFrameCount(SkinImage(96, 16), 0), 6);
    EXPECT_EQ(GlyphFrameCount(SkinImage(78, 13), 0), 6);
    EXPECT_EQ(GlyphFrameCount(SkinImage(78, 13), 2), 2);
    EXPECT_EQ(GlyphFrameCount(SkinImage(), 0), 4);
}

TEST(SkinIni, ProfileRules) {
    const SkinIniFile ini("junk=1\r\n[Personality]\r\n LeftFrame = 2 \r\n;Left=x\r\nText=\"a b\"\r\n"
                          "Hex=$1F\r\nHex2=0x10\r\nBad=12abc\r\n[personality]\r\nLeftFrame=9\r\nLater=8\r\n[Other");
    EXPECT_EQ(ini.ReadInteger("PERSONALITY", "leftframe", 0), 2);
    EXPECT_EQ(ini.ReadString("Personality", "Left", "none"), "none");
    EXPECT_EQ(ini.ReadString("Personality", "Text"), "a b");
    EXPECT_EQ(ini.ReadInteger("Personality", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Personality", "Hex2", 0), 16);
    EXPECT_EQ(ini.ReadInteger("Personality", "Bad", -4), -4);
    EXPECT_EQ(ini.ReadInteger("Personality", "Missing", 5), 5);
    EXPECT_EQ(ini.ReadInteger("Personality", "Later", 5), 5);  // only the first section counts
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Personality", "personality", "Other"}));
}

TEST(SkinParse, ImageNamesIgnoreThePathButNotTheExtensionCase) {
    Fixture f("[Buttons]\r\nBitmap=Tab.bmp\r\nCheckButton=TAB.BMP\r\nRadioButton=C:\\skins\\deep/Tab.bmp\r\n"
              "[ComboButton]\r\nImage=tab.BMP\r\n",
              {{"tab.bmp", Bmp(56, 12)}});
    ASSERT_TRUE(f.skin);
    EXPECT_EQ(f.skin->buttons.image.Width(), 56);
    EXPECT_TRUE(f.skin->buttons.checkImage.Empty());
    EXPECT_EQ(f.skin->buttons.radioImage.Width(), 56);
    // The element exists, since its key names an image, but the image stays empty.
    ASSERT_NE(f.skin->Part(SkinPart::ComboButton), nullptr);
    EXPECT_TRUE(f.skin->Part(SkinPart::ComboButton)->image.Empty());
}

TEST(SkinParse, FrameSidesMapTheirHeightsByDirection) {
    Fixture f("[Personality]\r\nLeft=l.bmp\r\nLeftTopHeight=29\r\nLeftBotHeight=5\r\nLeftFrame=2\r\n"
              "Top=l.bmp\r\nTopTopHeight=13\r\nTopBotHeight=11\r\nTopStretch=0\r\nTopTrans=0\r\n",
              {{"l.bmp", Bmp(10, 42)}});
    const TSkinBorderElement& left = f.skin->Side(FrameSide::Left);
    EXPECT_EQ(left.name, "Left");
    EXPECT_EQ(left.image.Width(), 10);
    EXPECT_EQ((std::vector<int>{left.leftWidth, left.topHeight, left.rightWidth, left.bottomHeight}),
              (std::vector<int>{0, 29, 0, 5}));
    EXPECT_EQ(left.frameCount, 2);
    EXPECT_EQ(left.tile, 1);
    EXPECT_EQ(left.trans, 1);
    const TSkinBorderElement& top = f.skin->Side(FrameSide::Top);
    EXPECT_EQ((std::vector<int>{top.leftWidth, top.topHeight, top.rightWidth, top.bottomHeight}),
              (std::vector<int>{13, 0, 11, 0}));
    EXPECT_EQ(top.frameCount, 1);
    EXPECT_EQ(top.tile, 0);
    EXPECT_EQ(top.trans, 0);
    EXPECT_TRUE(f.skin->Side(FrameSide::Bottom).image.Empty());
}

TEST(SkinParse, ColourSetDefaultsAndExtraColours) {
    Fixture f("[Colour2]\r\ncolor=1 2 3\r\n[Colours]\r\nButtonFace=228 226 228\r\nHilight=65 79 96\r\n"
              "[COLOURS1]\r\n[colour]\r\ncolor=9,8,7\r\n");
    const SkinColourSet& c = f.skin->colours;
    EXPECT_EQ(c.buttonFace, Rgb(228, 226, 228));
    EXPECT_EQ(c.menubar, Rgb(228, 226, 228));  // defaults to what ButtonFace gave
    EXPECT_EQ(c.hilight, Rgb(65, 79, 96));
    EXPECT_EQ(c.windowText, clWindowText);
    EXPECT_EQ(c.titleTextNoActive, clInactiveCaptionText);
    EXPECT_EQ(f.skin->extraColours, (std::vector<SkinColor>{Rgb(1, 2, 3), clWindowText, Rgb(9, 8, 7)}));
}

TEST(SkinParse, CaptionButtonsInFileOrderThenTheMdiButtons) {
    Fixture f("[Button.Close]\r\nButtonImage=wide.bmp\r\nAction=0\r\nAlign=1\r\nXcoord=25\r\nYcoord=5\r\n"
              "[Buttons]\r\n[Button.Radio]\r\n[BUTTON.CHECKBOX]\r\n"
              "[button.sys]\r\nButtonImage=narrow.bmp\r\nAction=3\r\n"
              "[Button.Min]\r\nButtonImage=narrow.bmp\r\nframe=2\r\nVisibility=8\r\nVisibility1=1\r\nCombineOp=4\r\n"
              "[Button.Neg]\r\nButtonImage=narrow.bmp\r\nAction=-2\r\n"
              "[MDICONTROLS]\r\nImage=mdi.bmp\r\n",
              {{"wide.bmp", Bmp(126, 21)}, {"narrow.bmp", Bmp(60, 21)}, {"mdi.bmp", Bmp(120, 10)}});
    const auto& b = f.skin->captionButtons;
    ASSERT_EQ(b.size(), 7u);
    EXPECT_EQ(b[0].name, "BUTTON.CLOSE");
    EXPECT_EQ(b[0].frameCount, 6);
    EXPECT_EQ((std::vector<int>{b[0].align, b[0].xCoord, b[0].yCoord, b[0].combineOp}), (std::vector<int>{1, 25, 5, -1}));
    EXPECT_EQ(b[1].name, "BUTTON.SYS");
    EXPECT_EQ(b[1].frameCount, 3);
    EXPECT_TRUE(b[1].image.Empty());  // the system-menu button shows the window's icon
    EXPECT_EQ(b[2].frameCount, 2);
    EXPECT_EQ((std::vector<int>{b[2].visibility, b[2].visibility1, b[2].combineOp}), (std::vector<int>{8, 1, 4}));
    EXPECT_EQ(b[3].frameCount, 6);  // a negative action
    for (int i = 0; i < 3; ++i) {
        const TSkinCaptionButtonElement& m = b[4 + i];
        EXPECT_EQ(m.action, 7 + i);
        EXPECT_EQ(m.align, 100);
        EXPECT_EQ(m.visibility, 100);
        EXPECT_EQ(m.visibility1, 100);
        EXPECT_EQ(m.frameCount, 4);
        EXPECT_EQ(m.image.Width(), 40);  // u = 120 div 12 = 10, four of them
        EXPECT_EQ(m.xCoord, 14 * (3 - i));
    }
}

TEST(SkinParse, ElementSectionsOnlyWithAnImageKey) {
    Fixture f("[Colours]\r\nButtonText=1 2 3\r\n"
              "[MenuItem]\r\nImage=e.bmp\r\nLeftWidth=4\r\nTile=2\r\nStyle=1\r\nNormalColour=255\r\nMouseOverColour2=9 9 9\r\n"
              "[Headerbar]\r\nTile=1\r\n"
              "[ComboButton]\r\nImage=e.bmp\r\n[HorzScrollThumb]\r\nImage=e.bmp\r\n[VertScrollThumb]\r\nImage=e.bmp\r\nFrameCount=5\r\n"
              "[Tabs]\r\nImage=e.bmp\r\nBorder=e.bmp\r\n"
              "[Progress]\r\nBitmap=e.bmp\r\nChunk=e.bmp\r\nStyle=1\r\n"
              "[Personality]\r\nmenuBar=e.bmp\r\nTileMenu=1\r\n",
              {{"e.bmp", Bmp(8, 4)}});
    const SkinData& s = *f.skin;
    const TSkinElement* item = s.Part(SkinPart::MenuItem);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->leftWidth, 4);
    EXPECT_EQ(item->tile, 0);  // above 1 counts as 0
    EXPECT_EQ(item->style, 1);
    EXPECT_EQ(item->frameCount, 5);
    EXPECT_EQ(item->normalColour, 255);
    EXPECT_EQ(item->pressedColour, kNoColor);
    EXPECT_EQ(item->normalTextColour, Rgb(1, 2, 3));  // the ButtonText colour
    EXPECT_EQ(item->mouseOverTextColour, Rgb(9, 9, 9));
    EXPECT_EQ(s.Part(SkinPart::Headerbar), nullptr);
    EXPECT_EQ(s.Part(SkinPart::SunkEdge), nullptr);

    const auto* combo = dynamic_cast<const TSkinBorderElement*>(s.Part(SkinPart::ComboButton));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->frameCount, 4);
    EXPECT_EQ(combo->image2.Width(), 8);  // the mirrored copy
    EXPECT_EQ(s.Part(SkinPart::HorzScrollThumb)->frameCount, 3);
    EXPECT_EQ(s.Part(SkinPart::VertScrollThumb)->frameCount, 5);
    const auto* tabs = dynamic_cast<const TSkinBorderElement*>(s.Part(SkinPart::Tabs));
    ASSERT_NE(tabs, nullptr);
    EXPECT_FALSE(tabs->image2.Empty());
    ASSERT_TRUE(s.progress);
    EXPECT_EQ(s.progress->style, 1);
    EXPECT_EQ(s.progress->frameCount, 2);
    ASSERT_TRUE(s.menuBar);
    EXPECT_EQ((std::vector<int>{s.menuBar->tile, s.menuBar->leftWidth, s.menuBar->rightWidth}), (std::vector<int>{1, 1, 1}));
}

TEST(SkinParse, CaptionTextAndItsColours) {
    Fixture f("[Personality]\r\nTextShift=16\r\nTextShiftVert=2\r\nTextRightClip=20\r\nActiveTextR=1\r\n"
              "ActiveTextG=2\r\nActiveTextB=3\r\nInActiveTextR=1\r\nInActiveTextG=-1\r\nInActiveTextB=3\r\n");
    const TSkinTitleElement& t = f.skin->title;
    EXPECT_EQ((std::vector<int>{t.textShift, t.textShiftVert, t.textRightClip, t.fontHeight}),
              (std::vector<int>{16, 2, 20, 14}));
    EXPECT_EQ(t.activeTextColour, Rgb(1, 2, 3));
    EXPECT_EQ(t.inactiveTextColour, kNoTitleColor);
    EXPECT_EQ(t.frameCount, 2);
    EXPECT_EQ(f.skin->buttons.frameCount, 5);
}

TEST(SkinParse, ArchiveWithoutIniStillGivesASkin) {
    const auto skin = ParseSkinFile(PackSkinFile(WriteSkinArchive({{"a.bmp", Bmp(2, 2)}})));
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->captionButtons.size(), 3u);
    ArchiveOpenResult result = ArchiveOpenResult::Ok;
    EXPECT_FALSE(ParseSkinFile(std::string("\x10\0\0\0garbage", 11), &result));
    EXPECT_EQ(result, ArchiveOpenResult::WrongVersion);
}

}  // namespace
