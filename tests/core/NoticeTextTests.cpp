#include <gtest/gtest.h>

#include "core/NoticeText.h"

namespace kelo {
namespace {

TEST(NoticeText, PeriodEndsTheDayBeforeTheNextBillingDay) {
    EXPECT_EQ(BillingPeriodEnd({2024, 3, 25}, 21), (CivilDate{2024, 4, 20}));
    EXPECT_EQ(BillingPeriodEnd({2024, 3, 20}, 21), (CivilDate{2024, 3, 20}));
    // Over the year's end, and a billing day that short months do not have.
    EXPECT_EQ(BillingPeriodEnd({2024, 12, 31}, 21), (CivilDate{2025, 1, 20}));
    EXPECT_EQ(BillingPeriodEnd({2024, 1, 31}, 31), (CivilDate{2024, 2, 28}));
    EXPECT_EQ(BillingPeriodEnd({2024, 2, 29}, 31), (CivilDate{2024, 3, 30}));
    EXPECT_EQ(BillingPeriodEnd({2024, 5, 1}, 1), (CivilDate{2024, 5, 31}));
}

TEST(NoticeText, CountsThisRunIntoTheMonthAndTheLimits) {
    NoticeFigures f;
    f.monthSeconds = 101 * 3600 + 61;
    f.runSeconds = 3600 + 61;
    f.monthLimitHours = 120;
    f.dayLimitHours = 5;
    f.billingDay = 21;
    f.today = {2026, 12, 7};
    const auto lines = NoticeLines(f);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "本月累计上网: 101:01:01");
    EXPECT_EQ(lines[1], "本次上网: 01:01:01");
    EXPECT_EQ(lines[2], "本月限额 120 小时: 还剩 18:58:59");
    EXPECT_EQ(lines[3], "每日限额 5 小时: 还剩 03:58:59");
    EXPECT_EQ(lines[4], "计费周期: 2026-11-21 至 2026-12-20");

    // A limit reached shows as used up, never as a negative time.
    f.runSeconds = 20 * 3600;
    f.monthSeconds = 120 * 3600;
    const auto over = NoticeLines(f);
    EXPECT_EQ(over[2], "本月限额 120 小时: 已用完");
    EXPECT_EQ(over[3], "每日限额 5 小时: 已用完");
    f.counted = "计费连接：宽带连接（已连接）";
    EXPECT_EQ(NoticeLines(f).back(), f.counted);
}

}  // namespace
}  // namespace kelo
