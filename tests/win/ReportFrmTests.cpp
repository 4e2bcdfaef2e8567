// The usage report over a generated history of several months: the day table of a
// billing period (a run over midnight counted on both days, the current run as it stands
// now), paging between periods, copying and exporting the table, and no GDI objects left
// behind by many openings.
#include <gtest/gtest.h>

#include "ScreenCapture.h"
#include "TestSupport.h"
#include "core/ConnectionRecord.h"
#include "core/UsageHistory.h"
#include "framework/Application.h"
#include "framework/WinText.h"
#include "windows/ReportConnections.h"
#include "windows/ReportFrm.h"

using namespace kelo;

namespace {

// One hour a day at ten from 2025-11-01 to 2026-03-09, one more run from 23:00 on
// 2026-03-01 to 01:00 the next day, and the current run from nine on 2026-03-10, whose
// stored record has no end yet.
struct ReportFrm : ::testing::Test {
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        Fill({2025, 11, 1}, [](int64_t) { return 60; });
    }
    // A run a day at ten from `first` to 2026-03-09 of `minutes(day)` minutes (under ten
    // hours), then the runs over midnight and the current run.
    void Fill(const CivilDate& first, int (*minutes)(int64_t day)) {
        std::string file;
        auto add = [&](const std::string& start, const std::string& end, const std::string& online) {
            UsageRecord record{{start, end, online, codec.FromUtf8("书房"), kRecordType, "192.0.2.7"}};
            file += JoinHistoryLine(record) + "\r\n";
        };
        for (int64_t d = DaysFromCivil(first); d <= DaysFromCivil({2026, 3, 9}); ++d) {
            const std::string date = FormatDate(CivilFromDays(d));
            const int m = minutes(d);
            char online[16], end[16];
            std::snprintf(online, sizeof online, "%02d:%02d:00", m / 60, m % 60);
            std::snprintf(end, sizeof end, " %02d:%02d:00", 10 + m / 60, m % 60);
            add(date + " 10:00:00", date + end, online);
        }
        add("2026-03-01 23:00:00", "2026-03-02 01:00:00", "02:00:00");
        history = UsageHistory();
        history.Load(file);
        history.Append({{"2026-03-10 09:00:00", "", "", codec.FromUtf8("书房"), kRecordType, ""}});
    }
    app::ReportContext Context() {
        MeterSettings settings;
        settings.billingDay = 21;
        settings.dayLimit = 2;
        settings.tariff = tariff;
        return {history, codec, settings, now, {{2026, 3, 10, 9, 0, 0}, now, 3 * 3600}};
    }
    // The context with an itemised record of these lines in `dir`.
    app::ReportContext WithRecord(const test::TempDir& dir, std::initializer_list<ConnectionSpan> spans) {
        std::string record;
        for (const ConnectionSpan& span : spans) record += JoinConnectionLine(span, codec) + "\r\n";
        win::WinFileStore().Replace(dir.Path() + "Kelo.dtl", record);
        app::ReportContext context = Context();
        context.recordPath = dir.Path() + "Kelo.dtl";
        return context;
    }
    template <class T>
    static T* Child(const app::TFrmReport& report, const char* name) {
        T* child = report.Find<T>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // The cell as the list view shows it (asked from the window, not from the form).
    static std::wstring Cell(const app::TFrmReport& report, int row, int column, const char* list = "lvDays") {
        wchar_t buffer[64] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = 64;
        SendMessageW(Child<win::TListView>(report, list)->Handle(), LVM_GETITEMTEXTW, row,
                     reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    std::wstring Row(const app::TFrmReport& report, int row) {
        return Cell(report, row, 0) + L"|" + Cell(report, row, 1) + L"|" + Cell(report, row, 2);
    }

    win::GbkCodec codec;
    UsageHistory history;
    LocalDateTime now{2026, 3, 10, 12, 0, 0};
    Tariff tariff;  // none
};

TEST_F(ReportFrm, DayTableCountsTheCurrentPeriodDayByDay) {
    app::TFrmReport report(nullptr, Context());
    auto* list = Child<win::TListView>(report, "lvDays");
    ASSERT_EQ(list->ItemCount(), 28) << "2026-02-21 to 2026-03-20";
    EXPECT_EQ(Row(report, 0), L"2026-02-21|01:00:00|1");
    EXPECT_EQ(Row(report, 8), L"2026-03-01|02:00:00|2") << "the hour before midnight";
    EXPECT_EQ(Row(report, 9), L"2026-03-02|02:00:00|2") << "the hour after midnight";
    EXPECT_EQ(Row(report, 17), L"2026-03-10|03:00:00|1") << "the current run up to now";
    EXPECT_EQ(Row(report, 18), L"2026-03-11|00:00:00|0");
    EXPECT_EQ(Child<win::TLabel>(report, "lblPeriod")->Caption(), L"2026-02-21 至 2026-03-20");
    EXPECT_FALSE(IsWindowEnabled(Child<win::TButton>(report, "btnNext")->Handle()));
    const auto& periods = report.Periods();
    ASSERT_EQ(periods.size(), 12u);
    EXPECT_EQ(periods.back().seconds, (17 + 2 + 3) * 3600);
}

TEST_F(ReportFrm, PagingShowsTheEarlierPeriodAndBack) {
    app::TFrmReport report(nullptr, Context());
    Child<win::TButton>(report, "btnPrev")->Click();
    EXPECT_EQ(Child<win::TListView>(report, "lvDays")->ItemCount(), 31);
    EXPECT_EQ(Row(report, 0), L"2026-01-21|01:00:00|1");
    EXPECT_EQ(Child<win::TLabel>(report, "lblPeriod")->Caption(), L"2026-01-21 至 2026-02-20");
    EXPECT_TRUE(IsWindowEnabled(Child<win::TButton>(report, "btnNext")->Handle()));
    // The history begins in the period from 2025-10-21: no earlier one to page to.
    for (int i = 0; i < 3; ++i) Child<win::TButton>(report, "btnPrev")->Click();
    EXPECT_EQ(Row(report, 0), L"2025-10-21|00:00:00|0");
    EXPECT_FALSE(IsWindowEnabled(Child<win::TButton>(report, "btnPrev")->Handle()));
    for (int i = 0; i < 4; ++i) Child<win::TButton>(report, "btnNext")->Click();
    EXPECT_EQ(report.PeriodsBack(), 0);
    EXPECT_EQ(Child<win::TLabel>(report, "lblPeriod")->Caption(), L"2026-02-21 至 2026-03-20");
}

// A year later the stored runs lie before the twelve periods the charts show: they are
// read after the window opens, or as soon as an earlier period is asked for.
TEST_F(ReportFrm, RunsBeforeTheChartedPeriodsStillShowWhenPagedTo) {
    now = {2027, 3, 10, 12, 0, 0};
    app::ReportContext context = Context();
    context.currentRun.start.year = 2027;
    app::TFrmReport report(nullptr, context);
    EXPECT_EQ(Row(report, 17), L"2027-03-10|03:00:00|1");
    EXPECT_TRUE(IsWindowEnabled(Child<win::TButton>(report, "btnPrev")->Handle()));
    for (int i = 0; i < 12; ++i) Child<win::TButton>(report, "btnPrev")->Click();
    EXPECT_EQ(Row(report, 8), L"2026-03-01|02:00:00|2");
    EXPECT_EQ(Row(report, 9), L"2026-03-02|02:00:00|2");
    EXPECT_EQ(report.Periods().back().seconds, 3 * 3600);
}

// The current run began an hour before the period start: the day table spreads it over
// both days, and so do the periods' totals, as the meter cuts its line there.
TEST_F(ReportFrm, PeriodTotalCutsARunAtThePeriodStart) {
    now = {2026, 3, 21, 1, 0, 0};
    app::ReportContext context = Context();
    context.currentRun = {{2026, 3, 20, 23, 0, 0}, now, 2 * 3600};
    app::TFrmReport report(nullptr, context);
    EXPECT_EQ(Row(report, 0), L"2026-03-21|01:00:00|1");
    EXPECT_EQ(Child<win::TLabel>(report, "lblTotal")->Caption(), L"本周期合计 01:00:00");
    EXPECT_EQ(report.Periods().back().seconds, 3600);
    Child<win::TButton>(report, "btnPrev")->Click();
    EXPECT_EQ(Row(report, 27), L"2026-03-20|01:00:00|1");
    EXPECT_EQ(Child<win::TLabel>(report, "lblTotal")->Caption(), L"本周期合计 20:00:00");
}

TEST_F(ReportFrm, CopyPutsTheDayTableOnTheClipboard) {
    app::TFrmReport report(nullptr, Context());
    Child<win::TButton>(report, "btnCopy")->Click();
    ASSERT_TRUE(OpenClipboard(nullptr));
    std::wstring copied;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        copied = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    const std::wstring start = L"日期\t上网时间\t次数\r\n2026-02-21\t01:00:00\t1\r\n2026-02-22\t01";
    EXPECT_EQ(copied.substr(0, start.size()), start);
    EXPECT_NE(copied.find(L"\r\n2026-03-20\t00:00:00\t0\r\n"), std::wstring::npos);
}

TEST_F(ReportFrm, ExportWritesCsvWithByteOrderMark) {
    test::TempDir dir;
    history.Last().fields[3] = "=1+2";  // a host name edited into a formula
    app::TFrmReport report(nullptr, Context());
    const std::string runsPath = dir.Path() + "runs.csv", daysPath = dir.Path() + "days.csv";
    report.ExportHistoryCsv(win::Widen(runsPath));
    const std::string runs = test::ReadFileBytes(runsPath);
    const std::string first = "\xEF\xBB\xBF开始,结束,上网秒数,计算机,类型,IP\r\n"
                              "2025-11-01 10:00:00,2025-11-01 11:00:00,3600,书房,Kelo,192.0.2.7\r\n";
    EXPECT_EQ(runs.substr(0, first.size()), first);
    const std::string last = "2026-03-10 09:00:00,2026-03-10 12:00:00,10800,\"'=1+2\",Kelo,\r\n";
    ASSERT_GE(runs.size(), last.size());
    EXPECT_EQ(runs.substr(runs.size() - last.size()), last) << "the current run as it stands now";

    report.ExportDaysCsv(win::Widen(daysPath));
    const std::string days = "\xEF\xBB\xBF日期,上网时间,次数\r\n2026-02-21,01:00:00,1\r\n2026-02-22,01:00:00,1\r\n";
    EXPECT_EQ(test::ReadFileBytes(daysPath).substr(0, days.size()), days);
    // A folder that does not exist: an error naming the file, and nothing written.
    const std::string missing = dir.Path() + "nowhere\\days.csv";
    try {
        report.ExportDaysCsv(win::Widen(missing));
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
}

// Each period costs the fee and what it went beyond the included hours, at the tariff of
// today; the export lists every period of the history.
TEST_F(ReportFrm, TariffAddsThePeriodsCostsAndThePeriodsExport) {
    tariff = {3000, 10, 200, 60};  // 30 yuan with ten hours, 2 yuan an hour beyond
    app::TFrmReport report(nullptr, Context());
    // Without an itemised record of the period its time is rounded once, and said so.
    EXPECT_EQ(Child<win::TLabel>(report, "lblPeriod")->Caption(),
              L"2026-02-21 至 2026-03-20　费用 ¥54.00（按月累计估算）");
    EXPECT_EQ(Child<win::TLabel>(report, "lblNote")->Caption(), L"跨日时间按日分摊；周期合计按开始日计；费用按当前资费计算");
    test::TempDir dir;
    report.ExportPeriodsCsv(win::Widen(dir.Path() + "periods.csv"));
    const std::string csv = test::ReadFileBytes(dir.Path() + "periods.csv");
    EXPECT_EQ(csv.substr(0, csv.find("2025-11-21")),
              "\xEF\xBB\xBF周期起始日,周期截止日,上网秒数,计费秒数,费用（元）\r\n"
              "2025-10-21,2025-11-20,72000,36000,50.00\r\n");
}

// Where the record covers the period, its connections, each rounded up, make the bill.
TEST_F(ReportFrm, TheRecordsConnectionsMakeThePeriodsBill) {
    Fill({2026, 3, 9}, [](int64_t) { return 60; });  // 2 h on the 1st, 1 h on the 9th, the run's 3 h
    tariff = {0, 0, 100, 3600};
    test::TempDir dir;
    app::TFrmReport report(
        nullptr,
        WithRecord(dir, {{{2026, 3, 1, 23, 0, 0}, {2026, 3, 2, 1, 0, 0}, 7200, 7200, "宽带连接", ""},
                         {{2026, 3, 9, 10, 0, 0}, {2026, 3, 9, 11, 0, 10}, 3610, 7200, "宽带连接", ""},
                         {{2026, 3, 10, 9, 0, 0}, {2026, 3, 10, 12, 0, 0}, 10800, 10800, "宽带连接", ""}}));
    EXPECT_EQ(Child<win::TLabel>(report, "lblPeriod")->Caption(), L"2026-02-21 至 2026-03-20　费用 ¥7.00");
}

// Each connection of the period costs what it adds to the bill after the ones before it:
// the first used up the included hour; a period before the record began has no lines.
TEST_F(ReportFrm, ConnectionsOfThePeriodWithWhatEachAddsToTheBill) {
    tariff = {0, 1, 100, 3600};  // one hour included, 1 yuan an hour beyond, hours begun
    test::TempDir dir;
    app::TFrmReport report(
        nullptr,
        WithRecord(dir, {{{2026, 2, 1, 8, 0, 0}, {2026, 2, 1, 8, 30, 0}, 1800, 3600, "宽带连接", "198.51.100.6"},
                         {{2026, 2, 22, 10, 0, 0}, {2026, 2, 22, 10, 0, 10}, 10, 3600, "宽带连接", "198.51.100.7"},
                         {{2026, 3, 1, 20, 0, 0}, {2026, 3, 1, 21, 30, 0}, 5400, 7200, "=1+2", "198.51.100.8"}}));
    auto* details = Child<win::TButton>(report, "btnDetails");
    details->Click();
    EXPECT_TRUE(Child<win::TListView>(report, "lvConnections")->Visible());
    EXPECT_FALSE(Child<win::TListView>(report, "lvDays")->Visible());
    EXPECT_EQ(details->Caption(), L"每日统计");
    EXPECT_EQ(Cell(report, 1, 4, "lvConnections"), L"2.00");
    ShowWindow(report.Handle(), SW_SHOWNA);
    RedrawWindow(report.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    test::PumpFor(100);
    EXPECT_TRUE(test::SaveScreenArea(test::UnionOf({report.Handle()}),
                                     test::ScreenshotDir() + "usage-report-connections.png"));
    const std::string csvPath = dir.Path() + "details.csv";
    report.Connections().ExportCsv(win::Widen(csvPath));
    EXPECT_EQ(test::ReadFileBytes(csvPath),
              "\xEF\xBB\xBF开始,结束,时长,计费时长,费用,连接,IP\r\n"
              "2026-02-22 10:00:00,2026-02-22 10:00:10,00:00:10,01:00:00,0.00,宽带连接,198.51.100.7\r\n"
              "2026-03-01 20:00:00,2026-03-01 21:30:00,01:30:00,02:00:00,2.00,\"'=1+2\",198.51.100.8\r\n");

    Child<win::TButton>(report, "btnPrev")->Click();
    EXPECT_EQ(report.Connections().Rows().size(), 2u) << "the line of 2026-02-01";
    Child<win::TButton>(report, "btnPrev")->Click();
    EXPECT_EQ(report.Connections().Rows().size(), 1u);
    EXPECT_EQ(Child<win::TLabel>(report, "lblConnections")->Caption(), L"本期没有明细记录");
    EXPECT_FALSE(Child<win::TButton>(report, "btnExportConnections")->Enabled());
    details->Click();
    EXPECT_TRUE(Child<win::TListView>(report, "lvDays")->Visible());
    EXPECT_FALSE(Child<win::TListView>(report, "lvConnections")->Visible());
}

TEST_F(ReportFrm, OpeningAndClosingLeavesNoGdiObjects) {
    {
        // Once shown and painted, as a picture to look at: a year of use with its costs.
        Fill({2025, 2, 1}, [](int64_t day) { return 30 + static_cast<int>(day * 37 % 180 + day / 9 % 4 * 25); });
        tariff = {3000, 20, 150, 60};
        app::TFrmReport report(nullptr, Context());
        ShowWindow(report.Handle(), SW_SHOWNA);
        RedrawWindow(report.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        test::PumpFor(100);
        EXPECT_TRUE(test::SaveScreenArea(test::UnionOf({report.Handle()}),
                                         test::ScreenshotDir() + "usage-report.png"));
        {
            const COLORREF window = GetSysColor(COLOR_WINDOW) == RGB(200, 230, 210) ? RGB(210, 200, 230) : RGB(200, 230, 210);
            const test::SystemColourChange change(COLOR_WINDOW, window);
            test::PumpFor(500);
            EXPECT_TRUE(test::PaintedAsFresh(report.Handle())) << "painted unlike a fresh paint after the colours changed";
            EXPECT_EQ(SendMessageW(Child<win::TListView>(report, "lvDays")->Handle(), LVM_GETBKCOLOR, 0, 0),
                      static_cast<LRESULT>(window)) << "the table follows the scheme";
        }
        // At its smallest the note under the table still ends before the buttons, and the
        // heading's total inside the window.
        report.SetClientSize(0, 0);
        RedrawWindow(report.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        test::PumpFor(100);
        const auto* note = Child<win::TLabel>(report, "lblNote");
        EXPECT_LT(note->Left() + note->Width(), Child<win::TButton>(report, "btnExport")->Left());
        const auto* total = Child<win::TLabel>(report, "lblTotal");
        EXPECT_LE(total->Left() + total->Width(), report.ClientWidth());
        EXPECT_TRUE(test::SaveScreenArea(test::UnionOf({report.Handle()}),
                                         test::ScreenshotDir() + "usage-report-small.png"));
    }
    test::PumpFor(50);
    const long wrapped = win::LiveGdiObjects();
    const long system = test::ProcessGdiObjects();
    for (int round = 0; round < 20; ++round) {
        app::TFrmReport report(nullptr, Context());
        Child<win::TButton>(report, "btnPrev")->Click();
        // Painted hidden: a shown window costs seconds to take down under Wine.
        for (const char* chart : {"DayChart", "PeriodChart"})
            SendMessageW(Child<win::TWinControl>(report, chart)->Handle(), WM_PAINT, 0, 0);
    }
    test::PumpFor(50);
    EXPECT_EQ(win::LiveGdiObjects(), wrapped);
    if (system) EXPECT_LE(test::ProcessGdiObjects(), system + 5);
}

}  // namespace
