#include <gtest/gtest.h>

#include <array>
#include <ostream>

#include "PainterTestSupport.h"
#include "menupainter/ControlLook.h"

using namespace kelo;
using namespace kelo::menupainter;

namespace {

using test::kScheme;
using test::Rgb;

// Working colours that are told apart at a glance.
WorkingColours Working() {
    WorkingColours w;
    w.selectionBorder = Rgb(0, 0, 200);
    w.selectionFill = Rgb(180, 190, 240);
    w.checkedFill = Rgb(200, 210, 250);
    w.checkedSelectedFill = Rgb(140, 160, 230);
    w.iconBand = Rgb(240, 238, 225);
    w.disabled = Rgb(170, 170, 160);
    return w;
}

constexpr TColor kControl = Rgb(255, 255, 255);
constexpr TColor kParent = Rgb(100, 120, 140);

ControlColourFacts Facts(bool hot = false, bool focused = false) {
    ControlColourFacts f;
    f.colour = kControl;
    f.parentColour = kParent;
    f.hot = hot;
    f.focused = focused;
    return f;
}

TColor Light(TColor c, int p) { return LightenColor(c, p, kScheme); }

}  // namespace

// ---- combo boxes ------------------------------------------------------------------------

TEST(ControlLookCombo, IdleRingIsInvisibleAndHotBeatsFocused) {
    const WorkingColours w = Working();
    const ComboColours idle = ComboLook(Facts(), false, w, kScheme);
    EXPECT_EQ(idle, (ComboColours{kControl, kControl, clBtnFace, clBlack}));

    const ComboColours focused = ComboLook(Facts(false, true), false, w, kScheme);
    EXPECT_EQ(focused.ring, Light(w.selectionBorder, 60));
    EXPECT_EQ(focused.button, w.checkedFill);

    const ComboColours hot = ComboLook(Facts(true, true), false, w, kScheme);
    EXPECT_EQ(hot.ring, w.selectionBorder);
    EXPECT_EQ(hot.button, w.selectionFill);
}

TEST(ControlLookCombo, DisabledArrowIsWhiteAndTag1000FaceComesFromTheParent) {
    ControlColourFacts f = Facts();
    f.enabled = false;
    f.parentFace = true;
    const ComboColours c = ComboLook(f, false, Working(), kScheme);
    EXPECT_EQ(c.arrow, clWhite);
    EXPECT_EQ(c.button, Light(kParent, kFaceLight));
}

TEST(ControlLookCombo, DroppedDownChangesTheButtonButNotTheRing) {
    const WorkingColours w = Working();
    const ComboColours c = ComboLook(Facts(false, true), true, w, kScheme);
    EXPECT_EQ(c.ring, Light(w.selectionBorder, 60));
    EXPECT_EQ(c.separator, w.selectionBorder);
    EXPECT_EQ(c.button, w.checkedSelectedFill);
    EXPECT_EQ(c.arrow, clWhite);
}

TEST(ControlLookCombo, ButtonSitsOnTheTextsFarSideAndGrowsWhenRaised) {
    const Rect client{0, 0, 120, 21};
    const ComboRing idleRing = ComboRingOf(client, false);
    EXPECT_EQ(idleRing.inner, (Rect{1, 2, 119, 19}));
    EXPECT_EQ(idleRing.border, (Rect{1, 2, 119, 20}));
    const ComboRing hotRing = ComboRingOf(client, true);
    EXPECT_EQ(hotRing.border, (Rect{0, 1, 120, 21}));

    const ComboButton idle = ComboButtonOf(client, idleRing, 16, false, false);
    EXPECT_EQ(idle.button, (Rect{101, 3, 118, 19}));
    EXPECT_EQ(idle.strip, (Rect{101, 3, 106, 19}));
    EXPECT_EQ(idle.separator.from, (Point{106, 3}));
    EXPECT_EQ(idle.arrow[0], (Stroke{{110, 10}, {115, 10}}));
    EXPECT_EQ(idle.arrow[2], (Stroke{{112, 12}, {113, 12}}));
    // Raised, the button keeps its inner edge and reaches the outer ring.
    EXPECT_EQ(ComboButtonOf(client, hotRing, 16, false, true).button, (Rect{101, 2, 119, 20}));

    const ComboButton rtl = ComboButtonOf(client, idleRing, 16, true, false);
    EXPECT_EQ(rtl.button, (Rect{2, 3, 19, 19}));
    EXPECT_EQ(rtl.strip, (Rect{14, 3, 19, 19}));
    EXPECT_EQ(rtl.separator.from.x, 13);
    EXPECT_EQ(rtl.arrow[0], (Stroke{{5, 10}, {10, 10}}));
    EXPECT_EQ(ComboButtonOf(client, hotRing, 16, true, true).button, (Rect{1, 2, 20, 20}));
}

// ---- check boxes --------------------------------------------------------------------------

TEST(ControlLookCheckBox, BoxFollowsAlignmentAndReadingOrder) {
    const Rect client{0, 0, 100, 23};
    // Inset 3 top and bottom leaves 17 rows: a 16-high box starts at 3.
    const Rect left{0, 3, 15, 19}, right{85, 3, 100, 19};
    EXPECT_EQ(CheckBoxBox(client, 16, false, false), left);
    EXPECT_EQ(CheckBoxBox(client, 16, true, false), right);
    EXPECT_EQ(CheckBoxBox(client, 16, false, true), right);
    EXPECT_EQ(CheckBoxBox(client, 16, true, true), left);

    // The tick stays inside the drawn box, clear of its frame.
    const Rect box = Inset(left, 2);
    for (const auto& line : CheckTick(box))
        for (const Point& p : line) {
            EXPECT_GT(p.x, box.left);
            EXPECT_LT(p.x, box.right - 1);
            EXPECT_GT(p.y, box.top);
            EXPECT_LT(p.y, box.bottom - 1);
        }
}

TEST(ControlLookCheckBox, PressedGrayedAndDisabledColours) {
    const WorkingColours w = Working();
    EXPECT_EQ(CheckBoxLook(Facts(), false, w), (CheckBoxColours{clWindow, clBtnShadow, clHighlight}));

    ControlColourFacts pressed = Facts(true);
    pressed.spaceDown = true;
    EXPECT_EQ(CheckBoxLook(pressed, false, w), (CheckBoxColours{w.checkedSelectedFill, w.selectionBorder, clWindow}));

    EXPECT_EQ(CheckBoxLook(Facts(false, true), true, w), (CheckBoxColours{clSilver, w.selectionBorder, clGray}));

    pressed.enabled = false;
    EXPECT_EQ(CheckBoxLook(pressed, true, w).tick, w.disabled);
}

// ---- buttons ------------------------------------------------------------------------------

TEST(ControlLookButton, FaceAndEdgeByStateAndTag1000) {
    const WorkingColours w = Working();
    const ButtonColours idle = ButtonLook(Facts(), w, kScheme);
    EXPECT_EQ(idle.face, w.iconBand);
    EXPECT_EQ(idle.outline, Light(clBtnShadow, 30));
    EXPECT_EQ(idle.darkEdge, DarkenColor(clBtnShadow, 50, kScheme));

    const TColor raisedEdge = Light(w.selectionBorder, 60);
    EXPECT_EQ(ButtonLook(Facts(false, true), w, kScheme).outline, Light(raisedEdge, 30));
    const ButtonColours hot = ButtonLook(Facts(true), w, kScheme);
    EXPECT_EQ(hot.face, Light(clBtnFace, 40));
    EXPECT_EQ(hot.darkEdge, DarkenColor(raisedEdge, 50, kScheme));

    ControlColourFacts onParent = Facts();
    onParent.parentFace = true;
    EXPECT_EQ(ButtonLook(onParent, w, kScheme).face, Light(kParent, kFaceLight));
    onParent.hot = true;
    EXPECT_EQ(ButtonLook(onParent, w, kScheme).face, Light(kParent, kHotFaceLight));
}

TEST(ControlLookButton, PressedShadesTheTopLeftInstead) {
    const Rect r{0, 0, 75, 25};
    EXPECT_EQ(ButtonDarkEdge(r, false), (std::array{Point{74, 1}, Point{74, 23}, Point{73, 24}, Point{0, 24}}));
    EXPECT_EQ(ButtonDarkEdge(r, true), (std::array{Point{0, 23}, Point{0, 1}, Point{1, 0}, Point{74, 0}}));
}

// ---- up-down arrows -----------------------------------------------------------------------

TEST(ControlLookUpDown, HotHalfSwitchesAtHalfHeight) {
    const Rect r{0, 0, 17, 23};
    UpDownHalves h = UpDownHalvesOf(r, 10, true, true);
    EXPECT_EQ(h.up, (Rect{0, 0, 17, 11}));
    EXPECT_EQ(h.down, (Rect{0, 12, 17, 23}));
    EXPECT_TRUE(h.upHot);
    EXPECT_FALSE(h.downHot);
    h = UpDownHalvesOf(r, 11, true, true);
    EXPECT_FALSE(h.upHot);
    EXPECT_TRUE(h.downHot);
    h = UpDownHalvesOf(r, 11, false, true);
    EXPECT_FALSE(h.upHot || h.downHot);
    h = UpDownHalvesOf(r, 11, true, false);
    EXPECT_FALSE(h.upHot || h.downHot);
}

TEST(ControlLookUpDown, ArrowHalfColoursAndArrowPlace) {
    const WorkingColours w = Working();
    ControlColourFacts f = Facts(true);
    f.mouseDown = true;
    EXPECT_EQ(ArrowHalfLook(f, true, w, kScheme), (ArrowHalfColours{w.selectionBorder, w.checkedSelectedFill, clWhite}));
    EXPECT_EQ(ArrowHalfLook(f, false, w, kScheme),
              (ArrowHalfColours{Light(kParent, 80), Light(w.selectionFill, kFaceLight), clBlack}));
    f.mouseDown = false;
    EXPECT_EQ(ArrowHalfLook(f, true, w, kScheme).brush, Light(w.selectionFill, 60));
    f.enabled = false;
    f.parentFace = true;
    const ArrowHalfColours idle = ArrowHalfLook(f, false, w, kScheme);
    EXPECT_EQ(idle.arrow, clWhite);
    EXPECT_EQ(idle.brush, Light(kParent, kFaceLight));

    // The tip of the up arrow is its first stroke, above the centre; the down arrow's below.
    const Rect half{0, 0, 17, 11};
    EXPECT_EQ(ArrowStrokes(half, true)[0], (Stroke{{8, 3}, {8, 2}}));
    EXPECT_EQ(ArrowStrokes(half, false)[0], (Stroke{{8, 6}, {8, 7}}));
}

// ---- frames -------------------------------------------------------------------------------

TEST(ControlLookFrames, EditAndViewFrameColours) {
    const WorkingColours w = Working();
    const TColor raised = Light(w.selectionBorder, 60);
    EXPECT_EQ(EditFrameColour(Facts(), true, w, kScheme), DarkenColor(kParent, 60, kScheme));
    EXPECT_EQ(EditFrameColour(Facts(true), true, w, kScheme), raised);
    EXPECT_EQ(EditFrameColour(Facts(false, true), true, w, kScheme), raised);
    // A borderless edit shows its frame only under the mouse, never while it has the focus.
    EXPECT_EQ(EditFrameColour(Facts(), false, w, kScheme), kControl);
    EXPECT_EQ(EditFrameColour(Facts(true), false, w, kScheme), Light(Rgb(177, 187, 197), 40));
    EXPECT_EQ(EditFrameColour(Facts(true, true), false, w, kScheme), kControl);

    EXPECT_EQ(ViewFrameColour(Facts(true), false, w, kScheme), Light(w.selectionBorder, 80));
    EXPECT_EQ(ViewFrameColour(Facts(), false, w, kScheme), kParent);
    EXPECT_EQ(ViewFrameColour(Facts(), true, w, kScheme), DarkenColor(kParent, 60, kScheme));
}

TEST(ControlLookFrames, PanelBevelsAndGroupBoxCaptionPlace) {
    const BevelColours raised = PanelBevelLook(clBtnFace, true, kScheme);
    EXPECT_EQ(raised.topLeft, Light(clBtnFace, 60));
    EXPECT_EQ(PanelBevelLook(clBtnFace, false, kScheme), (BevelColours{raised.bottomRight, raised.topLeft}));

    const Rect client{0, 0, 200, 100};
    const GroupBoxLayout ltr = GroupBoxLayoutOf(client, 40, 13, false);
    EXPECT_EQ(ltr.caption, (Rect{9, 0, 49, 13}));
    EXPECT_EQ(ltr.frame.top, 5);
    EXPECT_EQ(ltr.parentStrip, (Rect{0, 0, 200, 7}));
    EXPECT_EQ(ltr.underCaption, (Rect{9, 7, 49, 14}));
    EXPECT_EQ(ltr.topLeft, (Stroke{{0, 7}, {9, 7}}));
    EXPECT_EQ(ltr.topRight, (Stroke{{49, 7}, {199, 7}}));

    const GroupBoxLayout rtl = GroupBoxLayoutOf(client, 40, 13, true);
    EXPECT_EQ(rtl.caption, (Rect{151, 0, 191, 13}));
    EXPECT_EQ(rtl.topRight.from.x, 191);

    const GroupBoxColours flat = GroupBoxLook(clBtnFace, false, kScheme);
    EXPECT_EQ(flat.frame.topLeft, flat.frame.bottomRight);
    EXPECT_EQ(flat.topLine, DarkenColor(clBtnFace, 60, kScheme));
}
