// The run's billing periods: where the month total of a run starts again, and what this
// period's own online time is.
#include <algorithm>

#include "core/Clock.h"
#include "core/Errors.h"
#include "core/FileStore.h"
#include "core/IniDocument.h"
#include "core/MonthTotal.h"
#include "core/UsageReport.h"
#include "core/UsageSession.h"

namespace kelo {

namespace {

LocalDateTime FirstSecond(const CivilDate& day) { return {day.year, day.month, day.day, 0, 0, 0}; }

int64_t TotalSeconds(const std::string& monthTotal) {
    return MonthTotal::Parse(monthTotal).value_or(MonthTotal{}).TotalSeconds();
}

}  // namespace

// The stored total is this period's time, unless the billing day changed since it was
// saved (then it belongs to a period that is no more) or SetupBool keeps earlier periods
// in it: then the history tells this period's time. Without a readable history the total
// stays as stored: a history may have been deleted on purpose, and a kept total is never
// lost.
void UsageSession::StartPeriods() {
    periods_.emplace(state_.settings.billingDay, partStart_, partStartRunSeconds_);
    periodBaseSeconds_ = TotalSeconds(state_.monthTotal);
    countedFrom_ = FirstCountedDay();
    if (!state_.billingDayChanged && !state_.settings.keepTotal) return;
    const auto fromHistory = HistorySecondsIn(Period());
    if (!fromHistory) return;
    periodBaseSeconds_ = *fromHistory;
    if (state_.settings.keepTotal) return;
    state_.monthTotal = AddElapsed(kInitialMonthTotal, *fromHistory);
    meter_.Reconfigure(state_.settings.dayLimit, state_.settings.monthLimit, *fromHistory);
}

// Kelo was first started in this period when the history holds no run before it and the
// counting start is the first save's (or nothing was ever saved): the days before were
// never counted, so the pace counts from that day. Otherwise from the period's first day.
CivilDate UsageSession::FirstCountedDay() const {
    if (historyUnreadable_ || (!state_.countStartStored && TotalSeconds(state_.monthTotal) > 0)) return {};
    if (history_.StoredCount() > 0) {
        const auto first = ParseDateTime(history_.At(0).fields.empty() ? "" : history_.At(0).fields[0]);
        if (!first || DaysFromCivil(first->Date()) < DaysFromCivil(Period().start)) return {};
    }
    return state_.countStart.Date();
}

std::optional<int64_t> UsageSession::HistorySecondsIn(const BillingPeriod& period) const {
    if (historyUnreadable_ || history_.StoredCount() == 0) return std::nullopt;
    const LocalDateTime from = FirstSecond(period.start), to = FirstSecond(period.next);
    int64_t seconds = 0;
    try {
        history_.ForEachStoredLine([&](std::string_view line) {
            if (const auto run = RunFromLine(line))
                seconds = std::min(seconds + OnlineSecondsWithin(*run, from, to), kMaxMonthTotalHours * 3600);
        });
    } catch (const KeloError&) {
        return std::nullopt;
    }
    return seconds;
}

int64_t UsageSession::MonthSeconds() const { return TotalSeconds(state_.monthTotal) + PartSeconds(); }

Pace UsageSession::PaceAt(const LocalDateTime& now) const {
    return PaceOf(Period(), now, PeriodSeconds(), countedFrom_);
}

// The file says whether an earlier run of this period gave the balloon: it is read once a
// period, and written at once, so that a later start does not give it again.
std::optional<std::string> UsageSession::TakePaceWarning(const LocalDateTime& now) {
    const Pace pace = PaceAt(now);
    const int32_t limit = state_.settings.monthLimit;
    if (!HeadingPastLimit(pace, PeriodSeconds(), limit)) return std::nullopt;
    const std::string period = FormatDate(Period().start);
    if (paceWarned_ == period) return std::nullopt;
    paceWarned_ = period;
    try {
        const std::string before = env_.files.Read(IniPath()).value_or(std::string());
        IniDocument doc(env_.codec, before);
        if (doc.ReadString(ini::kDate, ini::kPaceWarned, "") == period) return std::nullopt;
        doc.Write(ini::kDate, ini::kPaceWarned, period);
        if (!settingsUnread_) env_.files.Replace(IniPath(), doc.Bytes());
    } catch (const KeloError&) {
        // The checkpoint tells of a file that cannot be read or written; the balloon
        // comes once this run all the same.
    }
    return HeadingPastLimitText(pace, limit);
}

void UsageSession::FollowPeriod() {
    if (const auto cut = periods_->Observe(env_.clock.LocalNow(), meter_.RunSeconds())) CutRun(*cut);
}

size_t UsageSession::UnwrittenPart() const {
    const bool cut = history_.Size() - history_.StoredCount() > 1;
    return cut && PartSeconds() == 0 ? JoinHistoryLine(history_.At(history_.Size() - 1)).size() + 2 : 0;
}

// The run's line ends with the old period; the time after the cut starts a new line and a
// new month. The cut goes into the files at the next checkpoint, which is due at once.
void UsageSession::CutRun(const PeriodCut& cut) {
    const int64_t before = cut.runSecondsAtCut - partStartRunSeconds_;
    const LocalDateTime first = FirstSecond(cut.period.start);
    UsageRecord& current = history_.Last();
    current.fields.resize(std::max<size_t>(current.fields.size(), kRecordFields));
    if (before > 0) {
        current.fields[1] = FormatDateTime(cut.lastOfOld);
        current.fields[2] = FormatDuration(before);
        UsageRecord next = current;  // the run's host, type and address
        next.fields[0] = FormatDateTime(first);
        next.fields[1].clear();
        next.fields[2].clear();
        history_.Append(std::move(next));
        cutUnsaved_ = true;
        lastCheckpointMs_ = env_.clock.MonotonicMs() - kCheckpointIntervalMs;
    } else {
        // Nothing was counted in the old period: the line belongs to the new one alone.
        current.fields[0] = FormatDateTime(first);
    }
    if (state_.settings.keepTotal) {
        state_.monthTotal = AddElapsed(state_.monthTotal, before);
    } else {
        state_.monthTotal = kInitialMonthTotal;
        meter_.NewMonth(cut.runSecondsAtCut);
    }
    periodBaseSeconds_ = 0;
    partStartRunSeconds_ = cut.runSecondsAtCut;
    partStart_ = first;
}

}  // namespace kelo
