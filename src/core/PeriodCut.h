#pragma once
#include <cstdint>
#include <optional>

#include "core/DateTime.h"
#include "core/Tariff.h"

namespace kelo {

// A billing period ended during the run: the run's counted seconds up to the cut belong to
// the periods before, the rest to `period`. The run's line that ends there ends at
// `lastOfOld`, the old period's last second; the next starts at the new period's first.
struct PeriodCut {
    int64_t runSecondsAtCut = 0;
    LocalDateTime lastOfOld;
    BillingPeriod period;
};

// Watches the local clock for the start of the next billing period while a run counts.
// It is asked at every check and tick; the seconds counted since it was last asked lie at
// the end of that stretch, so after a wake from sleep across the period's start they go
// to the new period as far as the time since its start can hold them. A clock set back
// cuts nothing: a period ends only when the clock passes its last second.
class PeriodTracker {
public:
    PeriodTracker(int32_t billingDay, const LocalDateTime& now, int64_t runSeconds);

    std::optional<PeriodCut> Observe(const LocalDateTime& now, int64_t runSeconds);
    const BillingPeriod& Period() const { return period_; }

private:
    int32_t billingDay_;
    BillingPeriod period_;
    int64_t lastRunSeconds_;
};

}  // namespace kelo
