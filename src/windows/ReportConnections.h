#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "core/ConnectionRecord.h"
#include "core/Tariff.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"

namespace kelo {
class FileStore;
class TextCodec;
}  // namespace kelo

namespace kelo::app {

// The usage report's list of connections ("上网明细"): one row a connection of the shown
// billing period as the itemised record holds it (start, end, online and billed time,
// what it adds to the period's bill after the connections before it, the connection and
// its address), and its export. The controls are the report's (lvConnections,
// lblConnections, btnExportConnections); the view shows, fills and places them.
class ReportConnections {
public:
    // The record is read the first time a period is shown; `files` and `codec` must
    // outlive the view.
    ReportConnections(win::TCustomForm& report, FileStore& files, const TextCodec& codec, std::string recordPath,
                      const Tariff& tariff);

    // Reads the record when it has not been read yet (throws KeloError when it cannot
    // be), then lists the connections that began in `period`.
    void ShowPeriod(const BillingPeriod& period);
    bool Shown() const { return shown_; }
    // The billed seconds of the connections that began in `period`; none when the record
    // cannot be read.
    std::optional<int64_t> BilledSecondsIn(const BillingPeriod& period);
    void SetShown(bool shown);
    // The list over `area`; the note and the export button in the report's button row
    // at `rowTop`, the note from `left`, the button ending at `right`. Answers where the
    // button begins.
    int Place(const RECT& area, int rowTop, int left, int right);

    // The rows as listed, the header first (UTF-8).
    std::vector<std::vector<std::string>> Rows() const;
    // Writes the rows as CSV to `path`, replaced whole or not at all; throws KeloError
    // naming the file when it cannot be written.
    void ExportCsv(const std::wstring& path) const;

private:
    void Read();
    void ExportClick();
    std::wstring Cell(int row, int column) const;

    win::TCustomForm& report_;
    FileStore& files_;
    const TextCodec& codec_;
    std::string recordPath_;
    Tariff tariff_;
    std::optional<std::vector<ConnectionSpan>> spans_;  // the whole record, once read
    std::vector<std::vector<std::string>> rows_;        // the shown period's, no header
    bool shown_ = false;
    win::TListView* list_ = nullptr;
    win::TLabel* note_ = nullptr;
    win::TButton* export_ = nullptr;
};

// Asks where to save a CSV file: the path, or none when the user cancels. `filterIndex`
// is the filter shown first and, after, the one chosen.
std::optional<std::wstring> AskCsvPath(HWND owner, const wchar_t* defaultName, const wchar_t* filters,
                                       DWORD& filterIndex);

}  // namespace kelo::app
