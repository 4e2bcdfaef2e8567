#include <gtest/gtest.h>

#include "core/WindowsVersion.h"

namespace kelo {
namespace {

TEST(WindowsVersion, Windows9xFamily) {
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformWin9x, 4, 0, ""), 1);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformWin9x, 4, 10, ""), 2);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformWin9x, 4, 90, " "), 4);
}

TEST(WindowsVersion, SecondEditionIsTheSecondCharacterA) {
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformWin9x, 4, 10, " A "), 3);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformWin9x, 4, 10, "A"), 2);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformWin9x, 4, 10, "AB"), 2);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformWin9x, 4, 10, " B "), 2);
}

TEST(WindowsVersion, NtFamily) {
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformNT, 3, 51, ""), 5);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformNT, 4, 0, "Service Pack 6"), 5);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformNT, 5, 0, "Service Pack 4"), 6);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformNT, 5, 1, "Service Pack 3"), 7);
}

TEST(WindowsVersion, EverythingElseIsUnknown) {
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformNT, 5, 2, ""), 0);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformNT, 6, 1, ""), 0);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformNT, 10, 0, ""), 0);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformWin9x, 4, 20, ""), 0);
    EXPECT_EQ(ClassifyWindowsVersion(kPlatformWin9x, 5, 0, ""), 0);
    EXPECT_EQ(ClassifyWindowsVersion(0, 4, 0, ""), 0);
}

TEST(WindowsVersion, LayeredWindowsOnlyOnNt) {
    EXPECT_FALSE(HasLayeredWindows(kPlatformWin9x));
    EXPECT_TRUE(HasLayeredWindows(kPlatformNT));
}

}  // namespace
}  // namespace kelo
