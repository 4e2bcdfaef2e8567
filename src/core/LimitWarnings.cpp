#include "core/LimitWarnings.h"

namespace kelo {

LimitWarnings::LimitWarnings(int32_t warnMinutes, int32_t dayLimitHours, int32_t monthLimitHours,
                             int64_t monthBaseSeconds)
    : dayLimitSeconds_(int64_t{dayLimitHours} * 3600),
      monthLimitSeconds_(int64_t{monthLimitHours} * 3600),
      monthBaseSeconds_(monthBaseSeconds) {
    SetMinutes(warnMinutes);
    // A month already at its limit when the run starts has had its say: the alarm comes.
    if (monthBaseSeconds_ >= monthLimitSeconds_) monthWarned_ = true;
}

void LimitWarnings::NewMonth(int64_t runSecondsAtStart) {
    monthBaseSeconds_ = 0;
    monthStartRunSeconds_ = runSecondsAtStart;
    monthWarned_ = false;
}

bool LimitWarnings::Due(int64_t used, int64_t limit) const {
    if (warnSeconds_ == 0 || limit <= warnSeconds_) return false;
    // Past the limit the alarm speaks instead (a tick that jumps over the whole window).
    return used >= limit - warnSeconds_ && used < limit;
}

std::vector<Warning> LimitWarnings::Check(int64_t runSeconds) {
    std::vector<Warning> due;
    if (runSeconds <= 0) return due;  // as the alarms: counted time only
    if (!dayWarned_ && Due(runSeconds, dayLimitSeconds_)) {
        dayWarned_ = true;
        due.push_back(Warning::Day);
    }
    if (!monthWarned_ && Due(monthBaseSeconds_ + runSeconds - monthStartRunSeconds_, monthLimitSeconds_)) {
        monthWarned_ = true;
        due.push_back(Warning::Month);
    }
    return due;
}

}  // namespace kelo
