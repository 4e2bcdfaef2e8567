#include <gtest/gtest.h>

#include "core/Tariff.h"

namespace kelo {
namespace {

TEST(Tariff, AmountsAreExactFenWithAPointWhateverTheLocale) {
    EXPECT_EQ(ParseYuan("49.90"), 4990);
    EXPECT_EQ(ParseYuan("50"), 5000);
    EXPECT_EQ(ParseYuan("0.5"), 50);
    EXPECT_EQ(ParseYuan(".05"), 5);
    for (const char* bad : {"", ".", "49,90", "1.234", "-1", "1e3", " 5", "12345678901"})
        EXPECT_FALSE(ParseYuan(bad)) << bad;
    EXPECT_EQ(FormatYuan(4990), "49.90");
    EXPECT_EQ(FormatYuan(5), "0.05");
    // As a Chinese input method types them.
    for (const char* typed : {"１２．５０", " 12.50 ", " ¥12.5", "￥１２.５", "\xE3\x80\x80" "12.50"})
        EXPECT_EQ(ParseTypedYuan(typed), 1250) << typed;
    for (const char* bad : {"12¥", "１２，５", "1 2", ""}) EXPECT_FALSE(ParseTypedYuan(bad)) << bad;
}

// The largest amounts with any online time the program can hold: nothing overflows.
TEST(Tariff, CostsAndForecastsStayExactAtTheBounds) {
    const Tariff most{kMaxMonthlyFeeFen, 0, kMaxPricePerHourFen, 1};
    EXPECT_EQ(CostFen(most, 2562 * 3600), 9'999'999 + 2562LL * 999'999);
    EXPECT_EQ(CostFen(most, INT64_MAX), 277'777'500'009'999'999);  // online time stops at its bound
    const BillingPeriod period = BillingPeriodOf({2026, 12, 8}, 21);
    const auto forecast = PaceOf(period, {2026, 12, 6, 0, 0, 0}, kMaxOnlineSeconds).forecastSeconds;
    ASSERT_TRUE(forecast);
    EXPECT_EQ(*forecast, kMaxOnlineSeconds * 2);
}

// Fee 50, 60 hours included, 1.20 per hour beyond them.
TEST(Tariff, TimeBeyondTheIncludedHoursIsChargedInWholeUnits) {
    Tariff t{5000, 60, 120, 60};
    const int64_t included = 60 * 3600;
    EXPECT_EQ(CostFen(t, 0), 5000);
    EXPECT_EQ(CostFen(t, included), 5000);
    EXPECT_EQ(BilledSeconds(t, included + 1), 60);
    EXPECT_EQ(CostFen(t, included + 1), 5002);  // one minute at 1.20 an hour
    EXPECT_EQ(CostFen(t, included + 3600), 5120);
    t.unitSeconds = 1;
    EXPECT_EQ(BilledSeconds(t, included + 61), 61);
    t.unitSeconds = 360;
    EXPECT_EQ(CostFen(t, included + 1), 5012);
    t.unitSeconds = 3600;
    EXPECT_EQ(CostFen(t, included + 3601), 5240);
    // A fee without hours charges from the first second; a price alone is a tariff too.
    EXPECT_EQ(CostFen(Tariff{3000, 0, 300, 60}, 90), 3010);
    // The last fraction of a fen rounds half up: a minute at 1.00 or at 0.30 an hour.
    EXPECT_EQ(CostFen(Tariff{0, 0, 100, 60}, 60), 2);
    EXPECT_EQ(CostFen(Tariff{0, 0, 30, 60}, 60), 1);
    EXPECT_TRUE((Tariff{0, 0, 1, 60}).Set());
    EXPECT_FALSE(Tariff{}.Set());
}

TEST(Pace, ForecastFromTheEndOfThePeriodsFirstDay) {
    // 2026-11-21 to 2026-12-21: thirty days.
    const BillingPeriod period = BillingPeriodOf({2026, 12, 8}, 21);
    EXPECT_EQ(period.start, (CivilDate{2026, 11, 21}));
    EXPECT_EQ(period.next, (CivilDate{2026, 12, 21}));
    EXPECT_FALSE(PaceOf(period, {2026, 11, 21, 23, 59, 59}, 3600).forecastSeconds);
    EXPECT_EQ(PaceOf(period, {2026, 11, 22, 0, 0, 0}, 3600).forecastSeconds, 30 * 3600);
    const Pace day3 = PaceOf(period, {2026, 11, 24, 0, 0, 0}, 10 * 3600);
    EXPECT_EQ(day3.forecastSeconds, 100 * 3600);
    EXPECT_EQ(day3.daysLeft, 27);
    EXPECT_TRUE(HeadingPastLimit(day3, 10 * 3600, 60));
    EXPECT_FALSE(HeadingPastLimit(PaceOf(period, {2026, 11, 22, 12, 0, 0}, 10 * 3600), 10 * 3600, 60));
    EXPECT_FALSE(HeadingPastLimit(day3, 61 * 3600, 60));  // already past: the alarm's turn
    EXPECT_FALSE(HeadingPastLimit(PaceOf(period, {2026, 11, 24, 0, 0, 0}, 60 * 3600), 60 * 3600, 60));
    EXPECT_FALSE(HeadingPastLimit(day3, 10 * 3600, 0));
    EXPECT_EQ(Outlook(Tariff{5000, 60, 120, 60}, day3, 10 * 3600),
              (OutlookTexts{"本月费用 ¥50.00", "计费周期剩余 27 天", "按目前速度本月约 100 小时 / ¥98.00"}));
    EXPECT_EQ(Outlook(Tariff{}, PaceOf(period, {2026, 11, 21, 8, 0, 0}, 0), 0),
              (OutlookTexts{"", "计费周期剩余 30 天", ""}));
    // A first start in mid-period: the pace counts from that day.
    EXPECT_EQ(PaceOf(period, {2026, 12, 1, 0, 0, 0}, 10 * 3600, {2026, 11, 29}).forecastSeconds, 110 * 3600);
    // The short month of a billing day 31 ends on the next month's 31st.
    EXPECT_EQ(BillingPeriodOf({2027, 3, 1}, 31).next, (CivilDate{2027, 3, 31}));
    // In a month of thirty days it ends on the 30th: on 04-15, fifteen days are left.
    const BillingPeriod april = BillingPeriodOf({2027, 4, 15}, 31);
    EXPECT_EQ(april.start, (CivilDate{2027, 3, 31}));
    EXPECT_EQ(april.next, (CivilDate{2027, 4, 30}));
    EXPECT_EQ(PaceOf(april, {2027, 4, 15, 12, 0, 0}, 0).daysLeft, 15);
}

}  // namespace
}  // namespace kelo
