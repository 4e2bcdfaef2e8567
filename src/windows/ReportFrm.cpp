#include "windows/ReportFrm.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "core/Errors.h"
#include "core/NoticeText.h"
#include "core/TextCodec.h"
#include "core/UsageHistory.h"
#include "framework/WinFileStore.h"
#include "framework/WinText.h"
#include "windows/ReportChart.h"
#include "windows/ReportConnections.h"

namespace kelo::app {

namespace {

// The report's texts.
namespace text {
constexpr const char* kPeriodJoin = " 至 ";
constexpr const char* kPeriodTotal = "本周期合计 ";
constexpr const char* kDayLimit = "日限 %d 小时";
constexpr const char* kMonthLimit = "月限 %d 小时";
constexpr const char* kPeriodMonth = "%d月";
constexpr const char* kHistoryHeader[] = {"开始", "结束", "上网秒数", "计算机", "类型", "IP"};
// The money columns only with a tariff.
constexpr const char* kPeriodsHeader[] = {"周期起始日", "周期截止日", "上网秒数", "计费秒数", "费用（元）"};
constexpr size_t kPeriodsHeaderWithoutTariff = 3;
constexpr const char* kPeriodCost = "　费用 ¥";
constexpr const char* kEstimated = "（按月累计估算）";
constexpr const char* kCostNote = "；费用按当前资费计算";
constexpr const wchar_t* kCostCaption = L"¥";
constexpr const wchar_t* kDefaultFileName = L"Kelo使用记录.csv";
// Three filters: the history, the day table, the billing periods.
constexpr wchar_t kFilters[] =
    L"使用记录 (每次一行) (*.csv)\0*.csv\0每日统计 (*.csv)\0*.csv\0每期汇总 (*.csv)\0*.csv\0";
constexpr const char* kNoClipboard = "无法打开剪贴板";
constexpr const wchar_t* kShowConnections = L"上网明细";
constexpr const wchar_t* kShowDays = L"每日统计";
}  // namespace text

constexpr int kMargin = 8;
constexpr int kGap = 6;
constexpr int kTableWidth = 250;
constexpr int kButtonHeight = 25;
constexpr int kPagingWidth = 96, kExportWidth = 96, kButtonWidth = 84;
constexpr int kPeriodCount = 12;
constexpr int kMinClientWidth = 520, kMinClientHeight = 380;

template <class T>
T* Require(const win::TComponent& form, const char* name) {
    T* component = form.Find<T>(name);
    if (!component) throw KeloError(std::string("usage report: no ") + name);
    return component;
}

std::string Printf(const char* format, int value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

CivilDate AddDays(const CivilDate& date, int64_t days) {
    return CivilFromDays(DaysFromCivil(date) + days);
}

// The clipboard opened for the window, closed again however the copy ends.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool Open() const { return open_; }

private:
    bool open_;
};

}  // namespace

TFrmReport::TFrmReport(win::TComponent* owner, const ReportContext& context)
    : win::TForm(owner),
      history_(context.history),
      codec_(context.codec),
      settings_(context.settings),
      now_(context.now),
      currentRun_(context.currentRun) {
    RegisterReportClasses();
    SetDialogKeys(true);
    auto on = [this](const char* name, void (TFrmReport::*handler)()) {
        RegisterHandler(name, [this, handler](win::TComponent*) { (this->*handler)(); });
    };
    on("btnPrevClick", &TFrmReport::btnPrevClick);
    on("btnNextClick", &TFrmReport::btnNextClick);
    on("btnExportClick", &TFrmReport::btnExportClick);
    on("btnCopyClick", &TFrmReport::btnCopyClick);
    on("btnCloseClick", &TFrmReport::btnCloseClick);
    on("btnDetailsClick", &TFrmReport::btnDetailsClick);
    ReadRuns(context);
    periods_ = PeriodTotals(runs_, now_.Date(), settings_.billingDay, kPeriodCount);
    LoadFromResource(kResourceName);
    connections_ = std::make_unique<ReportConnections>(*this, files_, codec_, context.recordPath, settings_.tariff);
    lvDays_->OnGetCell = [this](int row, int column) { return DayCell(row, column); };
    if (settings_.tariff.Set()) lblNote_->SetCaption(lblNote_->Caption() + win::Widen(text::kCostNote));
    ShowPeriodCharts();
    ShowPeriod(0);
    LayoutControls();
}

TFrmReport::~TFrmReport() = default;

void TFrmReport::Loaded() {
    win::TForm::Loaded();
    DayChart_ = Require<TUsageChart>(*this, "DayChart");
    PeriodChart_ = Require<TUsageChart>(*this, "PeriodChart");
    lvDays_ = Require<win::TListView>(*this, "lvDays");
    lblPeriod_ = Require<win::TLabel>(*this, "lblPeriod");
    lblTotal_ = Require<win::TLabel>(*this, "lblTotal");
    lblNote_ = Require<win::TLabel>(*this, "lblNote");
    btnPrev_ = Require<win::TButton>(*this, "btnPrev");
    btnNext_ = Require<win::TButton>(*this, "btnNext");
    btnExport_ = Require<win::TButton>(*this, "btnExport");
    btnCopy_ = Require<win::TButton>(*this, "btnCopy");
    btnClose_ = Require<win::TButton>(*this, "btnClose");
    btnDetails_ = Require<win::TButton>(*this, "btnDetails");
}

// Each stored record is read once, straight from its line in the file; the current run's
// record lags behind the run, so the run as it stands now takes its place.
void TFrmReport::ReadRuns(const ReportContext& context) {
    const UsageHistory& history = context.history;
    const size_t stored = history.Size() > 0 ? history.Size() - 1 : 0;
    runs_.reserve(stored + 1);
    history.ForEachStoredLine([this](std::string_view line) {
        if (const auto run = RunFromLine(line)) runs_.push_back(*run);
    });
    for (size_t i = history.StoredCount(); i < stored; ++i)
        if (const auto run = RunFromFields(history.At(i).fields)) runs_.push_back(*run);
    runs_.push_back(currentRun_);
}

void TFrmReport::ShowPeriodCharts() {
    std::vector<ChartBar> bars;
    for (const PeriodUsage& period : periods_) {
        ChartBar bar{win::Widen(Printf(text::kPeriodMonth, period.first.month)), period.seconds, {}};
        if (settings_.tariff.Set())
            for (const std::string& cost : CostLabels(CostOf(period.first, period.seconds).fen))
                bar.notes.push_back(win::Widen(cost));
        bars.push_back(std::move(bar));
    }
    PeriodChart_->SetBars(std::move(bars), int64_t{settings_.monthLimit} * 3600);
    PeriodChart_->SetLimitCaption(win::Widen(Printf(text::kMonthLimit, settings_.monthLimit)));
    PeriodChart_->SetValueLabels(true);
    PeriodChart_->SetNoteCaption(text::kCostCaption);
    DayChart_->SetLimitCaption(win::Widen(Printf(text::kDayLimit, settings_.dayLimit)));
}

void TFrmReport::ShowPeriod(int periodsBack) {
    periodsBack_ = std::max(0, periodsBack);
    CivilDate first = BillingPeriodStart(now_.Date(), settings_.billingDay);
    for (int i = 0; i < periodsBack_; ++i)
        first = BillingPeriodStart(AddDays(first, -1), settings_.billingDay);
    periodFirst_ = first;
    periodLast_ = BillingPeriodEnd(first, settings_.billingDay);
    days_ = DailyUsage(runs_, periodFirst_, periodLast_);

    std::vector<ChartBar> bars;
    for (const DayUsage& day : days_) bars.push_back({std::to_wstring(day.date.day), day.seconds, {}});
    // The days spread a run over the days it ran; the total is the meter's, with each run
    // in the period it started in.
    const int64_t total = PeriodTotals(runs_, periodFirst_, settings_.billingDay, 1).front().seconds;
    DayChart_->SetBars(std::move(bars), int64_t{settings_.dayLimit} * 3600);
    PeriodChart_->SetHighlight(periodsBack_ < kPeriodCount ? kPeriodCount - 1 - periodsBack_ : -1);
    lvDays_->SetItemCount(static_cast<int>(days_.size()));
    lvDays_->RefreshRows();

    std::string heading = FormatDate(periodFirst_) + text::kPeriodJoin + FormatDate(periodLast_);
    if (settings_.tariff.Set()) {
        const PeriodCost cost = CostOf(periodFirst_, total);
        heading += text::kPeriodCost + FormatYuan(cost.fen) + (cost.estimated ? text::kEstimated : "");
    }
    lblPeriod_->SetCaption(win::Widen(heading));
    lblTotal_->SetCaption(win::Widen(text::kPeriodTotal + FormatDuration(total)));
    // Nothing lies before the earliest run.
    int64_t earliest = DaysFromCivil(now_.Date());
    for (const RunSpan& run : runs_) earliest = std::min(earliest, DaysFromCivil(run.start.Date()));
    btnPrev_->SetEnabled(DaysFromCivil(periodFirst_) > earliest);
    btnNext_->SetEnabled(periodsBack_ > 0);
    if (connections_->Shown()) connections_->ShowPeriod(ShownPeriod());
    // A longer heading than the window was made narrow for widens it.
    if (HandleAllocated() && ClientWidth() < MinClientWidth())
        SetClientSize(MinClientWidth(), ClientHeight());
    LayoutControls();
}

// The heading's row and the note's row each fit whole.
int TFrmReport::MinClientWidth() const {
    const int heading =
        kMargin + 2 * kPagingWidth + kGap + 12 + lblPeriod_->Width() + 12 + lblTotal_->Width() + kMargin;
    const int note = kMargin + lblNote_->Width() + 4 * kGap + kExportWidth + 3 * kButtonWidth + kMargin;
    return std::max({kMinClientWidth, heading, note});
}

// The charts and the table share what the buttons leave: the day chart a little more
// than half the height, the table and the periods' chart side by side below it.
void TFrmReport::LayoutControls() {
    // Nothing to place while the form is still being made.
    if (!HandleAllocated() || !connections_) return;
    const int width = ClientWidth(), height = ClientHeight();
    btnPrev_->SetBounds(kMargin, kMargin, kPagingWidth, kButtonHeight);
    btnNext_->SetBounds(kMargin + kPagingWidth + kGap, kMargin, kPagingWidth, kButtonHeight);
    const int labelTop = kMargin + (kButtonHeight - lblPeriod_->Height()) / 2;
    lblPeriod_->SetBounds(btnNext_->Left() + kPagingWidth + 12, labelTop, lblPeriod_->Width(), lblPeriod_->Height());
    lblTotal_->SetBounds(std::max(lblPeriod_->Left() + lblPeriod_->Width() + 12,
                                  width - kMargin - lblTotal_->Width()),
                         labelTop, lblTotal_->Width(), lblTotal_->Height());

    const int buttonTop = height - kMargin - kButtonHeight;
    btnClose_->SetBounds(width - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
    btnCopy_->SetBounds(btnClose_->Left() - kGap - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
    btnExport_->SetBounds(btnCopy_->Left() - kGap - kExportWidth, buttonTop, kExportWidth, kButtonHeight);
    // Under the table, left of the buttons.
    lblNote_->SetBounds(kMargin, buttonTop + (kButtonHeight - lblNote_->Height()) / 2,
                        lblNote_->Width(), lblNote_->Height());

    const int top = kMargin + kButtonHeight + kGap;
    const int bottom = buttonTop - kGap;
    // The connections take the place of the charts and the table, and their export
    // button that of the day table's two.
    const int connectionsLeft = connections_->Place({kMargin, top, width - kMargin, bottom}, buttonTop, kMargin,
                                                    btnClose_->Left() - kGap);
    const int detailsRight = connections_->Shown() ? connectionsLeft : btnExport_->Left();
    btnDetails_->SetBounds(detailsRight - kGap - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
    const int dayHeight = std::max(0, (bottom - top - kGap) * 55 / 100);
    DayChart_->SetBounds(kMargin, top, width - 2 * kMargin, dayHeight);
    const int lowerTop = top + dayHeight + kGap;
    const int lowerHeight = std::max(0, bottom - lowerTop);
    lvDays_->SetBounds(kMargin, lowerTop, kTableWidth, lowerHeight);
    PeriodChart_->SetBounds(kMargin + kTableWidth + kGap, lowerTop,
                            std::max(0, width - 2 * kMargin - kTableWidth - kGap), lowerHeight);
    Invalidate();
}

std::wstring TFrmReport::DayCell(int row, int column) const {
    if (row < 0 || static_cast<size_t>(row) >= days_.size()) return {};
    const DayUsage& day = days_[static_cast<size_t>(row)];
    switch (column) {
    case 0: return win::Widen(FormatDate(day.date));
    case 1: return win::Widen(FormatDuration(day.seconds));
    case 2: return std::to_wstring(day.runs);
    default: return {};
    }
}

std::vector<std::vector<std::string>> TFrmReport::DayTableRows() const {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (const win::TListColumn& column : lvDays_->Columns()) header.push_back(win::Narrow(column.caption));
    rows.push_back(std::move(header));
    for (size_t row = 0; row < days_.size(); ++row) {
        std::vector<std::string> cells;
        for (size_t column = 0; column < lvDays_->Columns().size(); ++column)
            cells.push_back(win::Narrow(DayCell(static_cast<int>(row), static_cast<int>(column))));
        rows.push_back(std::move(cells));
    }
    return rows;
}

// A record that cannot be read as a run keeps its texts, without online seconds. The
// stored records are read from the file in large parts.
std::vector<std::vector<std::string>> TFrmReport::HistoryRows() const {
    std::vector<std::vector<std::string>> rows;
    rows.emplace_back(std::begin(text::kHistoryHeader), std::end(text::kHistoryHeader));
    auto add = [&](const std::vector<std::string>& fields, const std::optional<RunSpan>& run) {
        std::vector<std::string> row(kRecordFields);
        for (size_t f = 0; f < row.size() && f < fields.size(); ++f) row[f] = codec_.ToUtf8(fields[f]);
        if (run) {
            row[0] = FormatDateTime(run->start);
            row[1] = FormatDateTime(run->end);
            row[2] = std::to_string(run->onlineSeconds);
        } else {
            row[2].clear();
        }
        rows.push_back(std::move(row));
    };
    history_.ForEachStoredLine([&add](std::string_view line) {
        const std::vector<std::string> fields = SplitHistoryLine(line);
        add(fields, RunFromFields(fields));
    });
    for (size_t i = history_.StoredCount(); i < history_.Size(); ++i) {
        const std::vector<std::string> fields = history_.At(i).fields;
        add(fields, i + 1 == history_.Size() ? currentRun_ : RunFromFields(fields));
    }
    return rows;
}

std::vector<std::vector<std::string>> TFrmReport::PeriodRows() const {
    const auto* header = std::begin(text::kPeriodsHeader);
    const size_t columns =
        settings_.tariff.Set() ? std::size(text::kPeriodsHeader) : text::kPeriodsHeaderWithoutTariff;
    std::vector<std::vector<std::string>> rows{{header, header + columns}};
    const auto periods = HistoryPeriods(runs_, now_.Date(), settings_.billingDay);
    std::vector<std::vector<std::string>> summary = PeriodSummaryRows(periods, settings_.tariff);
    for (size_t i = 0; i < periods.size(); ++i) {
        std::vector<std::string>& row = summary[i];
        // Where the record's connections make the bill, they also give the billed time.
        const BillingPeriod period = PeriodOf(periods[i].first);
        const auto billed = connections_->BilledSecondsIn(period);
        const PeriodCost cost = CostOf(periods[i].first, periods[i].seconds);
        if (row.size() > 4 && billed && settings_.tariff.rounding == TariffRounding::EachConnection &&
            !cost.estimated) {
            row[3] = std::to_string(*billed);
            row[4] = FormatYuan(cost.fen);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void TFrmReport::ExportHistoryCsv(const std::wstring& path) const {
    win::WinFileStore().Replace(win::Narrow(path), CsvDocument(HistoryRows()));
}

void TFrmReport::ExportDaysCsv(const std::wstring& path) const {
    win::WinFileStore().Replace(win::Narrow(path), CsvDocument(DayTableRows()));
}

void TFrmReport::ExportPeriodsCsv(const std::wstring& path) const {
    win::WinFileStore().Replace(win::Narrow(path), CsvDocument(PeriodRows()));
}

void TFrmReport::CopyDayTable() {
    const std::wstring tabbed = win::Widen(TabSeparated(DayTableRows()));
    const size_t bytes = (tabbed.size() + 1) * sizeof(wchar_t);
    OpenedClipboard clipboard(Handle());
    if (!clipboard.Open()) throw KeloError(text::kNoClipboard);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) throw KeloError(text::kNoClipboard);
    if (void* target = GlobalLock(memory)) {
        std::memcpy(target, tabbed.c_str(), bytes);
        GlobalUnlock(memory);
    }
    EmptyClipboard();
    // The clipboard owns the memory once it has taken it.
    if (!SetClipboardData(CF_UNICODETEXT, memory)) {
        GlobalFree(memory);
        throw KeloError(text::kNoClipboard);
    }
}

void TFrmReport::btnPrevClick() { ShowPeriod(periodsBack_ + 1); }

void TFrmReport::btnNextClick() { ShowPeriod(periodsBack_ - 1); }

void TFrmReport::btnExportClick() {
    DWORD filter = 1;
    const std::optional<std::wstring> file = AskCsvPath(Handle(), text::kDefaultFileName, text::kFilters, filter);
    if (!file) return;
    switch (filter) {
    case 2: ExportDaysCsv(*file); break;
    case 3: ExportPeriodsCsv(*file); break;
    default: ExportHistoryCsv(*file); break;
    }
}

void TFrmReport::btnCopyClick() { CopyDayTable(); }

void TFrmReport::btnCloseClick() { Close(); }

// The record is read when the connections are first asked for; when it cannot be read,
// the days stay.
void TFrmReport::btnDetailsClick() {
    const bool details = !connections_->Shown();
    if (details) connections_->ShowPeriod(ShownPeriod());
    connections_->SetShown(details);
    for (win::TControl* day : std::initializer_list<win::TControl*>{DayChart_, PeriodChart_, lvDays_, lblNote_,
                                                                    btnExport_, btnCopy_})
        day->SetVisible(!details);
    btnDetails_->SetCaption(details ? text::kShowDays : text::kShowConnections);
    LayoutControls();
}

BillingPeriod TFrmReport::ShownPeriod() const { return PeriodOf(periodFirst_); }

// Each connection rounded, the record's connections make the bill where it covers the
// period; elsewhere the period's time is rounded once.
BillingPeriod TFrmReport::PeriodOf(const CivilDate& first) const {
    return {first, AddDays(BillingPeriodEnd(first, settings_.billingDay), 1)};
}

PeriodCost TFrmReport::CostOf(const CivilDate& first, int64_t seconds) const {
    return PeriodCostOf(settings_.tariff, seconds, connections_->BilledSecondsIn(PeriodOf(first)));
}

LRESULT TFrmReport::WMSize(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = win::TForm::WndProc(WM_SIZE, wParam, lParam);
    LayoutControls();
    return result;
}

// Smaller than this, the charts have no room for their scales, or the texts run into the
// buttons.
LRESULT TFrmReport::WMGetMinMaxInfo(MINMAXINFO* info) {
    RECT r{0, 0, MinClientWidth(), kMinClientHeight};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(Handle(), GWL_EXSTYLE)));
    info->ptMinTrackSize = {r.right - r.left, r.bottom - r.top};
    return 0;
}

LRESULT TFrmReport::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE: return WMSize(wParam, lParam);
    case WM_GETMINMAXINFO: return WMGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
    default: return win::TForm::WndProc(msg, wParam, lParam);
    }
}

}  // namespace kelo::app
