#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "core/IniDocument.h"
#include "core/Settings.h"

namespace kelo {
namespace {

const test::IconvTextCodec kCodec;

CivilDate Start(int y, int m, int d, int billingDay) {
    return BillingPeriodStart({y, m, d}, billingDay);
}

TEST(BillingPeriod, StartsOnTheLatestBillingDayNotAfterToday) {
    EXPECT_EQ(Start(2024, 3, 25, 21), (CivilDate{2024, 3, 21}));
    EXPECT_EQ(Start(2024, 3, 21, 21), (CivilDate{2024, 3, 21}));
    EXPECT_EQ(Start(2024, 3, 20, 21), (CivilDate{2024, 2, 21}));
    EXPECT_EQ(Start(2024, 1, 5, 21), (CivilDate{2023, 12, 21}));
    EXPECT_EQ(Start(2024, 1, 1, 1), (CivilDate{2024, 1, 1}));
    EXPECT_EQ(Start(2024, 12, 31, 1), (CivilDate{2024, 12, 1}));
}

TEST(BillingPeriod, ShortMonthUsesItsLastDay) {
    EXPECT_EQ(Start(2023, 2, 28, 31), (CivilDate{2023, 2, 28}));
    EXPECT_EQ(Start(2023, 3, 15, 31), (CivilDate{2023, 2, 28}));
    EXPECT_EQ(Start(2024, 4, 30, 31), (CivilDate{2024, 4, 30}));
    EXPECT_EQ(Start(2024, 5, 1, 31), (CivilDate{2024, 4, 30}));
    EXPECT_EQ(Start(2024, 5, 30, 31), (CivilDate{2024, 4, 30}));
    EXPECT_EQ(Start(2024, 5, 31, 31), (CivilDate{2024, 5, 31}));
}

TEST(BillingPeriod, FebruaryOfLeapYears) {
    EXPECT_EQ(Start(2024, 2, 28, 31), (CivilDate{2024, 1, 31}));
    EXPECT_EQ(Start(2024, 2, 29, 31), (CivilDate{2024, 2, 29}));
    EXPECT_EQ(Start(2024, 3, 15, 31), (CivilDate{2024, 2, 29}));
    EXPECT_EQ(Start(2024, 3, 1, 30), (CivilDate{2024, 2, 29}));
    EXPECT_EQ(Start(2024, 2, 29, 29), (CivilDate{2024, 2, 29}));
    EXPECT_EQ(Start(2024, 3, 28, 29), (CivilDate{2024, 2, 29}));
    EXPECT_EQ(Start(2023, 3, 1, 29), (CivilDate{2023, 2, 28}));
    EXPECT_EQ(Start(2100, 3, 1, 29), (CivilDate{2100, 2, 28}));
    EXPECT_EQ(Start(2000, 3, 1, 30), (CivilDate{2000, 2, 29}));
}

TEST(BillingPeriod, DaysOutsideTheMonthRangeTakeTheNearest) {
    EXPECT_EQ(Start(2024, 3, 10, 0), (CivilDate{2024, 3, 1}));
    EXPECT_EQ(Start(2024, 3, 10, 99), (CivilDate{2024, 2, 29}));
}

struct Loaded {
    StartupState state;
    std::string bytes;
};

Loaded Load(const std::string& ini, LocalDateTime now = {2024, 3, 10, 12, 0, 0}) {
    IniDocument doc(kCodec, ini);
    StartupState state = LoadSettings(doc, now);
    return {state, doc.Bytes()};
}

TEST(LoadSettings, EmptyFileGivesDefaultsAndStoresTheKeepFlag) {
    const LocalDateTime now{2024, 3, 10, 12, 0, 0};
    Loaded r = Load("", now);
    const MeterSettings& s = r.state.settings;
    EXPECT_EQ(s.billingDay, 21);
    EXPECT_EQ(s.monthLimit, 120);
    EXPECT_EQ(s.dayLimit, 5);
    EXPECT_FALSE(s.keepTotal);
    EXPECT_FALSE(s.soundAlarm);
    EXPECT_TRUE(s.useDefaultSound);
    EXPECT_EQ(s.soundPath, "");
    EXPECT_EQ(r.state.monthTotal, "00:00:00");
    EXPECT_EQ(r.state.countStart, now);
    EXPECT_FALSE(r.state.countStartStored);
    EXPECT_FALSE(r.state.totalReset);
    EXPECT_TRUE(r.state.messages.empty());
    EXPECT_EQ(r.bytes, "[Setup]\r\nSetupBool=0\r\n");
}

TEST(LoadSettings, StoredValuesAreTaken) {
    Loaded r = Load(
        "[Setup]\r\nStart=5\r\nMonthDate=300\r\nDate=2\r\nSetupBool=1\r\nSound=1\r\n"
        "DefaultSound=0\r\nSoundPath=D:\\\xC9\xF9\xD2\xF4.wav\r\n"
        "[Date]\r\nSumTime=12:3:4\r\nStart=2024-03-05 08:30:00\r\n"
        "[Tariff]\r\nMonthlyFee=49.9\r\nIncludedHours=60\r\nPricePerHour=1.50\r\nUnit=360\r\nRounding=1\r\n");
    const MeterSettings& s = r.state.settings;
    EXPECT_EQ(s.tariff, (Tariff{4990, 60, 150, 360, TariffRounding::Period}));
    EXPECT_EQ(s.billingDay, 5);
    EXPECT_EQ(s.monthLimit, 300);
    EXPECT_EQ(s.dayLimit, 2);
    EXPECT_TRUE(s.keepTotal);
    EXPECT_TRUE(s.soundAlarm);
    EXPECT_FALSE(s.useDefaultSound);
    EXPECT_EQ(s.soundPath, "D:\\声音.wav");
    EXPECT_EQ(r.state.monthTotal, "12:3:4");
    EXPECT_EQ(r.state.countStart, (LocalDateTime{2024, 3, 5, 8, 30, 0}));
    EXPECT_TRUE(r.state.countStartStored);
    EXPECT_NE(r.bytes.find("SetupBool=1\r\n"), std::string::npos);
}

// All bad values of one start are told together, in one message naming the file, each
// key and the default taken; a negative limit is one of them.
TEST(LoadSettings, BadNumbersTakeTheirDefaultsAndReadingGoesOn) {
    Loaded r = Load(
        "[Setup]\r\nStart=abc\r\nMonthDate=0x10\r\nDate=-2\r\nSound=1\r\nWarnMinutes=\r\n"
        "[Date]\r\nSumTime=7:0:0\r\n"
        "[Tariff]\r\nMonthlyFee=49,90\r\nIncludedHours=-1\r\nPricePerHour=2\r\nUnit=600\r\nRounding=2\r\n");
    const MeterSettings& s = r.state.settings;
    EXPECT_EQ(s.tariff, (Tariff{0, 0, 200, 60}));
    EXPECT_EQ(s.billingDay, 21);
    EXPECT_EQ(s.monthLimit, 120);
    EXPECT_EQ(s.dayLimit, 5);
    EXPECT_EQ(s.warnMinutes, 10);
    EXPECT_TRUE(s.soundAlarm);
    EXPECT_EQ(r.state.monthTotal, "7:0:0");
    ASSERT_EQ(r.state.messages.size(), 1u);
    const std::string& m = r.state.messages[0];
    for (const char* part : {"Kelo.ini", "[Setup] Start=abc", "默认值 21", "[Setup] MonthDate=0x10",
                             "默认值 120", "[Setup] Date=-2", "默认值 5", "[Setup] WarnMinutes=",
                             "默认值 10", "[Tariff] MonthlyFee=49,90", "[Tariff] IncludedHours=-1",
                             "[Tariff] Unit=600", "[Tariff] Rounding=2"})
        EXPECT_NE(m.find(part), std::string::npos) << part << " in " << m;
    EXPECT_EQ(m.find("valid integer"), std::string::npos);
}

TEST(LoadSettings, AmountsBeyondTheirLimitsAreBadValues) {
    std::string bad;
    const Tariff t = ReadTariff(IniDocument(kCodec, "[Tariff]\r\nMonthlyFee=99999.99\r\nPricePerHour=10000\r\n"), &bad);
    EXPECT_EQ(t.monthlyFeeFen, 9'999'999);
    EXPECT_EQ(t.pricePerHourFen, 0);
    EXPECT_NE(bad.find("[Tariff] PricePerHour=10000：超过 9999.99 元"), std::string::npos) << bad;
    EXPECT_EQ(bad.find("MonthlyFee"), std::string::npos) << bad;
}

TEST(LoadSettings, UnreadableMonthTotalStartsFromZeroWithAMessage) {
    for (const char* bad : {"lots", "12:30", "1:2:3:4", "1:x:0", "100000:0:0"}) {
        Loaded r = Load(std::string("[Date]\r\nSumTime=") + bad + "\r\n");
        EXPECT_EQ(r.state.monthTotal, "00:00:00") << bad;
        ASSERT_EQ(r.state.messages.size(), 1u) << bad;
        EXPECT_NE(r.state.messages[0].find("SumTime"), std::string::npos) << r.state.messages[0];
    }
}

TEST(LoadSettings, UnreadableCountStartIsTakenAsMissing) {
    const LocalDateTime now{2024, 3, 10, 12, 0, 0};
    Loaded r = Load("[Date]\r\nStart=sometime\r\n", now);
    EXPECT_EQ(r.state.countStart, now);
    EXPECT_FALSE(r.state.countStartStored);
}

// Every key read with a type follows the same rule, whoever reads it later: a yes/no
// takes what a whole number says and tells the rest, a date that does not read is told.
TEST(LoadSettings, EveryTypedKeyTellsItsBadValue) {
    const std::string nul("FontColor=12\0x\r\n", 16);
    Loaded r = Load("[Setup]\r\nSetupBool=0x1\r\nSound=-5\r\nDefaultSound=yes\r\nDropTrans=\r\nForm=true\r\n"
                    "[Date]\r\nStart=sometime\r\nLastRun=2024-13-01 00:00:00\r\nPeriod=soon\r\nPaceWarned=x\r\n"
                    "[DropForm]\r\nTransparence=0\r\nFormColor=dark\r\nFontStyle=\r\nFontName=Arial\r\n" + nul);
    const MeterSettings& s = r.state.settings;
    EXPECT_TRUE(s.keepTotal);
    EXPECT_TRUE(s.soundAlarm);
    EXPECT_TRUE(s.useDefaultSound);
    ASSERT_EQ(r.state.messages.size(), 1u);
    const std::string& m = r.state.messages[0];
    for (const char* part : {"Kelo.ini", "[Setup] DefaultSound=yes：不是 0 或 1，改用默认值 1", "[Setup] DropTrans=：",
                             "[Setup] Form=true：", "[Date] Start=sometime：", "[Date] LastRun=2024-13-01", "[Date] Period=soon",
                             "[Date] PaceWarned=x", "[DropForm] Transparence=0：超出范围，改用默认值 150",
                             "[DropForm] FormColor=dark", "[DropForm] FontStyle=：", "[DropForm] FontColor=12\\0x："})
        EXPECT_NE(m.find(part), std::string::npos) << part << " in " << m;
    for (const char* good : {"SetupBool", "[Setup] Sound=", "FontName"}) EXPECT_EQ(m.find(good), std::string::npos) << good;
}

TEST(MonthRollOver, SamePeriodKeepsTheTotal) {
    Loaded r = Load("[Date]\r\nSumTime=50:0:0\r\nPeriod=2024-02-21\r\n", {2024, 3, 20, 9, 0, 0});
    EXPECT_EQ(r.state.monthTotal, "50:0:0");
    EXPECT_FALSE(r.state.totalReset);
}

TEST(MonthRollOver, MissedBillingDayStillStartsANewPeriod) {
    const LocalDateTime now{2024, 3, 25, 9, 0, 0};
    Loaded r = Load(
        "[Date]\r\nSumTime=50:0:0\r\nStart=2024-02-21 08:00:00\r\nPeriod=2024-02-21\r\n", now);
    EXPECT_EQ(r.state.monthTotal, "00:00:00");
    EXPECT_TRUE(r.state.totalReset);
    EXPECT_EQ(r.state.countStart, now);
}

TEST(MonthRollOver, FileWithoutPeriodResetsOnlyOnTheBillingDay) {
    const std::string ini = "[Setup]\r\nStart=10\r\n[Date]\r\nSumTime=50:0:0\r\n";
    Loaded onDay = Load(ini, {2024, 3, 10, 9, 0, 0});
    EXPECT_EQ(onDay.state.monthTotal, "00:00:00");
    EXPECT_TRUE(onDay.state.totalReset);
    Loaded after = Load(ini, {2024, 3, 11, 9, 0, 0});
    EXPECT_EQ(after.state.monthTotal, "50:0:0");
    EXPECT_FALSE(after.state.totalReset);
}

TEST(MonthRollOver, BillingDayThirtyOneOnTheLastDayOfFebruary) {
    const std::string ini =
        "[Setup]\r\nStart=31\r\n[Date]\r\nSumTime=9:0:0\r\nPeriod=2024-01-31\r\n";
    EXPECT_EQ(Load(ini, {2024, 2, 28, 9, 0, 0}).state.monthTotal, "9:0:0");
    EXPECT_EQ(Load(ini, {2024, 2, 29, 9, 0, 0}).state.monthTotal, "00:00:00");
}

// The month ends only when a billing period under the current billing day began
// after the last saving run started.
bool Resets(const std::string& dateSection, int billingDay, LocalDateTime now) {
    const std::string ini = "[Setup]\r\nStart=" + std::to_string(billingDay) +
                            "\r\n[Date]\r\nSumTime=50:0:0\r\n" + dateSection;
    Loaded r = Load(ini, now);
    EXPECT_EQ(r.state.totalReset, r.state.monthTotal == "00:00:00") << dateSection;
    return r.state.totalReset;
}

TEST(MonthRollOver, ChangingTheBillingDayWithinThePeriodKeepsTheMonth) {
    const std::string saved = "Period=2024-03-21\r\nLastRun=2024-03-22 08:00:00\r\n";
    EXPECT_FALSE(Resets(saved, 25, {2024, 3, 23, 9, 0, 0}));  // moved up
    EXPECT_FALSE(Resets(saved, 15, {2024, 3, 23, 9, 0, 0}));  // moved down
    EXPECT_FALSE(Resets("Period=2026-11-21\r\nLastRun=2026-12-06 20:00:00\r\n", 25,
                        {2026, 12, 7, 9, 0, 0}));
    // The next boundary under the new day has passed since.
    EXPECT_TRUE(Resets(saved, 25, {2024, 3, 25, 9, 0, 0}));
}

TEST(MonthRollOver, APassedBoundaryResets) {
    EXPECT_TRUE(Resets("Period=2024-02-21\r\nLastRun=2024-03-10 08:00:00\r\n", 21,
                       {2024, 3, 22, 9, 0, 0}));
    // A run that started before the billing day and was saved after it.
    EXPECT_TRUE(Resets("Period=2024-02-21\r\nLastRun=2024-03-20 23:00:00\r\n", 21,
                       {2024, 3, 21, 9, 0, 0}));
    // A second start on the billing day keeps what the first one counted.
    EXPECT_FALSE(Resets("Period=2024-03-21\r\nLastRun=2024-03-21 08:00:00\r\n", 21,
                        {2024, 3, 21, 9, 0, 0}));
}

TEST(MonthRollOver, ClockSetBackResetsNothing) {
    EXPECT_FALSE(Resets("Period=2024-03-21\r\nLastRun=2024-03-25 08:00:00\r\n", 21,
                        {2024, 3, 10, 9, 0, 0}));
}

TEST(MonthRollOver, FileWithPeriodOnlyComparesWithThePeriodsFirstDay) {
    EXPECT_FALSE(Resets("Period=2024-03-21\r\n", 25, {2024, 3, 23, 9, 0, 0}));
    EXPECT_TRUE(Resets("Period=2024-03-21\r\n", 25, {2024, 3, 26, 9, 0, 0}));
    // An unreadable LastRun falls back to the period.
    EXPECT_TRUE(Resets("Period=2024-02-21\r\nLastRun=soon\r\n", 21, {2024, 3, 22, 9, 0, 0}));
}

TEST(MonthRollOver, KeepTotalNeverResets) {
    Loaded newPeriod = Load(
        "[Setup]\r\nSetupBool=1\r\n[Date]\r\nSumTime=50:0:0\r\nPeriod=2023-12-21\r\n",
        {2024, 3, 10, 9, 0, 0});
    EXPECT_EQ(newPeriod.state.monthTotal, "50:0:0");
    EXPECT_FALSE(newPeriod.state.totalReset);
    Loaded billingDay = Load("[Setup]\r\nSetupBool=1\r\n[Date]\r\nSumTime=50:0:0\r\n",
                             {2024, 3, 21, 9, 0, 0});
    EXPECT_EQ(billingDay.state.monthTotal, "50:0:0");
    EXPECT_NE(billingDay.bytes.find("SetupBool=1"), std::string::npos);
}

}  // namespace
}  // namespace kelo
