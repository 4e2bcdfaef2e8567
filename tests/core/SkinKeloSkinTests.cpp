// Kelo's own skin, as the build packs it: it must carry everything the skinned windows,
// controls and menus draw, with the settings the frame painter relies on.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "skin/data/SkinData.h"

using namespace kelo::skin;

namespace {

std::string SkinFileBytes() {
    std::ifstream in(KELO_SKIN_FILE, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class KeloSkin : public ::testing::Test {
protected:
    static void SetUpTestSuite() { skin_ = ParseSkinFile(SkinFileBytes()).release(); }
    static void TearDownTestSuite() { delete skin_; }
    static SkinData* skin_;
};
SkinData* KeloSkin::skin_ = nullptr;

TEST_F(KeloSkin, ArchiveHasTheRightVersionAndAnIni) {
    TSkinArchiveReader reader;
    ASSERT_TRUE(reader.Open(SkinFileBytes()));
    std::string name;
    EXPECT_FALSE(reader.ExtractByPart(".ini", &name).empty());
    EXPECT_EQ(name, "keloskin.ini");
}

TEST_F(KeloSkin, FrameGivesBordersOf5_29_5_5) {
    ASSERT_NE(skin_, nullptr);
    const auto border = [&](FrameSide side, bool stacked) {
        const TSkinBorderElement& e = skin_->Side(side);
        EXPECT_EQ(e.frameCount, 2);
        EXPECT_EQ(e.tile, 1);
        EXPECT_EQ(e.trans, 1);
        return stacked ? e.image.Height() / e.frameCount : e.image.Width() / e.frameCount;
    };
    EXPECT_EQ(border(FrameSide::Left, false), 5);
    EXPECT_EQ(border(FrameSide::Top, true), 29);
    EXPECT_EQ(border(FrameSide::Right, false), 5);
    EXPECT_EQ(border(FrameSide::Bottom, true), 5);
    EXPECT_EQ(skin_->Side(FrameSide::Left).topHeight, 29);
    EXPECT_EQ(skin_->Side(FrameSide::Left).bottomHeight, 5);
    EXPECT_EQ(skin_->Side(FrameSide::Top).leftWidth, 13);
    EXPECT_EQ(skin_->Side(FrameSide::Top).rightWidth, 13);
    // The rounded top-left corner is cut out of the window region.
    EXPECT_EQ(skin_->Side(FrameSide::Left).image.At(0, 0), kMagenta);
    EXPECT_NE(skin_->Side(FrameSide::Left).image.At(0, 20), kMagenta);
}

TEST_F(KeloSkin, CaptionButtons) {
    ASSERT_NE(skin_, nullptr);
    struct Want {
        const char* name;
        int action, align, x, y, visibility, visibility1;
    };
    const Want want[] = {{"BUTTON.CLOSE", 0, 1, 25, 5, 0, 0}, {"BUTTON.MAXIMIZE", 1, 1, 49, 5, 2, 6},
                         {"BUTTON.MINIMIZE", 2, 1, 73, 5, 8, 0}, {"BUTTON.RESTORE", 1, 1, 49, 5, 1, 0},
                         {"BUTTON.SYSMENU", 3, 0, 8, 7, 0, 0}};
    ASSERT_EQ(skin_->captionButtons.size(), 8u);
    for (size_t i = 0; i < 5; ++i) {
        const TSkinCaptionButtonElement& b = skin_->captionButtons[i];
        EXPECT_EQ(b.name, want[i].name);
        EXPECT_EQ((std::vector<int>{b.action, b.align, b.xCoord, b.yCoord, b.visibility, b.visibility1}),
                  (std::vector<int>{want[i].action, want[i].align, want[i].x, want[i].y, want[i].visibility,
                                    want[i].visibility1}))
            << b.name;
        EXPECT_EQ(b.image.Empty(), i == 4) << b.name;
    }
    EXPECT_EQ(skin_->captionButtons[0].frameCount, 6);
    EXPECT_EQ(skin_->captionButtons[0].image.Width() / 6, 21);
}

TEST_F(KeloSkin, CaptionTextColoursAndPushButtons) {
    ASSERT_NE(skin_, nullptr);
    EXPECT_EQ(skin_->title.textShift, 16);
    EXPECT_EQ(skin_->title.textShiftVert, 2);
    EXPECT_EQ(skin_->title.textRightClip, 20);
    const SkinColourSet& c = skin_->colours;
    EXPECT_EQ(c.buttonFace, Rgb(228, 226, 228));
    EXPECT_EQ(c.menubar, Rgb(228, 226, 228));
    EXPECT_EQ(c.titleTextActive, Rgb(255, 255, 255));
    EXPECT_EQ(c.titleTextNoActive, Rgb(238, 240, 238));
    EXPECT_EQ(c.hilight, Rgb(65, 79, 96));
    const TSkinButtonElement& b = skin_->buttons;
    EXPECT_EQ(b.image.Width(), 130);
    EXPECT_EQ(b.image.Height(), 19);
    EXPECT_EQ(b.frameCount, 5);
    EXPECT_EQ((std::vector<int>{b.leftWidth, b.topHeight, b.rightWidth, b.bottomHeight, b.tile}),
              (std::vector<int>{8, 8, 17, 8, 1}));
    EXPECT_EQ(b.checkFrameCount, 4);
    EXPECT_EQ(b.radioFrameCount, 4);
}

TEST_F(KeloSkin, EveryElementTheProgramDrawsIsThere) {
    ASSERT_NE(skin_, nullptr);
    const SkinPart needed[] = {SkinPart::MenuItem, SkinPart::MenuBackground, SkinPart::Scrollbar,
                               SkinPart::HorzScroll, SkinPart::VertScroll, SkinPart::HorzScrollThumb,
                               SkinPart::VertScrollThumb, SkinPart::ComboButton, SkinPart::SunkEdge,
                               SkinPart::ExtraImages, SkinPart::Headerbar, SkinPart::StatusBarEdges,
                               SkinPart::Tabs, SkinPart::TrackbarThumbHorz, SkinPart::TrackbarThumbVert,
                               SkinPart::UpDownVert, SkinPart::UpDownHorz};
    for (SkinPart part : needed) {
        const TSkinElement* e = skin_->Part(part);
        ASSERT_NE(e, nullptr) << SkinPartSection(part);
        EXPECT_FALSE(e->image.Empty()) << SkinPartSection(part);
        EXPECT_EQ(e->image.Width() % e->frameCount, 0) << SkinPartSection(part);
    }
    EXPECT_FALSE(skin_->buttons.checkImage.Empty());
    EXPECT_FALSE(skin_->buttons.radioImage.Empty());
    EXPECT_FALSE(static_cast<const TSkinBorderElement*>(skin_->Part(SkinPart::Tabs))->image2.Empty());
    ASSERT_NE(skin_->progress, nullptr);
    EXPECT_EQ(skin_->progress->image.Width() % 2, 0);
    EXPECT_FALSE(skin_->progress->image2.Empty());
}

}  // namespace
