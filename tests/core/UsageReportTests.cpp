#include <gtest/gtest.h>

#include "core/UsageReport.h"

namespace kelo {
namespace {

using Fields = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

RunSpan Span(const char* start, const char* end, int64_t online) {
    return {*ParseDateTime(start), *ParseDateTime(end), online};
}

TEST(UsageReportRun, ReadsAHistoryRecord) {
    const auto run = RunFromFields(
        {"2024-03-01 10:00:00", "2024-03-01 12:30:00", "02:00:05", "host", "Kelo", "10.0.0.1"});
    ASSERT_TRUE(run);
    EXPECT_EQ(run->start, (LocalDateTime{2024, 3, 1, 10, 0, 0}));
    EXPECT_EQ(run->end, (LocalDateTime{2024, 3, 1, 12, 30, 0}));
    EXPECT_EQ(run->onlineSeconds, 7205);
    // Online time keeps counting hours past a day.
    EXPECT_EQ(RunFromFields({"2024-03-01 00:00:00", "2024-03-03 00:00:00", "30:00:00"})
                  ->onlineSeconds,
              30 * 3600);
}

TEST(UsageReportRun, UnreadableRecordIsNoRun) {
    const char* start = "2024-03-01 10:00:00";
    const char* end = "2024-03-01 11:00:00";
    EXPECT_FALSE(RunFromFields({start, "", "00:10:00"}));  // a run that never saved
    EXPECT_FALSE(RunFromFields({"2024-13-01 10:00:00", end, "00:10:00"}));
    EXPECT_FALSE(RunFromFields({start, end}));
    for (const char* online : {"", "1:2:3", "00:60:00", "00:00:60", "-1:00:00", "00:10",
                               "1h", " 00:10:00", "00:10:00 ", "00:10:00:00", "+1:00:00"})
        EXPECT_FALSE(RunFromFields({start, end, online})) << online;
}

TEST(UsageReportRun, ALineReadsAsItsFields) {
    const auto run = RunFromLine("2024-03-01 10:00:00\a2024-03-01 12:30:00\a02:00:05\ahost\aKelo\a10.0.0.1");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->end, (LocalDateTime{2024, 3, 1, 12, 30, 0}));
    EXPECT_EQ(run->onlineSeconds, 7205);
    // Three fields are enough; fewer, or an online time with more after it in its field, are not.
    EXPECT_EQ(RunFromLine("2024-03-01 10:00:00\a2024-03-01 10:00:09\a00:00:09")->onlineSeconds, 9);
    EXPECT_FALSE(RunFromLine("2024-03-01 10:00:00\a2024-03-01 11:00:00"));
    EXPECT_FALSE(RunFromLine("2024-03-01 10:00:00\a\a00:10:00\a"));
    EXPECT_FALSE(RunFromLine("2024-03-01 10:00:00\a2024-03-01 11:00:00\a00:10:00x\a"));
}

// The clock was set back during the run: the online time is what the meter counted.
TEST(UsageReportRun, EndBeforeStartKeepsItsOnlineTime) {
    EXPECT_EQ(RunFromFields({"2024-03-01 10:00:00", "2024-03-01 09:30:00", "00:40:00"})
                  ->onlineSeconds,
              2400);
}

TEST(UsageReportRun, OnlineTimeBeyondTheRunsLengthIsKept) {
    EXPECT_EQ(RunFromFields({"2024-03-01 23:50:00", "2024-03-02 00:20:00", "01:00:00"})
                  ->onlineSeconds,
              3600);
    EXPECT_EQ(RunFromFields({"2024-03-01 10:00:00", "2024-03-01 10:00:00", "00:00:05"})
                  ->onlineSeconds,
              5);
}

TEST(UsageReportDaily, RunOverMidnightIsSplitInProportionAndSumsExactly) {
    // Half of 3601 seconds each side: rounding each day alone would give 3602 in all.
    const auto days = DailyUsage({Span("2024-03-01 23:00:00", "2024-03-02 01:00:00", 3601)},
                                 {2024, 3, 1}, {2024, 3, 2});
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0].seconds, 1801);
    EXPECT_EQ(days[1].seconds, 1800);
    // Online for the whole of it: an hour each side.
    const auto whole = DailyUsage({Span("2024-03-01 23:00:00", "2024-03-02 01:00:00", 7200)},
                                  {2024, 3, 1}, {2024, 3, 2});
    EXPECT_EQ(whole[0].seconds, 3600);
    EXPECT_EQ(whole[1].seconds, 3600);
}

TEST(UsageReportDaily, RunOverTwoMidnightsFillsTheDayBetween) {
    // 2 + 24 + 2 hours of wall clock.
    const auto days = DailyUsage({Span("2024-03-01 22:00:00", "2024-03-03 02:00:00", 1000)},
                                 {2024, 3, 1}, {2024, 3, 3});
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[0].seconds, 71);
    EXPECT_EQ(days[1].seconds, 858);
    EXPECT_EQ(days[2].seconds, 71);
}

TEST(UsageReportDaily, CountsTheRunsWithTimeOnEachDay) {
    const auto days = DailyUsage(
        {Span("2024-03-01 23:00:00", "2024-03-02 01:00:00", 3600),
         Span("2024-03-01 08:00:00", "2024-03-01 09:00:00", 60),
         Span("2024-03-01 10:00:00", "2024-03-01 10:05:00", 0),  // counts where it began
         Span("2024-03-01 23:59:59", "2024-03-02 10:00:00", 10)},  // no second on the 1st
        {2024, 3, 1}, {2024, 3, 2});
    EXPECT_EQ(days[0].runs, 3);
    EXPECT_EQ(days[0].seconds, 1800 + 60);
    EXPECT_EQ(days[1].runs, 2);
    EXPECT_EQ(days[1].seconds, 1800 + 10);
}

// An hour online in half an hour of wall clock, and ten minutes in a run that ended
// before it began: the clock was set back.
TEST(UsageReportDaily, OnlineTimeTheWallClockCannotHoldLiesOnTheStartDay) {
    const auto days = DailyUsage({Span("2024-03-01 23:50:00", "2024-03-02 00:20:00", 3600),
                                  Span("2024-03-02 00:10:00", "2024-03-01 22:00:00", 600)},
                                 {2024, 3, 1}, {2024, 3, 2});
    std::vector<std::pair<int64_t, int>> secondsAndRuns;
    for (const DayUsage& day : days) secondsAndRuns.emplace_back(day.seconds, day.runs);
    EXPECT_EQ(secondsAndRuns, (std::vector<std::pair<int64_t, int>>{{3600, 1}, {600, 1}}));
}

TEST(UsageReportDaily, DaysWithoutRunsArePresent) {
    const auto days = DailyUsage({Span("2024-03-01 10:00:00", "2024-03-01 11:00:00", 3600)},
                                 {2024, 2, 28}, {2024, 3, 2});
    ASSERT_EQ(days.size(), 4u);
    EXPECT_EQ(days[1].date, (CivilDate{2024, 2, 29}));
    EXPECT_EQ(days[1].seconds, 0);
    EXPECT_EQ(days[1].runs, 0);
    EXPECT_EQ(days[2].seconds, 3600);
    EXPECT_EQ(days[3].date, (CivilDate{2024, 3, 2}));
    EXPECT_TRUE(DailyUsage({}, {2024, 3, 2}, {2024, 3, 1}).empty());
}

TEST(UsageReportDaily, PartsOutsideTheRangeAreDropped) {
    const auto days = DailyUsage({Span("2024-03-01 22:00:00", "2024-03-03 02:00:00", 1000),
                                  Span("2024-02-01 10:00:00", "2024-02-01 11:00:00", 3600)},
                                 {2024, 3, 2}, {2024, 3, 2});
    ASSERT_EQ(days.size(), 1u);
    EXPECT_EQ(days[0].seconds, 858);
    EXPECT_EQ(days[0].runs, 1);
}

// As the meter cuts its record: a period ends at its last second, and a run over its end
// gives each period its share.
TEST(UsageReportPeriods, RunOverABillingPeriodStartIsCutThere) {
    const auto periods =
        PeriodTotals({Span("2024-03-20 23:00:00", "2024-03-21 01:00:00", 3601),
                      Span("2024-02-20 23:30:00", "2024-02-21 00:30:00", 3600)},
                     {2024, 3, 25}, 21, 2);
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_EQ(periods[0].first, (CivilDate{2024, 2, 21}));
    EXPECT_EQ(periods[0].last, (CivilDate{2024, 3, 20}));
    EXPECT_EQ(periods[0].seconds, 1800 + 1801);
    EXPECT_EQ(periods[1].first, (CivilDate{2024, 3, 21}));
    EXPECT_EQ(periods[1].seconds, 1800);
    EXPECT_TRUE(PeriodTotals({}, {2024, 3, 25}, 21, 0).empty());
}

TEST(UsageReportPeriods, BillingDay31FollowsShortMonthsWithoutGaps) {
    const auto periods = PeriodTotals({Span("2024-02-29 00:00:00", "2024-02-29 00:10:00", 600)},
                                      {2024, 3, 10}, 31, 3);
    ASSERT_EQ(periods.size(), 3u);
    EXPECT_EQ(periods[0].first, (CivilDate{2023, 12, 31}));
    EXPECT_EQ(periods[0].last, (CivilDate{2024, 1, 30}));
    EXPECT_EQ(periods[1].first, (CivilDate{2024, 1, 31}));
    EXPECT_EQ(periods[1].last, (CivilDate{2024, 2, 28}));
    EXPECT_EQ(periods[2].first, (CivilDate{2024, 2, 29}));
    EXPECT_EQ(periods[2].last, (CivilDate{2024, 3, 30}));
    EXPECT_EQ(periods[2].seconds, 600);
}

TEST(UsageReportPeriods, TwelvePeriodsOverTheYearsEnd) {
    const auto periods = PeriodTotals({Span("2024-12-31 23:00:00", "2025-01-01 01:00:00", 7200)},
                                      {2025, 1, 5}, 1, 12);
    ASSERT_EQ(periods.size(), 12u);
    EXPECT_EQ(periods[0].first, (CivilDate{2024, 2, 1}));
    EXPECT_EQ(periods[0].last, (CivilDate{2024, 2, 29}));
    for (size_t i = 1; i < periods.size(); ++i)
        EXPECT_EQ(DaysFromCivil(periods[i].first), DaysFromCivil(periods[i - 1].last) + 1);
    EXPECT_EQ(periods[10].seconds, 3600);
    EXPECT_EQ(periods[11].first, (CivilDate{2025, 1, 1}));
    EXPECT_EQ(periods[11].seconds, 3600);
}

TEST(UsageReportPeriods, TodayOnTheBillingDayStartsTheNewPeriod) {
    const auto periods = PeriodTotals({Span("2024-03-20 10:00:00", "2024-03-20 11:00:00", 60),
                                       Span("2024-03-21 00:00:00", "2024-03-21 01:00:00", 120)},
                                      {2024, 3, 21}, 21, 2);
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_EQ(periods[0].last, (CivilDate{2024, 3, 20}));
    EXPECT_EQ(periods[0].seconds, 60);
    EXPECT_EQ(periods[1].first, (CivilDate{2024, 3, 21}));
    EXPECT_EQ(periods[1].seconds, 120);
}

// The export lists the whole history period by period: the empty periods between runs
// too, and nothing past today for a run the clock dated ahead.
TEST(UsageReportPeriods, HistoryPeriodsRunFromTheEarliestRunToToday) {
    const auto periods = HistoryPeriods({Span("2024-03-25 10:00:00", "2024-03-25 11:00:00", 60),
                                         Span("2024-01-05 10:00:00", "2024-01-05 11:00:00", 120),
                                         Span("2025-06-01 10:00:00", "2025-06-01 11:00:00", 30)},
                                        {2024, 4, 2}, 21);
    ASSERT_EQ(periods.size(), 4u);
    EXPECT_EQ(periods[0].first, (CivilDate{2023, 12, 21}));
    EXPECT_EQ(periods[0].seconds, 120);
    EXPECT_EQ(periods[1].seconds, 0);
    EXPECT_EQ(periods[3].first, (CivilDate{2024, 3, 21}));
    EXPECT_EQ(periods[3].seconds, 60);
    EXPECT_EQ(HistoryPeriods({}, {2024, 4, 2}, 21).size(), 1u);
    // The earliest run on a period's first day: that period comes first.
    const auto fromFirstDay =
        HistoryPeriods({Span("2024-02-21 00:00:00", "2024-02-21 01:00:00", 60)}, {2024, 4, 2}, 21);
    ASSERT_EQ(fromFirstDay.size(), 2u);
    EXPECT_EQ(fromFirstDay[0].first, (CivilDate{2024, 2, 21}));
    EXPECT_EQ(fromFirstDay[0].seconds, 60);
}

TEST(UsageReportPeriods, SummaryRowsCarryTheBilledTimeAndCostOnlyWithATariff) {
    const std::vector<PeriodUsage> periods{{{2024, 2, 21}, {2024, 3, 20}, 10 * 3600 + 1},
                                           {{2024, 3, 21}, {2024, 4, 20}, 0}};
    const Tariff tariff{3000, 10, 200, 360};
    EXPECT_EQ(PeriodSummaryRows(periods, tariff),
              (Rows{{"2024-02-21", "2024-03-20", "36001", "360", "30.20"},
                    {"2024-03-21", "2024-04-20", "0", "0", "30.00"}}));
    EXPECT_EQ(PeriodSummaryRows(periods, Tariff{}),
              (Rows{{"2024-02-21", "2024-03-20", "36001"}, {"2024-03-21", "2024-04-20", "0"}}));
}

TEST(UsageReportPeriods, CostLabelsRoundWholeYuanHalfUp) {
    EXPECT_EQ(CostLabels(12345), (Fields{"123.45", "123"}));
    EXPECT_EQ(CostLabels(6250), (Fields{"62.50", "63"}));
    EXPECT_EQ(CostLabels(49), (Fields{"0.49", "0"}));
}

TEST(UsageReportText, CsvHasAByteOrderMarkAndCrLfLines) {
    EXPECT_EQ(CsvDocument({{"a", "b"}, {"c"}}), "\xEF\xBB\xBF" "a,b\r\nc\r\n");
    EXPECT_EQ(CsvDocument({}), "\xEF\xBB\xBF");
}

TEST(UsageReportText, CsvQuotesOnlyWhatASpreadsheetWouldMisread) {
    EXPECT_EQ(CsvDocument({{"x,y", "say \"hi\"", "two\nlines", "cr\rx", " lead", "trail ",
                            "in side", ""}}),
              "\xEF\xBB\xBF\"x,y\",\"say \"\"hi\"\"\",\"two\nlines\",\"cr\rx\",\" lead\","
              "\"trail \",in side,\r\n");
}

// Host names and addresses come from the hand-editable history: one that a spreadsheet
// would take for a formula is written as text; the program's own figures stay as they are.
TEST(UsageReportText, CsvWritesFormulaLikeFieldsAsText) {
    EXPECT_EQ(CsvDocument({{"=1+2", "+1", "-2", "@SUM(A1)", "\tx", "\rx", "=\"a\",b", "a=b",
                            "2024-03-01 10:00:00", "3600", "01:00:00"}}),
              "\xEF\xBB\xBF\"'=1+2\",\"'+1\",\"'-2\",\"'@SUM(A1)\",\"'\tx\",\"'\rx\","
              "\"'=\"\"a\"\",b\",a=b,2024-03-01 10:00:00,3600,01:00:00\r\n");
}

TEST(UsageReportText, CsvKeepsChineseTextByteForByte) {
    EXPECT_EQ(CsvDocument({{"本月用时", "12:00:00"}}), "\xEF\xBB\xBF本月用时,12:00:00\r\n");
}

TEST(UsageReportText, TabSeparatedTurnsTabsAndLineBreaksIntoSpaces) {
    EXPECT_EQ(TabSeparated({{"a\tb", "c\r\nd", "e\nf", "g\rh"}, {"本月用时"}}),
              "a b\tc d\te f\tg h\r\n本月用时\r\n");
}

}  // namespace
}  // namespace kelo
