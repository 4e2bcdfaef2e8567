#include <gtest/gtest.h>

#include "skin/controls/SkinControlRules.h"

using namespace kelo::skin;

namespace {

ControlState State(bool enabled, bool focused, bool hot, bool pressed) { return {enabled, focused, hot, pressed}; }

}  // namespace

TEST(SkinControlRulesFrame, PressedBeatsFocusAndHoverAndDisabledBeatsEverything) {
    EXPECT_EQ(StateFrame(State(true, false, false, false)), 1);
    EXPECT_EQ(StateFrame(State(true, true, false, false)), 4);
    EXPECT_EQ(StateFrame(State(true, false, true, false)), 4);
    EXPECT_EQ(StateFrame(State(true, true, true, true)), 2);
    EXPECT_EQ(StateFrame(State(false, true, false, false)), 3);
    EXPECT_EQ(StateFrame(State(false, false, true, true)), 3);
}

TEST(SkinControlRulesFrame, CaptionColourFollowsTheFrameAndDisabledTextIsTheSkinsShadow) {
    TSkinElement buttons;
    buttons.normalTextColour = Rgb(1, 1, 1);
    buttons.pressedTextColour = Rgb(2, 2, 2);
    buttons.mouseOverTextColour = Rgb(4, 4, 4);
    SkinColourSet colours;
    colours.buttonShadow = Rgb(3, 3, 3);
    for (int frame = 1; frame <= 4; ++frame)
        EXPECT_EQ(PushButtonTextColour(buttons, colours, frame), Rgb(frame, frame, frame)) << frame;
}

TEST(SkinControlRulesFrame, FrameIsKeptWithinTheElementsFramesAndNoFramesDrawNothing) {
    EXPECT_EQ(ClampFrame(4, 5), 4);
    EXPECT_EQ(ClampFrame(4, 2), 2);  // a skin with fewer pictures shows its last
    EXPECT_EQ(ClampFrame(0, 3), 1);
    EXPECT_EQ(ClampFrame(2, 0), 0);
    EXPECT_EQ(ClampFrame(2, -1), 0);
    EXPECT_EQ(MirroredFrame(1, 4), 4);
    EXPECT_EQ(MirroredFrame(3, 4), 2);
}

TEST(SkinControlRulesCheck, MarkFramesEnabledDisabledAndIndeterminate) {
    EXPECT_EQ(CheckGlyphFrame(CheckMarkOf(0), true), 1);
    EXPECT_EQ(CheckGlyphFrame(CheckMarkOf(1), true), 2);
    EXPECT_EQ(CheckGlyphFrame(CheckMarkOf(0), false), 3);
    EXPECT_EQ(CheckGlyphFrame(CheckMarkOf(1), false), 4);
    EXPECT_EQ(CheckGlyphFrame(CheckMarkOf(2), true), 4);
    EXPECT_EQ(CheckGlyphFrame(CheckMarkOf(2), false), 4);
}

TEST(SkinControlRulesCheck, GlyphIsCentredVerticallyIndentedWhenNarrowAndAtTheRightForRightButtons) {
    // Four 13 x 13 frames in a 97 x 17 check box: two pixels down, no indent ((14 - 13) / 2).
    CheckGlyphInput in{.controlWidth = 97, .controlHeight = 17, .imageWidth = 52, .imageHeight = 13, .frameCount = 4};
    EXPECT_EQ(CheckGlyphRect(in), (GridRect{0, 2, 13, 13}));
    in.imageWidth = 40;  // 10 pixels wide: indented by 2
    EXPECT_EQ(CheckGlyphRect(in), (GridRect{2, 2, 10, 13}));
    in.imageWidth = 64;  // 16 pixels wide: at the edge
    EXPECT_EQ(CheckGlyphRect(in).x, 0);
    in.style = 0x50010003 | kRightButtonStyle;
    EXPECT_EQ(CheckGlyphRect(in), (GridRect{81, 2, 16, 13}));
    // The system's box at 144 dots per inch is 19 pixels: the glyph covers it.
    in.systemBox = 19;
    EXPECT_EQ(CheckGlyphRect(in), (GridRect{78, -1, 19, 19}));
    in.frameCount = 0;
    EXPECT_EQ(CheckGlyphRect(in).width, 0);
}

TEST(SkinControlRulesCombo, ButtonSitsInsideTheEdgeAtTheRightOrTheLeft) {
    EXPECT_EQ(ComboButtonRect(120, 22, 19, false), (GridRect{100, 1, 19, 20}));
    EXPECT_EQ(ComboButtonRect(120, 22, 19, true), (GridRect{1, 1, 19, 20}));
    EXPECT_EQ(CentredIn({100, 1, 19, 20}, 7, 4), (GridRect{106, 9, 7, 4}));
}

TEST(SkinControlRulesUpDown, HalvesFollowTheOrientationAndTheCursor) {
    const auto vertical = UpDownHalves(17, 22, 0, State(true, false, true, false), 1);
    EXPECT_EQ(vertical[0].rect, (GridRect{0, 0, 17, 11}));
    EXPECT_EQ(vertical[1].rect, (GridRect{0, 11, 17, 11}));
    EXPECT_EQ(vertical[0].direction, ArrowDirection::Up);
    EXPECT_EQ(vertical[1].direction, ArrowDirection::Down);
    EXPECT_EQ(vertical[0].state, 1);
    EXPECT_EQ(vertical[1].state, 4);

    const auto horizontal = UpDownHalves(33, 17, kUpDownHorizontalStyle, State(true, false, true, true), 0);
    EXPECT_EQ(horizontal[0].rect, (GridRect{0, 0, 16, 17}));
    EXPECT_EQ(horizontal[1].rect, (GridRect{16, 0, 17, 17}));
    EXPECT_EQ(horizontal[0].direction, ArrowDirection::Left);
    EXPECT_EQ(horizontal[0].state, 2);
    EXPECT_EQ(horizontal[1].state, 1);

    for (const UpDownHalf& half : UpDownHalves(17, 22, 0, State(false, false, true, true), 0)) EXPECT_EQ(half.state, 3);

    EXPECT_EQ(UpDownHalfAt(17, 22, 0, 5, 10), 0);
    EXPECT_EQ(UpDownHalfAt(17, 22, 0, 5, 11), 1);
    EXPECT_EQ(UpDownHalfAt(33, 17, kUpDownHorizontalStyle, 20, 2), 1);
    EXPECT_EQ(UpDownHalfAt(17, 22, 0, 5, 22), -1);
    EXPECT_EQ(UpDownElementFrame(1, 2), 6);  // the second arrow's pressed frame
}

TEST(SkinControlRulesUpDown, ArrowsPointTheirHalfsWayFromACentredTip) {
    const std::vector<Stroke> up = ArrowStrokes({0, 0, 17, 11}, ArrowDirection::Up);
    ASSERT_EQ(up.size(), 3u);
    EXPECT_EQ(up.front(), (Stroke{8, 4, 9, 4}));    // the tip: one pixel
    EXPECT_EQ(up.back(), (Stroke{6, 6, 11, 6}));    // the base: five
    const std::vector<Stroke> right = ArrowStrokes({16, 0, 17, 17}, ArrowDirection::Right);
    ASSERT_EQ(right.size(), 3u);
    EXPECT_EQ(right.back(), (Stroke{25, 8, 25, 9}));  // the tip is the last column
    EXPECT_TRUE(ArrowStrokes({0, 0, 4, 4}, ArrowDirection::Down).empty());
}

TEST(SkinControlRulesStatusBar, PanelBevelAndTextPieces) {
    EXPECT_EQ(StatusPanelFrame(0), 1);
    EXPECT_EQ(StatusPanelFrame(kPopOutPanel), 2);
    EXPECT_EQ(StatusPanelFrame(kNoBordersPanel | kPopOutPanel), 3);
    EXPECT_EQ(SplitPanelText(L"left\tmiddle\tright", false), (PanelText{L"left", L"middle", L"right"}));
    EXPECT_EQ(SplitPanelText(L"\t\t12:30", false), (PanelText{L"", L"", L"12:30"}));
    EXPECT_EQ(SplitPanelText(L"text", true), (PanelText{L"", L"", L"text"}));
}
