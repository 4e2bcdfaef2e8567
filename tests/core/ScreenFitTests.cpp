#include <gtest/gtest.h>

#include "core/ScreenFit.h"

namespace kelo {
namespace {

// The main window at its designed place (356, 179) with its skinned size 698 x 491.
constexpr ScreenRect kMainWindow{356, 179, 356 + 698, 179 + 491};

// A window is moved just enough: not at all where it fits, only to the left on 1024 x 768
// less a taskbar (the caption buttons stuck out by 30 pixels), up as well on a netbook.
TEST(ScreenFit, MovesJustEnoughToLieInTheWorkArea) {
    EXPECT_EQ(FitIntoWorkArea(kMainWindow, {0, 0, 1280, 1024 - 30}), kMainWindow);
    EXPECT_EQ(FitIntoWorkArea(kMainWindow, {0, 0, 1024, 768 - 30}), (ScreenRect{326, 179, 1024, 670}));
    EXPECT_EQ(FitIntoWorkArea(kMainWindow, {0, 0, 1024, 600}), (ScreenRect{326, 109, 1024, 600}));
}

TEST(ScreenFit, WindowLargerThanTheWorkAreaKeepsItsTopLeftCornerInIt) {
    // A taskbar on the top and left edges: the work area does not start at the origin.
    const ScreenRect area{40, 30, 800, 500};
    EXPECT_EQ(FitIntoWorkArea({-20, -10, 1000, 700}, area), (ScreenRect{40, 30, 1060, 740}));
    EXPECT_EQ(FitIntoWorkArea({300, 200, 1300, 900}, area), (ScreenRect{40, 30, 1040, 730}));
}

}  // namespace
}  // namespace kelo
