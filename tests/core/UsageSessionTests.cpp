#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TestSupport.h"
#include "core/Errors.h"
#include "core/IniDocument.h"
#include "core/MonthTotal.h"
#include "core/UsageSession.h"

namespace kelo {
namespace {

using Fields = std::vector<std::string>;

const std::string kIni = "C:\\Kelo\\Kelo.ini";
const std::string kTrv = "C:\\Kelo\\Kelo.trv";
const std::string kReserve = "C:\\Kelo\\Kelo.reserve";
const std::string kOldLine =
    "2024-03-01 10:00:00\x07" "2024-03-01 11:00:00\x07" "01:00:00\x07" "pc\x07" "Kelo\x07" "10.0.0.2";

Fields SplitAll(const std::string& line, char sep) {
    Fields out(1);
    for (char c : line) {
        if (c == sep) out.emplace_back();
        else out.back() += c;
    }
    return out;
}

class UsageSessionTest : public ::testing::Test {
protected:
    test::FakeFileStore files;
    test::IconvTextCodec codec;
    test::FakeClock clock{{2024, 3, 10, 12, 0, 0}};

    std::unique_ptr<UsageSession> Start() {
        return std::make_unique<UsageSession>(
            SessionEnvironment{files, codec, clock, "C:\\Kelo\\", "网吧-01", "192.168.0.7"});
    }
    std::string Host() const { return codec.FromUtf8("网吧-01"); }

    // Online for whole seconds as the timers drive it: a check every two seconds, a tick
    // every second.
    void Online(UsageSession& s, int seconds) {
        for (int i = 0; i < seconds; ++i) {
            if (i % 2 == 0) s.OnCheck(true);
            clock.Advance(1000);
            if (s.Counting()) s.OnTick();
        }
    }
    void Offline(UsageSession& s, int seconds) {
        s.OnCheck(false);
        clock.AdvanceSeconds(seconds);
    }

    std::optional<std::string> IniValue(const char* section, const char* key) {
        return IniDocument(codec, files.files.at(kIni)).Read(section, key);
    }
    // The history file's lines, each split at every BEL.
    std::vector<Fields> HistoryLines() {
        const std::string& bytes = files.files.at(kTrv);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
        std::vector<Fields> lines;
        for (const std::string& line : SplitAll(bytes, '\n')) {
            if (line.empty()) continue;
            EXPECT_EQ(line.back(), '\r');
            lines.push_back(SplitAll(line.substr(0, line.size() - 1), '\x07'));
        }
        return lines;
    }
    Fields RunLine(const char* end, const char* online) {
        return {"2024-03-10 12:00:00", end, online, Host(), "Kelo", "192.168.0.7"};
    }
};

TEST_F(UsageSessionTest, FirstStartInEmptyDirectory) {
    auto s = Start();
    EXPECT_EQ(files.files.size(), 2u);
    EXPECT_EQ(files.files[kIni], "[Setup]\r\nSetupBool=0\r\n");
    EXPECT_EQ(files.files[kReserve], std::string(kReserveBytes, '\0'));
    EXPECT_EQ(s->MonthTotalText(), "00:00:00");
    EXPECT_EQ(s->Settings().dayLimit, 5);
    EXPECT_EQ(s->Settings().monthLimit, 120);
    EXPECT_EQ(s->Settings().billingDay, 21);
    EXPECT_TRUE(s->StartupMessages().empty());
    EXPECT_EQ(s->RunStart(), (LocalDateTime{2024, 3, 10, 12, 0, 0}));
    ASSERT_EQ(s->History().Size(), 1u);
    EXPECT_EQ(s->History().At(0).fields, RunLine("", ""));
}

TEST_F(UsageSessionTest, RunWithoutOnlineTimeWritesNothingAtExit) {
    files.files[kIni] = "[Date]\r\nSumTime=3:0:0\r\n";
    files.files[kTrv] = kOldLine + "\r\n";
    auto s = Start();
    const auto before = files.files;
    const int writes = files.writes;
    Offline(*s, 3600);
    s->OnCheck(true);
    clock.Advance(600);  // less than a second online
    s->OnCheck(false);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());
    s->SaveAtExit();
    EXPECT_EQ(files.writes, writes);
    EXPECT_EQ(files.files, before);
}

TEST_F(UsageSessionTest, ExitSaveCompletesTheRecordAndStoresTheTotal) {
    files.files[kIni] =
        "[Setup]\r\nStart=21\r\n[Date]\r\nSumTime=10:0:0\r\n[DropForm]\r\nFontName=\xCB\xCE\xCC\xE5\r\n";
    files.files[kTrv] = kOldLine + "\r\n";
    auto s = Start();
    Online(*s, 3723);
    Offline(*s, 600);
    s->SaveAtExit();

    std::vector<Fields> lines = HistoryLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], SplitAll(kOldLine, '\x07'));
    EXPECT_EQ(lines[1], RunLine("2024-03-10 13:12:03", "01:02:03"));
    EXPECT_EQ(IniValue("Date", "SumTime"), "11:2:3");
    EXPECT_EQ(IniValue("Date", "Start"), "2024-03-10 12:00:00");
    EXPECT_EQ(IniValue("Date", "Period"), "2024-02-21");
    EXPECT_EQ(IniValue("Date", "LastRun"), "2024-03-10 12:00:00");
    EXPECT_NE(files.files[kIni].find("FontName=\xCB\xCE\xCC\xE5\r\n"), std::string::npos);
}

TEST_F(UsageSessionTest, LongRunShowsTotalHours) {
    auto s = Start();
    s->OnCheck(true);
    clock.AdvanceSeconds(25 * 3600);
    s->OnTick();  // one tick after a day-long block: every second still counts
    s->SaveAtExit();
    EXPECT_EQ(HistoryLines().back()[2], "25:00:00");
    EXPECT_EQ(IniValue("Date", "SumTime"), "25:0:0");
}

TEST_F(UsageSessionTest, ExitCountsTheSecondsSinceTheLastTick) {
    auto s = Start();
    s->OnCheck(true);
    clock.Advance(90'500);
    s->SaveAtExit();
    EXPECT_EQ(s->RunSeconds(), 90);
    EXPECT_EQ(HistoryLines().back()[2], "00:01:30");
}

TEST_F(UsageSessionTest, CheckpointAndExitSaveTheSameRecordOnce) {
    files.files[kIni] = "[Date]\r\nSumTime=10:0:0\r\n";
    files.files[kTrv] = kOldLine + "\r\n";
    auto s = Start();
    const auto atStart = files.files;
    Online(*s, 10);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());
    EXPECT_EQ(files.files, atStart);  // not due after ten seconds

    Online(*s, 51);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());
    ASSERT_EQ(HistoryLines().size(), 2u);
    EXPECT_EQ(HistoryLines()[1], RunLine("2024-03-10 12:01:01", "00:01:01"));
    EXPECT_EQ(IniValue("Date", "SumTime"), "10:1:1");

    const int writes = files.writes;
    Online(*s, 2);  // the interval starts again at each checkpoint
    s->CheckpointIfDue();
    EXPECT_EQ(files.writes, writes);

    Online(*s, 27);
    s->SaveAtExit();
    ASSERT_EQ(HistoryLines().size(), 2u);
    EXPECT_EQ(HistoryLines()[1], RunLine("2024-03-10 12:01:30", "00:01:30"));
    EXPECT_EQ(IniValue("Date", "SumTime"), "10:1:30");
}

// However the timers' ticks fall (never more than 2 s apart), a kill at any moment loses
// at most 15 s of the run.
TEST_F(UsageSessionTest, AKillLosesAtMostFifteenSeconds) {
    auto s = Start();
    s->OnCheck(true);
    int64_t online = 0, saved = 0, worst = 0;
    for (int i = 0; i < 300; ++i) {
        const int64_t gap = 1000 + (i * 373) % 1001;
        clock.Advance(gap);
        online += gap;
        worst = std::max(worst, online - saved * 1000);  // killed just before this tick's save
        s->OnTick();
        s->CheckpointIfDue();
        if (const auto total = IniValue("Date", "SumTime")) saved = MonthTotal::Parse(*total)->TotalSeconds();
    }
    EXPECT_GT(saved, 0);
    EXPECT_LE(worst, 15'000);
}

TEST_F(UsageSessionTest, CheckpointNeedsNewOnlineTime) {
    auto s = Start();
    Online(*s, 61);
    s->CheckpointIfDue();
    const int writes = files.writes;
    Offline(*s, 300);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());
    EXPECT_EQ(files.writes, writes);
}

TEST_F(UsageSessionTest, RunCutShortAfterACheckpointIsFoundAtTheNextStart) {
    files.files[kIni] = "[Date]\r\nSumTime=10:0:0\r\n";
    auto s = Start();
    Online(*s, 61);
    s->CheckpointIfDue();
    Online(*s, 20);
    s.reset();  // the machine lost power: no exit save

    clock.AdvanceSeconds(3600);
    auto next = Start();
    EXPECT_EQ(next->MonthTotalText(), "10:1:1");
    ASSERT_EQ(next->History().Size(), 2u);
    EXPECT_EQ(next->History().At(0).fields, RunLine("2024-03-10 12:01:01", "00:01:01"));
}

TEST_F(UsageSessionTest, FailedCheckpointIsToldOnceKeptAndRetried) {
    files.files[kIni] = "[Date]\r\nSumTime=10:0:0\r\n";
    files.files[kTrv] = kOldLine + "\r\n";
    auto s = Start();
    const auto atStart = files.files;

    files.failAllWrites = true;
    Online(*s, 61);
    std::optional<std::string> first = s->CheckpointIfDue();
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(first->empty());
    EXPECT_TRUE(s->LastSaveFailed());
    Online(*s, 61);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());
    EXPECT_EQ(files.files, atStart);

    files.failAllWrites = false;
    Online(*s, 61);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());
    EXPECT_FALSE(s->LastSaveFailed());
    ASSERT_EQ(HistoryLines().size(), 2u);
    EXPECT_EQ(HistoryLines()[1][2], "00:03:03");
    EXPECT_EQ(IniValue("Date", "SumTime"), "10:3:3");

    files.failAllWrites = true;
    Online(*s, 61);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());  // told once a run
}

// The total went through, the history did not: the run's line is still owed, and goes in
// at the next checkpoint though nothing new was counted.
TEST_F(UsageSessionTest, HistoryLineThatFailedAloneIsWrittenWhileOffline) {
    files.files[kTrv] = kOldLine + "\r\n";
    auto s = Start();
    files.failingPaths = {kTrv};
    Online(*s, 61);
    EXPECT_TRUE(s->CheckpointIfDue().has_value());
    EXPECT_EQ(IniValue("Date", "SumTime"), "0:1:1");

    files.failingPaths.clear();
    Offline(*s, 20);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());
    ASSERT_EQ(HistoryLines().size(), 2u);
    EXPECT_EQ(HistoryLines()[1][2], "00:01:01");
}

TEST_F(UsageSessionTest, FailedExitSaveThrowsAndCanBeDoneAgain) {
    files.files[kIni] = "[Date]\r\nSumTime=10:0:0\r\n";
    files.files[kTrv] = kOldLine + "\r\n";
    auto s = Start();
    const auto atStart = files.files;
    Online(*s, 100);
    files.failingPaths = {kIni};  // the history may go through, the settings not
    EXPECT_THROW(s->SaveAtExit(), KeloError);
    EXPECT_EQ(files.files[kIni], atStart.at(kIni));
    EXPECT_TRUE(s->LastSaveFailed());

    files.failingPaths.clear();
    s->SaveAtExit();
    ASSERT_EQ(HistoryLines().size(), 2u);
    EXPECT_EQ(HistoryLines()[1][2], "00:01:40");
    EXPECT_EQ(IniValue("Date", "SumTime"), "10:1:40");
}

// When nothing gets the last save through, the box says what would be lost, and so does
// the next start.
TEST_F(UsageSessionTest, WhatTheExitSaveLosesIsToldAtTheNextStart) {
    auto s = Start();
    Online(*s, 5);
    files.failingPaths = {kIni, kTrv};
    try {
        s->SaveAtExit();
        ADD_FAILURE() << "the save did not fail";
    } catch (const KeloError& e) {
        EXPECT_NE(std::string(e.what()).find("本次 00:00:05 的上网时间尚未保存"), std::string::npos) << e.what();
    }
    s.reset();
    files.failingPaths.clear();
    s = Start();
    ASSERT_EQ(s->StartupMessages().size(), 1u);
    EXPECT_NE(s->StartupMessages()[0].find("00:00:05 的上网时间尚未保存"), std::string::npos);
    EXPECT_EQ(files.files[kReserve], std::string(kReserveBytes, '\0'));
    EXPECT_TRUE(Start()->StartupMessages().empty());
}

TEST_F(UsageSessionTest, CountingResumesAfterAFailedExitSave) {
    auto s = Start();
    Online(*s, 100);
    files.failAllWrites = true;
    EXPECT_THROW(s->SaveAtExit(), KeloError);
    files.failAllWrites = false;
    s->Resume();
    Online(*s, 20);
    s->SaveAtExit();
    ASSERT_EQ(HistoryLines().size(), 1u);
    EXPECT_EQ(HistoryLines()[0][2], "00:02:00");
    EXPECT_EQ(IniValue("Date", "SumTime"), "0:2:0");
}

TEST_F(UsageSessionTest, BadStoredValuesNeverDropTheHistory) {
    const std::string shortLine = "2024-03-02 09:00:00\x07" "2024-03-02 09:30:00\x07" "00:30:00\x07" "pc";
    files.files[kIni] = "[Setup]\r\nStart=abc\r\nMonthDate=1O0\r\n[Date]\r\nSumTime=lots\r\n";
    files.files[kTrv] = kOldLine + "\r\n" + shortLine + "\r\n";
    auto s = Start();
    const auto& m = s->StartupMessages();
    ASSERT_EQ(m.size(), 1u);
    for (const char* part : {"C:\\Kelo\\Kelo.ini", "Start=abc", "MonthDate=1O0", "SumTime=lots"})
        EXPECT_NE(m[0].find(part), std::string::npos) << part;
    EXPECT_EQ(s->MonthTotalText(), "00:00:00");
    EXPECT_EQ(s->History().Size(), 3u);

    Online(*s, 60);
    s->SaveAtExit();
    const std::string& trv = files.files[kTrv];
    EXPECT_EQ(trv.find(kOldLine + "\r\n" + shortLine + "\r\n"), 0u);  // as it was read
    EXPECT_EQ(HistoryLines().size(), 3u);
    EXPECT_EQ(IniValue("Date", "SumTime"), "0:1:0");
}

TEST_F(UsageSessionTest, NewPeriodResetsTheTotalAndTheCountStart) {
    files.files[kIni] =
        "[Date]\r\nSumTime=50:0:0\r\nStart=2024-01-21 08:00:00\r\nPeriod=2024-01-21\r\n";
    auto s = Start();
    EXPECT_EQ(s->MonthTotalText(), "00:00:00");
    EXPECT_EQ(s->CountStart(), s->RunStart());
    Online(*s, 3600);
    s->SaveAtExit();
    EXPECT_EQ(IniValue("Date", "SumTime"), "1:0:0");
    EXPECT_EQ(IniValue("Date", "Start"), "2024-03-10 12:00:00");
    EXPECT_EQ(IniValue("Date", "Period"), "2024-02-21");
}

TEST_F(UsageSessionTest, SamePeriodKeepsTheTotalAndTheCountStart) {
    files.files[kIni] =
        "[Date]\r\nSumTime=50:0:0\r\nStart=2024-02-21 09:00:00\r\nPeriod=2024-02-21\r\n";
    auto s = Start();
    EXPECT_EQ(s->MonthTotalText(), "50:0:0");
    Online(*s, 3600);
    s->SaveAtExit();
    EXPECT_EQ(IniValue("Date", "SumTime"), "51:0:0");
    EXPECT_EQ(IniValue("Date", "Start"), "2024-02-21 09:00:00");
}

TEST_F(UsageSessionTest, SecondStartOnTheBillingDayKeepsTheFirstRunsTime) {
    clock.SetLocal({2024, 3, 21, 10, 0, 0});
    files.files[kIni] = "[Date]\r\nSumTime=40:0:0\r\nStart=2024-02-21 09:00:00\r\n";
    auto first = Start();
    EXPECT_EQ(first->MonthTotalText(), "00:00:00");  // old file: reset on the billing day
    Online(*first, 1800);
    first->SaveAtExit();
    EXPECT_EQ(IniValue("Date", "Period"), "2024-03-21");
    EXPECT_EQ(IniValue("Date", "Start"), "2024-03-21 10:00:00");

    clock.SetLocal({2024, 3, 21, 15, 0, 0});
    auto second = Start();
    EXPECT_EQ(second->MonthTotalText(), "0:30:0");
    Online(*second, 600);
    second->SaveAtExit();
    EXPECT_EQ(IniValue("Date", "SumTime"), "0:40:0");
    EXPECT_EQ(IniValue("Date", "Start"), "2024-03-21 10:00:00");
    EXPECT_EQ(HistoryLines().size(), 2u);
}

TEST_F(UsageSessionTest, KeepTotalCarriesTheTotalIntoANewPeriod) {
    files.files[kIni] = "[Setup]\r\nSetupBool=1\r\n[Date]\r\nSumTime=50:0:0\r\nPeriod=2023-11-21\r\n";
    auto s = Start();
    EXPECT_EQ(s->MonthTotalText(), "50:0:0");
    Online(*s, 600);
    s->SaveAtExit();
    EXPECT_EQ(IniValue("Date", "SumTime"), "50:10:0");
    EXPECT_EQ(IniValue("Setup", "SetupBool"), "1");
}

// A run over the billing day: its line is cut at the old period's last second, the month
// starts again there (also its alarm), and a later start keeps the new period's time.
TEST_F(UsageSessionTest, ARunOverTheBillingDayIsCutThere) {
    clock.SetLocal({2024, 3, 20, 23, 59, 0});
    files.files[kIni] = "[Setup]\r\nMonthDate=0\r\nDate=24\r\n[Date]\r\nSumTime=40:0:0\r\nPeriod=2024-02-21\r\n";
    auto s = Start();
    s->OnCheck(true);
    int monthAlarms = 0;
    for (int i = 1; i <= 120; ++i) {
        clock.Advance(1000);
        for (Alarm a : i % 2 == 0 ? s->OnCheck(true) : s->OnTick()) monthAlarms += a == Alarm::Month;
        EXPECT_EQ(monthAlarms, i <= 60 ? 1 : 2) << i;
        s->CheckpointIfDue();
        // Saved at once; the new period has no line before it has online time.
        if (i == 60) EXPECT_EQ(HistoryLines(), (std::vector<Fields>{
            {"2024-03-20 23:59:00", "2024-03-20 23:59:59", "00:01:00", Host(), "Kelo", "192.168.0.7"}}));
    }
    EXPECT_EQ(s->MonthTotalText(), "00:00:00");
    EXPECT_EQ(s->PaceAt(clock.LocalNow()).elapsedSeconds, 60);
    s->SaveAtExit();
    EXPECT_EQ(HistoryLines(), (std::vector<Fields>{
        {"2024-03-20 23:59:00", "2024-03-20 23:59:59", "00:01:00", Host(), "Kelo", "192.168.0.7"},
        {"2024-03-21 00:00:00", "2024-03-21 00:01:00", "00:01:00", Host(), "Kelo", "192.168.0.7"}}));
    EXPECT_EQ(IniValue("Date", "SumTime"), "0:1:0");
    clock.SetLocal({2024, 3, 22, 10, 0, 0});
    EXPECT_EQ(Start()->MonthTotalText(), "0:1:0");
}

// The pace balloon comes once a billing period, also over runs, and again in a period
// that began during the run.
TEST_F(UsageSessionTest, ThePaceBalloonComesOnceAPeriod) {
    clock.SetLocal({2024, 3, 1, 12, 0, 0});
    files.files[kIni] = "[Setup]\r\nMonthDate=60\r\n[Date]\r\nSumTime=30:0:0\r\nStart=2024-01-01 08:00:00\r\n";
    auto s = Start();
    EXPECT_TRUE(s->TakePaceWarning(clock.LocalNow()));
    EXPECT_FALSE(s->TakePaceWarning(clock.LocalNow()));
    EXPECT_FALSE(Start()->TakePaceWarning(clock.LocalNow()));
    clock.SetLocal({2024, 3, 23, 12, 0, 0});
    Online(*s, 6 * 3600);
    EXPECT_TRUE(s->TakePaceWarning(clock.LocalNow()));
}

// Asleep over the billing day: the monotonic clock stood still, and what is counted after
// the wake belongs to the new period; a clock set back over it cuts nothing.
TEST_F(UsageSessionTest, ACrossingFoundAfterAWakeFromSleep) {
    clock.SetLocal({2024, 3, 20, 23, 0, 0});
    auto s = Start();
    Online(*s, 600);
    clock.SetLocal({2024, 3, 21, 8, 0, 0});
    clock.Advance(3000);  // counted after the wake, before the first tick
    s->OnTick();
    Online(*s, 7);
    clock.SetLocal({2024, 3, 20, 22, 0, 0});
    Online(*s, 5);
    s->SaveAtExit();
    const auto lines = HistoryLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][2], "00:10:00");
    EXPECT_EQ(lines[1][0], "2024-03-21 00:00:00");
    EXPECT_EQ(lines[1][2], "00:00:15");
}

// The billing day changed since the total was stored: the new period's time comes from
// the history, a run over its first day cut there; without a history the total stays.
// SetupBool keeps its total, and reckons the cost and the pace from the same time.
TEST_F(UsageSessionTest, AChangedBillingDayTakesThePeriodsTimeFromTheHistory) {
    clock.SetLocal({2024, 3, 27, 12, 0, 0});
    files.files[kIni] = "[Setup]\r\nStart=25\r\n[Date]\r\nSumTime=60:0:0\r\nPeriod=2024-02-21\r\n"
                        "LastRun=2024-03-26 08:00:00\r\n";
    EXPECT_EQ(Start()->MonthTotalText(), "60:0:0");
    files.files[kTrv] =
        "2024-03-01 10:00:00\x07" "2024-03-01 20:00:00\x07" "10:00:00\x07pc\x07Kelo\x07\r\n"
        "2024-03-24 23:00:00\x07" "2024-03-25 01:00:00\x07" "02:00:00\x07pc\x07Kelo\x07\r\n"
        "2024-03-26 08:00:00\x07" "2024-03-26 18:00:00\x07" "10:00:00\x07pc\x07Kelo\x07\r\n";
    auto s = Start();
    EXPECT_EQ(s->MonthTotalText(), "11:0:0");
    Online(*s, 60);
    s->SaveAtExit();
    EXPECT_EQ(IniValue("Date", "SumTime"), "11:1:0");
    EXPECT_EQ(IniValue("Date", "Period"), "2024-03-25");
    files.files[kIni] = "[Setup]\r\nStart=25\r\nSetupBool=1\r\n[Date]\r\nSumTime=500:0:0\r\n";
    auto kept = Start();
    EXPECT_EQ(kept->MonthSeconds(), 500 * 3600);
    EXPECT_EQ(kept->PeriodSeconds(), 11 * 3600 + 60);
}

// Installed in mid-period: the pace counts from the first start, not from days never
// counted; once the history holds an earlier period, from the period's first day.
TEST_F(UsageSessionTest, TheFirstPeriodsPaceCountsFromTheFirstStart) {
    auto first = Start();
    Online(*first, 3600);
    first->SaveAtExit();
    clock.SetLocal({2024, 3, 12, 12, 0, 0});
    EXPECT_EQ(Start()->PaceAt(clock.LocalNow()).elapsedSeconds, 2 * 86400 + 12 * 3600);
    files.files[kTrv] = "2024-02-01 10:00:00\x07" "2024-02-01 11:00:00\x07" "01:00:00\r\n" + files.files[kTrv];
    EXPECT_EQ(Start()->PaceAt(clock.LocalNow()).elapsedSeconds, 20 * 86400 + 12 * 3600);
}

TEST_F(UsageSessionTest, StoredLimitsReachTheMeter) {
    files.files[kIni] = "[Setup]\r\nDate=0\r\nMonthDate=300\r\n[Date]\r\nSumTime=300:0:0\r\n";
    auto s = Start();
    std::vector<Alarm> got = s->OnCheck(true);
    clock.Advance(1000);
    for (Alarm a : s->OnTick()) got.push_back(a);
    EXPECT_EQ(std::count(got.begin(), got.end(), Alarm::Day), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), Alarm::Month), 1);
    Online(*s, 10);
    EXPECT_EQ(s->RunSeconds(), 11);
}

// A checkpoint writes the run's line, not the history: the cost does not grow with the
// file, the earlier lines are never written again, and a run cut short at any point
// leaves the history with its line as of the last checkpoint.
TEST_F(UsageSessionTest, CheckpointsWriteOnlyTheRunsLine) {
    std::string old;
    for (int i = 0; i < 20000; ++i) old += kOldLine + "\r\n";
    files.files[kIni] = "[Date]\r\nSumTime=10:0:0\r\n";
    files.files[kTrv] = old;
    auto s = Start();
    for (int round = 1; round <= 3; ++round) {
        const size_t before = files.bytesWritten;
        Online(*s, 16);
        EXPECT_FALSE(s->CheckpointIfDue().has_value());
        EXPECT_LT(files.bytesWritten - before, 1024u) << "checkpoint " << round;
        const std::string& trv = files.files[kTrv];
        ASSERT_EQ(trv.compare(0, old.size(), old), 0) << "checkpoint " << round;
        EXPECT_EQ(HistoryLines().size(), 20001u);
    }
    EXPECT_EQ(HistoryLines().back(), RunLine("2024-03-10 12:00:48", "00:00:48"));

    Online(*s, 10);
    s.reset();  // killed between checkpoints
    auto next = Start();
    ASSERT_EQ(next->History().Size(), 20002u);
    EXPECT_EQ(next->History().At(20000).fields, RunLine("2024-03-10 12:00:48", "00:00:48"));
    EXPECT_EQ(next->MonthTotalText(), "10:0:48");
}

TEST_F(UsageSessionTest, RunsLineStartsALineOfItsOwn) {
    files.files[kTrv] = kOldLine;  // edited by hand: no line break at the end
    auto s = Start();
    Online(*s, 16);
    s->CheckpointIfDue();
    EXPECT_EQ(files.files[kTrv].find(kOldLine + "\r\n2024-03-10 12:00:00\x07"), 0u);
    ASSERT_EQ(HistoryLines().size(), 2u);

    // Another tool's bare line feeds: after a checkpoint and a kill its lines are still lines.
    files.files[kTrv] = kOldLine + "\n" + kOldLine + "\n";
    s.reset();
    s = Start();
    Online(*s, 16);
    s->CheckpointIfDue();
    s.reset();
    EXPECT_EQ(Start()->History().StoredCount(), 3u);
}

// Someone else changed the file since the run last wrote it: the run does not write its
// line into bytes it does not know, it writes the whole history, keeping what the other
// program wrote, with the run's line once, at the end; the list shows the file as it is.
TEST_F(UsageSessionTest, HistoryChangedByAnotherProgramIsRewrittenWhole) {
    files.files[kTrv] = kOldLine + "\r\n";
    auto s = Start();
    Online(*s, 16);
    s->CheckpointIfDue();
    files.files[kTrv] += "added";
    Online(*s, 16);
    s->CheckpointIfDue();
    ASSERT_EQ(HistoryLines().size(), 3u);
    EXPECT_EQ(HistoryLines()[1], (std::vector<std::string>{"added"}));
    EXPECT_EQ(HistoryLines()[2], RunLine("2024-03-10 12:00:32", "00:00:32"));
    ASSERT_EQ(s->History().Size(), 3u);
    EXPECT_EQ(s->History().At(1).fields, (std::vector<std::string>{"added"}));
    s->SaveAtExit();
    EXPECT_EQ(HistoryLines().size(), 3u);
}

// A history that another program holds at start is never saved over, read again at
// every later save, and once it reads, the run's record goes in after its lines.
TEST_F(UsageSessionTest, HistoryLockedAtStartGetsTheRunsRecordOnceItReads) {
    files.files[kIni] = "[Date]\r\nSumTime=10:0:0\r\n";
    files.files[kTrv] = kOldLine + "\r\n";
    files.unreadablePaths.insert(kTrv);
    auto s = Start();
    ASSERT_EQ(s->StartupMessages().size(), 1u);
    EXPECT_NE(s->StartupMessages()[0].find("Kelo.trv"), std::string::npos);
    EXPECT_EQ(s->History().Size(), 1u);

    Online(*s, 16);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());  // the total is saved, the history waits
    EXPECT_EQ(files.files[kTrv], kOldLine + "\r\n");
    EXPECT_EQ(IniValue("Date", "SumTime"), "10:0:16");

    files.unreadablePaths.clear();
    Online(*s, 16);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());
    ASSERT_EQ(HistoryLines().size(), 2u);
    EXPECT_EQ(HistoryLines()[0], SplitAll(kOldLine, '\x07'));
    EXPECT_EQ(HistoryLines()[1], RunLine("2024-03-10 12:00:32", "00:00:32"));
    EXPECT_EQ(s->History().Size(), 2u);
    s->SaveAtExit();
    EXPECT_EQ(HistoryLines().size(), 2u);
}

// A settings file that another program holds at start: the run counts with the defaults,
// never writes over it, and once it reads, the stored total plus the run is saved.
TEST_F(UsageSessionTest, SettingsHeldAtStartAreTakenOnceTheyRead) {
    files.files[kIni] = "[Setup]\r\nDate=1\r\n[Date]\r\nSumTime=10:0:0\r\nPeriod=2024-02-21\r\n";
    files.unreadablePaths.insert(kIni);
    auto s = Start();
    ASSERT_EQ(s->StartupMessages().size(), 1u);
    EXPECT_NE(s->StartupMessages()[0].find("Kelo.ini"), std::string::npos);
    EXPECT_EQ(s->MonthTotalText(), "00:00:00");
    EXPECT_EQ(files.writes, 1);  // the reserve only

    Online(*s, 16);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());  // told at start already
    EXPECT_EQ(files.files[kIni], "[Setup]\r\nDate=1\r\n[Date]\r\nSumTime=10:0:0\r\nPeriod=2024-02-21\r\n");
    EXPECT_EQ(HistoryLines().size(), 1u);  // the history goes on on its own

    files.unreadablePaths.clear();
    Online(*s, 16);
    EXPECT_FALSE(s->CheckpointIfDue().has_value());
    EXPECT_EQ(IniValue("Date", "SumTime"), "10:0:32");
    EXPECT_EQ(s->Settings().dayLimit, 1);
}

}  // namespace
}  // namespace kelo
