#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/DateTime.h"
#include "core/Tariff.h"

namespace kelo {

// One run of the history as the report counts it.
struct RunSpan {
    LocalDateTime start;
    LocalDateTime end;
    int64_t onlineSeconds = 0;
};

// A history record's fields (start, end, online time, ...) as a run with the online time
// as stored, also when the clock was set back during the run; nothing for a record whose
// start, end or online time cannot be read.
std::optional<RunSpan> RunFromFields(const std::vector<std::string>& fields);
// The same read straight from a history line (fields joined by BEL), without splitting it.
std::optional<RunSpan> RunFromLine(std::string_view line);

// Online time and runs of one calendar day.
struct DayUsage {
    CivilDate date;
    int64_t seconds = 0;
    int runs = 0;  // runs with online time on that day
};

// Every day from `first` to `last` (both included), in order. A run that spans midnight
// is split across its days in proportion to the wall-clock time it spent in each; the
// parts add up to the run's online time exactly. A run whose wall-clock time cannot hold
// its online time (the clock was set back) counts whole on the day it started.
std::vector<DayUsage> DailyUsage(const std::vector<RunSpan>& runs, const CivilDate& first,
                                 const CivilDate& last);

// Online time of one billing period.
struct PeriodUsage {
    CivilDate first;  // the period's first day
    CivilDate last;   // its last day
    int64_t seconds = 0;
};

// The `count` billing periods up to and including the one that contains `today`, oldest
// first, each with the online time of the runs within it: a run over a period's start is
// cut there, its online time shared in proportion to the wall-clock time on each side.
std::vector<PeriodUsage> PeriodTotals(const std::vector<RunSpan>& runs, const CivilDate& today,
                                      int32_t billingDay, int count);

// A run's online time within [from, to) of the wall clock, shared as the periods share it.
int64_t OnlineSecondsWithin(const RunSpan& run, const LocalDateTime& from, const LocalDateTime& to);

// Every billing period from the one the earliest run started in up to the one that
// contains `today`, oldest first, the periods without runs between them included, with
// their totals counted as PeriodTotals counts them.
std::vector<PeriodUsage> HistoryPeriods(const std::vector<RunSpan>& runs, const CivilDate& today,
                                        int32_t billingDay);

// One row a period for the per-period export: its first day, its last day, the online
// seconds and, with a tariff set, the billed seconds and the cost in yuan ("62.40").
// Without a tariff a row ends after the online seconds.
std::vector<std::vector<std::string>> PeriodSummaryRows(const std::vector<PeriodUsage>& periods,
                                                        const Tariff& tariff);

// A period's cost as the periods' chart may write it under its bar, longest first: yuan
// and fen ("123.45"), then whole yuan rounded half up ("123") for narrow bars.
std::vector<std::string> CostLabels(int64_t fen);

// A CSV document for spreadsheet programs: UTF-8 with a byte-order mark, CR LF line ends,
// a field quoted (quotes doubled) when it holds a comma, a quote, CR, LF or leading or
// trailing spaces. A field beginning with "=", "+", "-", "@", a tab or CR, which a
// spreadsheet would run as a formula, is quoted after an apostrophe. The rows' texts are
// UTF-8.
std::string CsvDocument(const std::vector<std::vector<std::string>>& rows);

// Rows as tab-separated text with CR LF line ends (tabs and line breaks inside a field
// become spaces), as the clipboard takes a table.
std::string TabSeparated(const std::vector<std::vector<std::string>>& rows);

}  // namespace kelo
