#include <gtest/gtest.h>

#include "core/Errors.h"
#include "core/MonthTotal.h"

namespace kelo {
namespace {

TEST(MonthTotalAdd, FieldsAreAddedAndWrittenWithoutLeadingZeros) {
    EXPECT_EQ(AddElapsed("00:00:00", 3723), "1:2:3");
    EXPECT_EQ(AddElapsed("7:05:09", 0), "7:5:9");
}

TEST(MonthTotalAdd, SecondsAndMinutesCarryOver) {
    EXPECT_EQ(AddElapsed("10:59:59", 1), "11:0:0");
    EXPECT_EQ(AddElapsed("0:59:30", 45), "1:0:15");
}

TEST(MonthTotalAdd, WholeDaysAreAdded) {
    EXPECT_EQ(AddElapsed("5:30:00", 25 * 3600), "30:30:0");
    EXPECT_EQ(AddElapsed("700:0:0", 3 * 86400 + 61), "772:1:1");
}

TEST(MonthTotalAdd, HandEditedFieldsBeyondFiftyNineAreNormalised) {
    EXPECT_EQ(AddElapsed("0:90:125", 0), "1:32:5");
}

TEST(MonthTotalAdd, TextThatIsNoMonthTotalIsAnError) {
    EXPECT_THROW(AddElapsed("abc", 1), KeloError);
    EXPECT_THROW(AddElapsed("1:2", 1), KeloError);
    EXPECT_THROW(AddElapsed("1:2:3:4", 1), KeloError);
    EXPECT_THROW(AddElapsed("1:x:3", 1), KeloError);
    EXPECT_THROW(AddElapsed("", 1), KeloError);
}

TEST(MonthTotalParse, TakesExactlyThreeDecimalFields) {
    auto total = MonthTotal::Parse("120:05:09");
    ASSERT_TRUE(total.has_value());
    EXPECT_EQ(total->hours, 120);
    EXPECT_EQ(total->minutes, 5);
    EXPECT_EQ(total->seconds, 9);
    EXPECT_EQ(total->TotalSeconds(), 120 * 3600 + 309);
    EXPECT_FALSE(MonthTotal::Parse("1:2").has_value());
    EXPECT_FALSE(MonthTotal::Parse("1:2:3:4").has_value());
    EXPECT_FALSE(MonthTotal::Parse("-1:0:0").has_value());
    EXPECT_FALSE(MonthTotal::Parse("1::3").has_value());
    EXPECT_FALSE(MonthTotal::Parse("0x1:0:0").has_value());
}

}  // namespace
}  // namespace kelo
