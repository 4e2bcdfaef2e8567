#include <gtest/gtest.h>

#include "core/LimitWarnings.h"

namespace kelo {
namespace {

using W = std::vector<Warning>;

TEST(LimitWarnings, EachLimitWarnsOnceWhenItsLastMinutesBegin) {
    LimitWarnings w(10, 5, 120, 119 * 3600);
    EXPECT_EQ(w.Check(0), W{});
    EXPECT_EQ(w.Check(49 * 60), W{});
    EXPECT_EQ(w.Check(50 * 60), W{Warning::Month});  // 119:50 of 120 hours
    EXPECT_EQ(w.Check(51 * 60), W{});
    EXPECT_EQ(w.Check(5 * 3600 - 600), W{Warning::Day});
    EXPECT_EQ(w.Check(5 * 3600 - 1), W{});
    // A billing period that begins at the run's 2 h starts the month's warning afresh.
    w.NewMonth(2 * 3600);
    EXPECT_EQ(w.Check(2 * 3600 + 119 * 3600 + 49 * 60), W{});
    EXPECT_EQ(w.Check(2 * 3600 + 119 * 3600 + 50 * 60), W{Warning::Month});
}

TEST(LimitWarnings, TheOneHourDayWithFiftyNineMinutesWarnsAfterTheFirstMinute) {
    LimitWarnings w(59, 1, 1000, 0);
    EXPECT_EQ(w.Check(59), W{});
    EXPECT_EQ(w.Check(60), W{Warning::Day});
}

TEST(LimitWarnings, NoneWhereTheAlarmSpeaksOrNothingIsAsked) {
    // The limit not larger than the warning time.
    EXPECT_EQ(LimitWarnings(60, 1, 1, 0).Check(1), W{});
    // The month reached before the run.
    EXPECT_EQ(LimitWarnings(10, 5, 120, 120 * 3600).Check(1), W{});
    // A tick that lands past the limit: the alarm, not the warning.
    EXPECT_EQ(LimitWarnings(10, 5, 120, 0).Check(5 * 3600), W{});
    // Off, and off by a negative setting.
    EXPECT_EQ(LimitWarnings(0, 1, 120, 0).Check(3599), W{});
    EXPECT_EQ(LimitWarnings(-5, 1, 120, 0).Check(3599), W{});

    // Switched on during the run: the next check warns; switched off: nothing more.
    LimitWarnings w(0, 1, 120, 119 * 3600);
    EXPECT_EQ(w.Check(55 * 60), W{});
    w.SetMinutes(10);
    EXPECT_EQ(w.Check(55 * 60 + 1), (W{Warning::Day, Warning::Month}));
}

}  // namespace
}  // namespace kelo
