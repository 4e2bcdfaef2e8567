#include <gtest/gtest.h>

#include <limits>

#include "core/ConnectionBilling.h"

namespace kelo {
namespace {

int64_t BilledInAll(const Tariff& tariff, std::vector<int64_t> onlineSeconds) {
    int64_t sum = 0;
    for (const int64_t online : onlineSeconds) sum += RoundUpToUnit(online, ConnectionUnit(tariff));
    return sum;
}

TEST(ConnectionBilling, EachConnectionIsRoundedUpToTheUnit) {
    const Tariff hourly{0, 0, 100, 3600};
    EXPECT_EQ(BilledInAll(hourly, {10, 10, 10}), 3 * 3600);
    EXPECT_EQ(FormatYuan(ConnectionBillFen(hourly, BilledInAll(hourly, {10, 10, 10}))), "3.00");
    const Tariff byMinute{0, 0, 100, 60};
    EXPECT_EQ(BilledInAll(byMinute, {61, 61, 61}), 6 * 60);
    EXPECT_EQ(FormatYuan(ConnectionBillFen(byMinute, 6 * 60)), "0.10");
    EXPECT_EQ(BilledInAll(Tariff{}, {10, 61}), 71);  // without a tariff, billed is online

    // The status bar tells the bill; the forecast grows it with the online time. Rounding
    // the period once says what it said before.
    const Pace pace{0, 10, 60};
    EXPECT_EQ(Outlook(hourly, pace, 30, 3 * 3600), (OutlookTexts{"本月费用 ¥3.00", "计费周期剩余 10 天",
                                                                 "按目前速度本月约 0 小时 / ¥6.00"}));
    Tariff once = hourly;
    once.rounding = TariffRounding::Period;
    EXPECT_EQ(Outlook(once, pace, 30, 3 * 3600).cost, "本月费用 ¥1.00");
    // A record begun during the period leaves time out: the period is one sum then.
    EXPECT_EQ(Outlook(hourly, pace, 4 * 3600, 3 * 3600).cost, "本月费用 ¥4.00");
}

// Fee 50, one hour included, 1.20 an hour beyond it.
TEST(ConnectionBilling, IncludedHoursAreUsedUpFirstAndTheRowsAddUpToTheBill) {
    const Tariff t{5000, 1, 120, 3600};
    EXPECT_EQ(ConnectionCostsFen(t, {3600, 3600, 7200}), (std::vector<int64_t>{0, 120, 240}));
    EXPECT_EQ(ConnectionBillFen(t, 14400), 5000 + 360);
    // Fractions of a fen are never lost between rows: a minute each at 0.30 an hour.
    const Tariff cheap{0, 0, 30, 60};
    EXPECT_EQ(ConnectionCostsFen(cheap, {60, 60, 60, 60}), (std::vector<int64_t>{1, 0, 1, 0}));
    // The largest price the program takes over any number of connections stays exact.
    const Tariff dear{0, 0, 999'999'999'999, 3600};
    EXPECT_EQ(ConnectionBillFen(dear, std::numeric_limits<int64_t>::max()), 999'999'999'999 * 1'000'000);
}

}  // namespace
}  // namespace kelo
