#include "windows/ReportConnections.h"

#include <commdlg.h>

#include <algorithm>
#include <cwchar>

#include "core/ConnectionBilling.h"
#include "core/Errors.h"
#include "core/FileStore.h"
#include "core/UsageReport.h"
#include "framework/WinText.h"

namespace kelo::app {

namespace {

namespace text {
constexpr const char* kHeader[] = {"开始", "结束", "时长", "计费时长", "费用", "连接", "IP"};
constexpr const wchar_t* kNone = L"本期没有明细记录";
constexpr const wchar_t* kDefaultFileName = L"Kelo上网明细.csv";
constexpr wchar_t kFilter[] = L"上网明细 (*.csv)\0*.csv\0";
}  // namespace text

constexpr int kExportWidth = 96, kButtonHeight = 25;

template <class T>
T* Require(const win::TComponent& form, const char* name) {
    T* component = form.Find<T>(name);
    if (!component) throw KeloError(std::string("usage report: no ") + name);
    return component;
}

}  // namespace

ReportConnections::ReportConnections(win::TCustomForm& report, FileStore& files, const TextCodec& codec,
                                     std::string recordPath, const Tariff& tariff)
    : report_(report), files_(files), codec_(codec), recordPath_(std::move(recordPath)), tariff_(tariff) {
    list_ = Require<win::TListView>(report, "lvConnections");
    note_ = Require<win::TLabel>(report, "lblConnections");
    export_ = Require<win::TButton>(report, "btnExportConnections");
    list_->OnGetCell = [this](int row, int column) { return Cell(row, column); };
    export_->OnClick = [this](win::TComponent*) { ExportClick(); };
}

void ReportConnections::Read() {
    if (!spans_) spans_ = ParseConnectionRecord(files_.Read(recordPath_).value_or(std::string()), codec_);
}

std::optional<int64_t> ReportConnections::BilledSecondsIn(const BillingPeriod& period) {
    try {
        Read();
    } catch (const KeloError&) {
        return std::nullopt;  // the view tells of it when it is shown
    }
    return PeriodBilledSeconds(*spans_, period);
}

void ReportConnections::ShowPeriod(const BillingPeriod& period) {
    Read();
    std::vector<const ConnectionSpan*> inPeriod;
    std::vector<int64_t> billed;
    const int64_t first = DaysFromCivil(period.start), next = DaysFromCivil(period.next);
    for (const ConnectionSpan& span : *spans_) {
        const int64_t day = DaysFromCivil(span.start.Date());
        if (day < first || day >= next) continue;
        inPeriod.push_back(&span);
        billed.push_back(span.billedSeconds);
    }
    // Without a tariff nothing costs anything: the column stays empty.
    const std::vector<int64_t> costs = ConnectionCostsFen(tariff_, billed);
    rows_.clear();
    for (size_t i = 0; i < inPeriod.size(); ++i) {
        const ConnectionSpan& span = *inPeriod[i];
        rows_.push_back({FormatDateTime(span.start), FormatDateTime(span.end), FormatDuration(span.onlineSeconds),
                         FormatDuration(span.billedSeconds), tariff_.Set() ? FormatYuan(costs[i]) : std::string(),
                         span.name, span.ipv4});
    }
    list_->SetItemCount(static_cast<int>(rows_.size()));
    list_->RefreshRows();
    // A period from before the record was kept has no line in it.
    note_->SetCaption(rows_.empty() ? text::kNone : std::wstring());
    export_->SetEnabled(!rows_.empty());
}

void ReportConnections::SetShown(bool shown) {
    shown_ = shown;
    list_->SetVisible(shown);
    note_->SetVisible(shown);
    export_->SetVisible(shown);
}

int ReportConnections::Place(const RECT& area, int rowTop, int left, int right) {
    list_->SetBounds(area.left, area.top, std::max(0, static_cast<int>(area.right - area.left)),
                     std::max(0, static_cast<int>(area.bottom - area.top)));
    export_->SetBounds(right - kExportWidth, rowTop, kExportWidth, kButtonHeight);
    note_->SetBounds(left, rowTop + (kButtonHeight - note_->Height()) / 2, note_->Width(), note_->Height());
    return export_->Left();
}

std::wstring ReportConnections::Cell(int row, int column) const {
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return {};
    const std::vector<std::string>& cells = rows_[static_cast<size_t>(row)];
    if (column < 0 || static_cast<size_t>(column) >= cells.size()) return {};
    return win::Widen(cells[static_cast<size_t>(column)]);
}

std::vector<std::vector<std::string>> ReportConnections::Rows() const {
    std::vector<std::vector<std::string>> rows{{std::begin(text::kHeader), std::end(text::kHeader)}};
    rows.insert(rows.end(), rows_.begin(), rows_.end());
    return rows;
}

void ReportConnections::ExportCsv(const std::wstring& path) const {
    files_.Replace(win::Narrow(path), CsvDocument(Rows()));
}

void ReportConnections::ExportClick() {
    DWORD filter = 1;
    if (const auto path = AskCsvPath(report_.Handle(), text::kDefaultFileName, text::kFilter, filter))
        ExportCsv(*path);
}

std::optional<std::wstring> AskCsvPath(HWND owner, const wchar_t* defaultName, const wchar_t* filters,
                                       DWORD& filterIndex) {
    std::wstring file(32768, L'\0');
    std::wcsncpy(file.data(), defaultName, file.size() - 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters;
    dialog.nFilterIndex = filterIndex;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = L"csv";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    filterIndex = dialog.nFilterIndex;
    file.resize(std::wcslen(file.c_str()));
    return file;
}

}  // namespace kelo::app
