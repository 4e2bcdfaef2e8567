#include <gtest/gtest.h>

#include "core/DateTime.h"

namespace kelo {
namespace {

TEST(Calendar, LeapYearsFollowTheGregorianRule) {
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_FALSE(IsLeapYear(2023));
}

TEST(Calendar, MonthLengths) {
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2024, 4), 30);
    EXPECT_EQ(DaysInMonth(2024, 12), 31);
    EXPECT_FALSE(IsValid(CivilDate{2023, 2, 29}));
    EXPECT_TRUE(IsValid(CivilDate{2024, 2, 29}));
    EXPECT_FALSE(IsValid(LocalDateTime{2024, 1, 1, 24, 0, 0}));
}

TEST(Calendar, DayNumbersRoundTripAcrossCenturies) {
    EXPECT_EQ(DaysFromCivil({1970, 1, 1}), 0);
    EXPECT_EQ(DaysFromCivil({2000, 3, 1}), 11017);
    EXPECT_EQ(DaysFromCivil({1969, 12, 31}), -1);
    int64_t previous = DaysFromCivil({1899, 12, 31});
    for (int64_t n = previous + 1; n < DaysFromCivil({2101, 1, 1}); ++n) {
        CivilDate d = CivilFromDays(n);
        ASSERT_TRUE(IsValid(d)) << n;
        ASSERT_EQ(DaysFromCivil(d), n);
    }
}

TEST(DateTimeText, WrittenWithTwoDigitFields) {
    EXPECT_EQ(FormatDateTime({2024, 3, 5, 7, 8, 9}), "2024-03-05 07:08:09");
    EXPECT_EQ(FormatDate({2024, 12, 1}), "2024-12-01");
}

TEST(DateTimeText, ReadsBackWhatItWritesAndHandEditedForms) {
    EXPECT_EQ(ParseDateTime("2024-03-05 07:08:09"), (LocalDateTime{2024, 3, 5, 7, 8, 9}));
    EXPECT_EQ(ParseDateTime("2024/3/5 7:08"), (LocalDateTime{2024, 3, 5, 7, 8, 0}));
    EXPECT_EQ(ParseDate("2024-02-29"), (CivilDate{2024, 2, 29}));
}

TEST(DateTimeText, RejectsTextThatIsNoDate) {
    EXPECT_FALSE(ParseDateTime("").has_value());
    EXPECT_FALSE(ParseDateTime("yesterday").has_value());
    EXPECT_FALSE(ParseDateTime("2023-02-29 10:00:00").has_value());
    EXPECT_FALSE(ParseDateTime("2024-03-05 25:00:00").has_value());
    EXPECT_FALSE(ParseDate("2023-02-29").has_value());
    EXPECT_FALSE(ParseDate("2024-13-01").has_value());
}

TEST(DurationText, ShowsTotalHoursWithoutWrappingAtOneDay) {
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(3723), "01:02:03");
    EXPECT_EQ(FormatDuration(86399), "23:59:59");
    EXPECT_EQ(FormatDuration(90000), "25:00:00");
    EXPECT_EQ(FormatDuration(100 * 3600 + 59), "100:00:59");
    EXPECT_EQ(FormatDuration(-5), "00:00:00");
}

}  // namespace
}  // namespace kelo
