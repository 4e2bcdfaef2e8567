#include "core/CountedConnection.h"

#include <utility>

#include "core/Clock.h"
#include "core/UsageSession.h"

namespace kelo {

CountedConnection::CountedConnection(ConnectionTable& table, ConnectionChoice choice, FileStore& files,
                                     const TextCodec& codec, Clock& clock, std::string recordPath,
                                     int32_t unitSeconds)
    : monitor_(table, std::move(choice)),
      record_(files, codec, clock, std::move(recordPath), unitSeconds),
      clock_(clock),
      lastSaveMs_(clock.MonotonicMs()) {}

bool CountedConnection::Check() {
    last_ = monitor_.Check();
    record_.Observe(last_);
    return last_.online;
}

void CountedConnection::FollowPeriod(const BillingPeriod& period) {
    if (period_ && DaysFromCivil(period.start) > DaysFromCivil(period_->start))
        record_.CutAt({period.start.year, period.start.month, period.start.day, 0, 0, 0});
    period_ = period;
}

std::optional<std::string> CountedConnection::CheckpointIfDue() {
    std::optional<std::string> failure = monitor_.TakeFailureToTell();
    const int64_t now = clock_.MonotonicMs();
    if (now - lastSaveMs_ < kCheckpointIntervalMs) return failure;
    lastSaveMs_ = now;
    if (auto saved = record_.Save()) failure = failure ? *failure + "\n\n" + *saved : *saved;
    return failure;
}

// The line in progress is written as it stands now, which ends it on disk; it stays open in
// memory, so an exit the user cancels goes on with the same line.
std::optional<std::string> CountedConnection::SaveAtExit() { return record_.Save(); }

std::string CountedConnection::StatusText() const { return CountedConnectionText(Choice(), last_); }

}  // namespace kelo
