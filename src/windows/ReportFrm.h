#pragma once
#include <memory>
#include <string>
#include <vector>

#include "core/ConnectionBilling.h"
#include "core/Settings.h"
#include "core/UsageReport.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"
#include "framework/WinFileStore.h"

namespace kelo {
class TextCodec;
class UsageHistory;
}  // namespace kelo

namespace kelo::app {

class ReportConnections;
class TUsageChart;

// What the usage report reads: the history (its last record is the current run's, whose
// stored end and online time lag behind), the run as it stands now, and the settings with
// the tariff the costs are counted at.
struct ReportContext {
    const UsageHistory& history;
    const TextCodec& codec;  // the history file's encoding
    MeterSettings settings;
    LocalDateTime now;
    RunSpan currentRun;  // from the run's start up to now
    std::string recordPath;  // the itemised record of the connections
};

// The usage report: online time per day of a billing period against the daily limit, the
// last twelve periods against the monthly limit, the day table, export as CSV and copying
// of the day table; or, in their place, the period's connections. With a tariff, the periods' costs at today's tariff under their bars
// and in the heading.
//
// The history is read once, when the window is made; the window keeps referring to the
// history and the codec for the export, so both must outlive it (the main window owns
// both and the report).
class TFrmReport : public win::TForm {
    KELO_CLASS(TFrmReport, win::TForm)
public:
    static constexpr const wchar_t* kResourceName = L"REPORTFRM";

    TFrmReport(win::TComponent* owner, const ReportContext& context);
    ~TFrmReport() override;

    void Loaded() override;

    // The period shown: 0 the current one, 1 the one before, ...
    int PeriodsBack() const { return periodsBack_; }
    void ShowPeriod(int periodsBack);
    CivilDate PeriodFirst() const { return periodFirst_; }
    CivilDate PeriodLast() const { return periodLast_; }
    const std::vector<DayUsage>& Days() const { return days_; }
    const std::vector<PeriodUsage>& Periods() const { return periods_; }

    // The day table as shown, its header first (UTF-8).
    std::vector<std::vector<std::string>> DayTableRows() const;
    // The history, one run a line, its header first (UTF-8).
    std::vector<std::vector<std::string>> HistoryRows() const;
    // Every billing period of the history, one a line, its header first (UTF-8): first and
    // last day, online seconds and, with a tariff, billed seconds and cost.
    std::vector<std::vector<std::string>> PeriodRows() const;
    // Writes the history, the day table or the periods as CSV to `path`; the file is
    // replaced whole or not at all. Throws KeloError naming the file when it cannot be
    // written.
    void ExportHistoryCsv(const std::wstring& path) const;
    void ExportDaysCsv(const std::wstring& path) const;
    void ExportPeriodsCsv(const std::wstring& path) const;
    // Puts the day table on the clipboard as tab-separated text.
    void CopyDayTable();
    // The list of the shown period's connections.
    const ReportConnections& Connections() const { return *connections_; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void ReadRuns(const ReportContext& context);
    void ShowPeriodCharts();
    void LayoutControls();
    int MinClientWidth() const;
    LRESULT WMSize(WPARAM wParam, LPARAM lParam);
    LRESULT WMGetMinMaxInfo(MINMAXINFO* info);
    std::wstring DayCell(int row, int column) const;
    void btnPrevClick();
    void btnNextClick();
    void btnExportClick();
    void btnCopyClick();
    void btnCloseClick();
    void btnDetailsClick();
    BillingPeriod ShownPeriod() const;
    // The cost of the period that begins on `first` with this much online time.
    PeriodCost CostOf(const CivilDate& first, int64_t seconds) const;
    BillingPeriod PeriodOf(const CivilDate& first) const;

    const UsageHistory& history_;
    const TextCodec& codec_;
    MeterSettings settings_;
    LocalDateTime now_;
    RunSpan currentRun_;
    std::vector<RunSpan> runs_;  // the readable runs and the current one
    std::vector<PeriodUsage> periods_;  // the last twelve, oldest first
    int periodsBack_ = 0;
    CivilDate periodFirst_, periodLast_;
    std::vector<DayUsage> days_;
    win::WinFileStore files_;
    std::unique_ptr<ReportConnections> connections_;

    TUsageChart* DayChart_ = nullptr;
    TUsageChart* PeriodChart_ = nullptr;
    win::TListView* lvDays_ = nullptr;
    win::TLabel* lblPeriod_ = nullptr;
    win::TLabel* lblTotal_ = nullptr;
    win::TLabel* lblNote_ = nullptr;  // how days and period totals count a run
    win::TButton* btnPrev_ = nullptr;
    win::TButton* btnNext_ = nullptr;
    win::TButton* btnExport_ = nullptr;
    win::TButton* btnCopy_ = nullptr;
    win::TButton* btnClose_ = nullptr;
    win::TButton* btnDetails_ = nullptr;
};

}  // namespace kelo::app
