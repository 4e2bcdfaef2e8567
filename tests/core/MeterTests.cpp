#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "core/Meter.h"

namespace kelo {
namespace {

using test::FakeClock;
constexpr int64_t kHour = 3600;

int Count(const std::vector<Alarm>& alarms, Alarm which) {
    return int(std::count(alarms.begin(), alarms.end(), which));
}

TEST(MeterCounting, NothingIsCountedBeforeTheFirstOnlineCheck) {
    FakeClock clock;
    Meter meter(clock, 5, 120, 0);
    EXPECT_FALSE(meter.Counting());
    clock.AdvanceSeconds(30);
    meter.Tick();
    meter.Check(false);
    EXPECT_EQ(meter.RunSeconds(), 0);
    EXPECT_FALSE(meter.Counting());
}

TEST(MeterCounting, FractionsOfLateTicksCarryOver) {
    FakeClock clock;
    Meter meter(clock, 5, 120, 0);
    meter.Check(true);
    EXPECT_TRUE(meter.Counting());
    clock.Advance(1500);
    meter.Tick();
    EXPECT_EQ(meter.RunSeconds(), 1);
    clock.Advance(1100);
    meter.Tick();
    EXPECT_EQ(meter.RunSeconds(), 2);
    clock.Advance(400);
    meter.Tick();
    EXPECT_EQ(meter.RunSeconds(), 3);
    clock.Advance(999);
    meter.Tick();
    EXPECT_EQ(meter.RunSeconds(), 3);
    clock.Advance(1);
    meter.Tick();
    EXPECT_EQ(meter.RunSeconds(), 4);
}

TEST(MeterCounting, BlockedTickCatchesUpEverySecond) {
    FakeClock clock;
    Meter meter(clock, 5, 120, 0);
    meter.Check(true);
    clock.AdvanceSeconds(600);
    meter.Tick();
    EXPECT_EQ(meter.RunSeconds(), 600);
}

TEST(MeterCounting, OnlineCheckOnARunningCounterKeepsItsRhythm) {
    FakeClock clock;
    Meter meter(clock, 5, 120, 0);
    meter.Check(true);
    clock.Advance(1000);
    meter.Tick();
    clock.Advance(500);
    meter.Check(true);
    clock.Advance(500);
    meter.Tick();
    EXPECT_EQ(meter.RunSeconds(), 2);
}

TEST(MeterCounting, OfflineCountsUpToNowThenNothingUntilOnlineAgain) {
    FakeClock clock;
    Meter meter(clock, 5, 120, 0);
    meter.Check(true);
    clock.Advance(2500);
    meter.Check(false);
    EXPECT_EQ(meter.RunSeconds(), 2);
    EXPECT_FALSE(meter.Counting());
    clock.AdvanceSeconds(kHour);
    meter.Tick();
    meter.Check(false);
    EXPECT_EQ(meter.RunSeconds(), 2);
    meter.Check(true);  // the hour offline does not count
    EXPECT_EQ(meter.RunSeconds(), 2);
    clock.Advance(1500);
    meter.Tick();
    EXPECT_EQ(meter.RunSeconds(), 3);
}

TEST(MeterCounting, StopCountsUpToNowAndEndsCounting) {
    FakeClock clock;
    Meter meter(clock, 5, 120, 0);
    meter.Check(true);
    clock.Advance(1700);
    meter.Stop();
    EXPECT_EQ(meter.RunSeconds(), 1);
    EXPECT_FALSE(meter.Counting());
    meter.Check(true);
    clock.AdvanceSeconds(10);
    meter.Tick();
    EXPECT_EQ(meter.RunSeconds(), 1);
}

// Hours of a run as the timers drive it: a connection check every two seconds and a
// counter tick every second while counting.
struct RunDriver {
    FakeClock& clock;
    Meter& meter;
    int64_t elapsed = 0;
    std::vector<std::pair<Alarm, int64_t>> alarms;  // alarm and run seconds when it came

    void Take(const std::vector<Alarm>& got) {
        for (Alarm a : got) alarms.emplace_back(a, meter.RunSeconds());
    }
    void Run(int64_t seconds, bool online) {
        for (int64_t i = 0; i < seconds; ++i, ++elapsed) {
            if (elapsed % 2 == 0) Take(meter.Check(online));
            clock.Advance(1000);
            if (meter.Counting()) Take(meter.Tick());
        }
    }
};

TEST(MeterRun, HoursOfSwitchingCountOnlineTimeAndRaiseEachLimitOnce) {
    FakeClock clock;
    const int64_t base = 97 * kHour + 30 * 60;  // month limit reached after 2.5 h
    Meter meter(clock, 2, 100, base);
    RunDriver run{clock, meter, 0, {}};
    run.Run(40 * 60, true);
    run.Run(20 * 60, false);
    EXPECT_EQ(meter.RunSeconds(), 40 * 60);
    run.Run(90 * 60, true);
    run.Run(30 * 60, false);
    EXPECT_EQ(meter.RunSeconds(), 130 * 60);
    clock.ShiftWall(-kHour);  // the wall clock is put back: nothing changes
    run.Run(30 * 60, true);
    clock.ShiftWall(5 * kHour);
    run.Run(30 * 60, true);
    run.Run(10 * 60, false);
    EXPECT_EQ(meter.RunSeconds(), 190 * 60);  // alarms did not stop counting

    ASSERT_EQ(run.alarms.size(), 2u);
    EXPECT_EQ(run.alarms[0], std::make_pair(Alarm::Day, int64_t{2 * kHour}));
    EXPECT_EQ(run.alarms[1], std::make_pair(Alarm::Month, int64_t{150 * 60}));
}

TEST(MeterLimits, DayLimitZeroAlarmsAtTheFirstCountedSecond) {
    FakeClock clock;
    Meter meter(clock, 0, 120, 0);
    std::vector<Alarm> got = meter.Check(true);
    clock.Advance(1000);
    for (Alarm a : meter.Tick()) got.push_back(a);
    EXPECT_EQ(Count(got, Alarm::Day), 1);
    EXPECT_EQ(Count(got, Alarm::Month), 0);
    clock.Advance(1000);
    EXPECT_TRUE(meter.Tick().empty());
}

TEST(MeterLimits, StoredTotalAlreadyPastTheMonthLimitAlarmsOnce) {
    FakeClock clock;
    Meter meter(clock, 5, 120, 121 * kHour);
    EXPECT_TRUE(meter.Check(false).empty());  // offline at start: nothing counted yet
    std::vector<Alarm> got = meter.Check(true);
    for (int i = 0; i < 10; ++i) {
        clock.Advance(1000);
        for (Alarm a : meter.Tick()) got.push_back(a);
    }
    EXPECT_EQ(Count(got, Alarm::Month), 1);
    EXPECT_EQ(Count(got, Alarm::Day), 0);
    EXPECT_EQ(meter.RunSeconds(), 10);
}

TEST(MeterLimits, BothLimitsInOneTick) {
    FakeClock clock;
    Meter meter(clock, 1, 10, 9 * kHour);
    meter.Check(true);
    clock.AdvanceSeconds(kHour - 1);
    EXPECT_TRUE(meter.Tick().empty());
    clock.AdvanceSeconds(1);
    std::vector<Alarm> got = meter.Tick();
    EXPECT_EQ(Count(got, Alarm::Day), 1);
    EXPECT_EQ(Count(got, Alarm::Month), 1);
}

TEST(MeterLimits, CatchUpPastTheLimitAlarmsOnceAndNotAgainAfterReconnecting) {
    FakeClock clock;
    Meter meter(clock, 2, 1000, 0);
    meter.Check(true);
    clock.Advance(3 * kHour * 1000 + 500);
    std::vector<Alarm> got = meter.Check(false);  // no tick came for three hours
    EXPECT_EQ(Count(got, Alarm::Day), 1);
    EXPECT_EQ(meter.RunSeconds(), 3 * kHour);
    EXPECT_TRUE(meter.Check(true).empty());
    clock.AdvanceSeconds(kHour);
    EXPECT_TRUE(meter.Tick().empty());
    EXPECT_EQ(meter.RunSeconds(), 4 * kHour);
}

TEST(MeterLimits, DayLimitBeyondOneDayIsStillReached) {
    FakeClock clock;
    Meter meter(clock, 25, 100000, 0);
    meter.Check(true);
    clock.AdvanceSeconds(25 * kHour - 1);
    EXPECT_TRUE(meter.Tick().empty());
    clock.AdvanceSeconds(1);
    EXPECT_EQ(Count(meter.Tick(), Alarm::Day), 1);
}

}  // namespace
}  // namespace kelo
