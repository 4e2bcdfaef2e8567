#include "core/PeriodCut.h"

#include <algorithm>

namespace kelo {

PeriodTracker::PeriodTracker(int32_t billingDay, const LocalDateTime& now, int64_t runSeconds)
    : billingDay_(billingDay), period_(BillingPeriodOf(now.Date(), billingDay)), lastRunSeconds_(runSeconds) {}

std::optional<PeriodCut> PeriodTracker::Observe(const LocalDateTime& now, int64_t runSeconds) {
    const int64_t counted = std::max<int64_t>(runSeconds - lastRunSeconds_, 0);
    lastRunSeconds_ = runSeconds;
    const int64_t next = DaysFromCivil(period_.next) * 86400;
    const int64_t wall = WallSeconds(now);
    if (wall < next) return std::nullopt;
    const BillingPeriod current = BillingPeriodOf(now.Date(), billingDay_);
    const int64_t sinceStart = wall - DaysFromCivil(current.start) * 86400;
    const PeriodCut cut{runSeconds - std::min(counted, sinceStart), FromWallSeconds(next - 1), current};
    period_ = current;
    return cut;
}

}  // namespace kelo
