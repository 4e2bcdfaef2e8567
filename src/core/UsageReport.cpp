#include "core/UsageReport.h"

#include <algorithm>

#include "core/NoticeText.h"
#include "core/Settings.h"

namespace kelo {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Up to 15 hour digits keeps any stored online time far from overflow.
std::optional<int64_t> ParseDigits(std::string_view text, size_t minDigits, size_t maxDigits) {
    if (text.size() < minDigits || text.size() > maxDigits) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The history's online time, "h:mm:ss" with total hours.
std::optional<int64_t> ParseOnlineTime(std::string_view text) {
    const size_t first = text.find(':');
    if (first == std::string_view::npos) return std::nullopt;
    const size_t second = text.find(':', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto h = ParseDigits(text.substr(0, first), 1, 15);
    const auto m = ParseDigits(text.substr(first + 1, second - first - 1), 2, 2);
    const auto s = ParseDigits(text.substr(second + 1), 2, 2);
    if (!h || !m || !s || *m > 59 || *s > 59) return std::nullopt;
    return *h * 3600 + *m * 60 + *s;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The wall-clock seconds over which a run's online time is spread: its length, or none
// when the clock was set back during the run and its length cannot hold the online time
// the meter counted; then all of it lies at the run's start.
int64_t SpreadSpan(int64_t start, int64_t end, int64_t total) {
    return end - start >= total ? end - start : 0;
}

// A run's wall-clock interval and online time, ready to be cut at day starts.
// The parts come from rounding the online time's running share at each cut, so the
// rounding errors never pile up and the parts of all cuts add up to the online time.
class RunSplit {
public:
    explicit RunSplit(const RunSpan& run)
        : start_(WallSeconds(run.start)),
          total_(std::max<int64_t>(run.onlineSeconds, 0)),
          span_(SpreadSpan(start_, WallSeconds(run.end), total_)) {}

    int64_t Start() const { return start_; }
    // The last second the run touches; a run without length touches its start only.
    int64_t LastSecond() const { return span_ == 0 ? start_ : start_ + span_ - 1; }
    int64_t Total() const { return total_; }

    // The run's online seconds within [from, to) of the wall clock.
    int64_t Within(int64_t from, int64_t to) const {
        if (span_ == 0) return start_ >= from && start_ < to ? total_ : 0;
        return ShareUpTo(to) - ShareUpTo(from);
    }

private:
    // The online time, rounded, that falls before wall-clock second `at`. Dates run to
    // year 9999, so span times online time needs more than 64 bits.
    int64_t ShareUpTo(int64_t at) const {
        const int64_t elapsed = std::clamp<int64_t>(at - start_, 0, span_);
        __extension__ typedef unsigned __int128 Wide;
        const Wide twice = Wide{2} * static_cast<Wide>(total_) * static_cast<Wide>(elapsed);
        return static_cast<int64_t>((twice + static_cast<Wide>(span_)) /
                                    (Wide{2} * static_cast<Wide>(span_)));
    }

    int64_t start_;
    int64_t total_;
    int64_t span_;
};

// A spreadsheet program takes a field beginning so for a formula.
bool LooksLikeFormula(const std::string& field) {
    return !field.empty() && std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos;
}

bool NeedsQuotes(const std::string& field) {
    if (field.find_first_of(",\"\r\n") != std::string::npos) return true;
    return !field.empty() && (field.front() == ' ' || field.back() == ' ');
}

// A formula-like field is written as text: quoted, after an apostrophe. The program's own
// dates, times and counts never begin like a formula; host names and addresses from the
// hand-editable history may.
void AppendCsvField(std::string& out, const std::string& field) {
    const bool formula = LooksLikeFormula(field);
    if (!formula && !NeedsQuotes(field)) {
        out += field;
        return;
    }
    out += '"';
    if (formula) out += '\'';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

// A line break inside a field (CR LF, CR or LF) and a tab each become one space, so a
// pasted table keeps its rows and columns.
void AppendTabField(std::string& out, const std::string& field) {
    for (size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\r' && i + 1 < field.size() && field[i + 1] == '\n') ++i;
        out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
    }
}

// Rows joined field by field with `separator`, each row ended by CR LF.
template <class AppendField>
std::string JoinRows(std::string out, const std::vector<std::vector<std::string>>& rows,
                     char separator, AppendField appendField) {
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            if (i > 0) out += separator;
            appendField(out, row[i]);
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace

namespace {

std::optional<RunSpan> RunFromTexts(std::string_view startText, std::string_view endText,
                                    std::string_view onlineText) {
    const auto start = ParseDateTime(startText);
    const auto end = ParseDateTime(endText);
    const auto online = ParseOnlineTime(onlineText);
    if (!start || !end || !online) return std::nullopt;
    // A clock set back during the run can leave the end before the start, or less
    // wall-clock time than online time; the online time is still what the meter counted.
    return RunSpan{*start, *end, *online};
}

}  // namespace

std::optional<RunSpan> RunFromFields(const std::vector<std::string>& fields) {
    if (fields.size() < 3) return std::nullopt;
    return RunFromTexts(fields[0], fields[1], fields[2]);
}

std::optional<RunSpan> RunFromLine(std::string_view line) {
    const size_t endAt = line.find('\a');
    if (endAt == std::string_view::npos) return std::nullopt;
    const size_t onlineAt = line.find('\a', endAt + 1);
    if (onlineAt == std::string_view::npos) return std::nullopt;
    const std::string_view online = line.substr(onlineAt + 1, line.find('\a', onlineAt + 1) - (onlineAt + 1));
    return RunFromTexts(line.substr(0, endAt), line.substr(endAt + 1, onlineAt - endAt - 1), online);
}

std::vector<DayUsage> DailyUsage(const std::vector<RunSpan>& runs, const CivilDate& first,
                                 const CivilDate& last) {
    const int64_t firstDay = DaysFromCivil(first);
    const int64_t lastDay = DaysFromCivil(last);
    if (lastDay < firstDay) return {};
    std::vector<DayUsage> days(static_cast<size_t>(lastDay - firstDay + 1));
    for (size_t i = 0; i < days.size(); ++i)
        days[i].date = CivilFromDays(firstDay + static_cast<int64_t>(i));

    for (const RunSpan& run : runs) {
        const RunSplit split(run);
        const int64_t runFirst = FloorDiv(split.Start(), kSecondsPerDay);
        // Only the run's days inside the report are visited, so a run with a wild date
        // costs no more than any other.
        const int64_t from = std::max(runFirst, firstDay);
        const int64_t to = std::min(FloorDiv(split.LastSecond(), kSecondsPerDay), lastDay);
        for (int64_t day = from; day <= to; ++day) {
            const int64_t seconds =
                split.Within(day * kSecondsPerDay, (day + 1) * kSecondsPerDay);
            DayUsage& usage = days[static_cast<size_t>(day - firstDay)];
            usage.seconds = std::min(usage.seconds + seconds, kMaxOnlineSeconds);
            // A run without online time still was a run: it counts on the day it started.
            if (seconds > 0 || (split.Total() == 0 && day == runFirst)) ++usage.runs;
        }
    }
    return days;
}

std::vector<PeriodUsage> PeriodTotals(const std::vector<RunSpan>& runs, const CivilDate& today,
                                      int32_t billingDay, int count) {
    if (count <= 0) return {};
    std::vector<PeriodUsage> periods(static_cast<size_t>(count));
    CivilDate within = today;
    for (size_t i = periods.size(); i-- > 0;) {
        periods[i].first = BillingPeriodStart(within, billingDay);
        periods[i].last = BillingPeriodEnd(within, billingDay);
        within = CivilFromDays(DaysFromCivil(periods[i].first) - 1);
    }

    // The periods follow each other without gaps, so their first days and the day after
    // the last one bound them all.
    std::vector<int64_t> bounds;
    bounds.reserve(periods.size() + 1);
    for (const PeriodUsage& p : periods) bounds.push_back(DaysFromCivil(p.first));
    bounds.push_back(DaysFromCivil(periods.back().last) + 1);

    // A billing period ends at its last second: a run over a period's start is cut there,
    // as the meter cuts its record.
    for (const RunSpan& run : runs) {
        const RunSplit split(run);
        const int64_t firstDay = FloorDiv(split.Start(), kSecondsPerDay);
        const int64_t lastDay = FloorDiv(split.LastSecond(), kSecondsPerDay);
        if (lastDay < bounds.front() || firstDay >= bounds.back()) continue;
        size_t i = static_cast<size_t>(std::upper_bound(bounds.begin(), bounds.end(), firstDay) - bounds.begin());
        for (i = i == 0 ? 0 : i - 1; i < periods.size() && bounds[i] <= lastDay; ++i) {
            const int64_t part = split.Within(bounds[i] * kSecondsPerDay, bounds[i + 1] * kSecondsPerDay);
            periods[i].seconds = std::min(periods[i].seconds + part, kMaxOnlineSeconds);
        }
    }
    return periods;
}

int64_t OnlineSecondsWithin(const RunSpan& run, const LocalDateTime& from, const LocalDateTime& to) {
    return RunSplit(run).Within(WallSeconds(from), WallSeconds(to));
}

std::vector<PeriodUsage> HistoryPeriods(const std::vector<RunSpan>& runs, const CivilDate& today,
                                        int32_t billingDay) {
    // A run dated after today (the clock was ahead) lies in no period up to today.
    int64_t earliest = DaysFromCivil(today);
    for (const RunSpan& run : runs) earliest = std::min(earliest, DaysFromCivil(run.start.Date()));
    int count = 1;
    for (CivilDate first = BillingPeriodStart(today, billingDay); DaysFromCivil(first) > earliest; ++count)
        first = BillingPeriodStart(CivilFromDays(DaysFromCivil(first) - 1), billingDay);
    return PeriodTotals(runs, today, billingDay, count);
}

std::vector<std::vector<std::string>> PeriodSummaryRows(const std::vector<PeriodUsage>& periods,
                                                        const Tariff& tariff) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(periods.size());
    for (const PeriodUsage& period : periods) {
        std::vector<std::string> row{FormatDate(period.first), FormatDate(period.last),
                                     std::to_string(period.seconds)};
        if (tariff.Set()) {
            row.push_back(std::to_string(BilledSeconds(tariff, period.seconds)));
            row.push_back(FormatYuan(CostFen(tariff, period.seconds)));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> CostLabels(int64_t fen) {
    return {FormatYuan(fen), std::to_string((fen + 50) / 100)};
}

std::string CsvDocument(const std::vector<std::vector<std::string>>& rows) {
    // The byte-order mark makes spreadsheet programs read the file as UTF-8, not as the
    // system's code page.
    return JoinRows("\xEF\xBB\xBF", rows, ',', AppendCsvField);
}

std::string TabSeparated(const std::vector<std::vector<std::string>>& rows) {
    return JoinRows({}, rows, '\t', AppendTabField);
}

}  // namespace kelo
