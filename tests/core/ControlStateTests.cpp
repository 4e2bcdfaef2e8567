#include <gtest/gtest.h>

#include "menupainter/ControlState.h"

namespace kelo::menupainter {
namespace {

TEST(ControlState, HoldingSpacePaintsThePressOnceAndTheReleaseAgain) {
    ControlStateFlags flags;
    const ControlStateFacts button;
    EXPECT_TRUE(StepControlState(flags, ControlEvent::SpaceDown, button));
    EXPECT_FALSE(StepControlState(flags, ControlEvent::SpaceDown, button));  // key repeat
    EXPECT_FALSE(StepControlState(flags, ControlEvent::SpaceDown, button));
    EXPECT_TRUE(flags.spaceDown);
    EXPECT_TRUE(StepControlState(flags, ControlEvent::SpaceUp, button));
    EXPECT_EQ(flags, ControlStateFlags{});
    EXPECT_TRUE(StepControlState(flags, ControlEvent::SpaceDown, button));  // a new press paints
}

TEST(ControlState, TheMouseLightsOnlyAnEnabledControl) {
    ControlStateFlags flags;
    ControlStateFacts disabled;
    disabled.enabled = false;
    EXPECT_FALSE(StepControlState(flags, ControlEvent::MouseEnter, disabled));
    EXPECT_FALSE(flags.hot);

    const ControlStateFacts enabled;
    EXPECT_TRUE(StepControlState(flags, ControlEvent::MouseEnter, enabled));
    EXPECT_TRUE(flags.hot);
    // Disabling puts the light out even though the mouse never left.
    EXPECT_TRUE(StepControlState(flags, ControlEvent::Disabled, disabled));
    EXPECT_FALSE(flags.hot);
    // A leave seen while disabled changes nothing.
    flags.hot = true;
    EXPECT_FALSE(StepControlState(flags, ControlEvent::MouseLeave, disabled));
    EXPECT_TRUE(flags.hot);
}

TEST(ControlState, FocusAndCheckStateMoveTheLight) {
    ControlStateFlags flags;
    const ControlStateFacts box;
    EXPECT_TRUE(StepControlState(flags, ControlEvent::SetFocus, box));
    EXPECT_TRUE(flags.hot);
    EXPECT_TRUE(StepControlState(flags, ControlEvent::CheckSet, box));
    EXPECT_FALSE(flags.hot);
    flags.hot = true;
    EXPECT_TRUE(StepControlState(flags, ControlEvent::CheckRead, box));
    EXPECT_FALSE(flags.hot);
}

TEST(ControlState, MouseMovesRepaintOnlyUpDownArrowsAndAFrameOutsideTheClientOnlyWithTheFrame) {
    ControlStateFlags flags;
    ControlStateFacts plain;
    ControlStateFacts upDown;
    upDown.upDown = true;
    EXPECT_FALSE(StepControlState(flags, ControlEvent::MouseMove, plain));
    EXPECT_TRUE(StepControlState(flags, ControlEvent::MouseMove, upDown));
    upDown.enabled = false;
    EXPECT_FALSE(StepControlState(flags, ControlEvent::MouseMove, upDown));

    ControlStateFacts edit;
    edit.framedOutside = true;
    EXPECT_FALSE(StepControlState(flags, ControlEvent::FramePaint, plain));
    EXPECT_TRUE(StepControlState(flags, ControlEvent::FramePaint, edit));
    // Painting the client leaves a frame outside it as it was.
    EXPECT_TRUE(StepControlState(flags, ControlEvent::Paint, plain));
    EXPECT_FALSE(StepControlState(flags, ControlEvent::Paint, edit));
}

TEST(ControlState, APressLastsUntilTheButtonIsReleased) {
    ControlStateFlags flags;
    const ControlStateFacts button;
    EXPECT_TRUE(StepControlState(flags, ControlEvent::ButtonDown, button));
    EXPECT_TRUE(flags.mouseDown);
    EXPECT_FALSE(StepControlState(flags, ControlEvent::Other, button));
    EXPECT_TRUE(flags.mouseDown);
    EXPECT_TRUE(StepControlState(flags, ControlEvent::ButtonUp, button));
    EXPECT_FALSE(flags.mouseDown);
}

}  // namespace
}  // namespace kelo::menupainter
