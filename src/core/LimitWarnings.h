#pragma once
#include <cstdint>
#include <vector>

namespace kelo {

enum class Warning { Day, Month };

// The warnings a few minutes before the limits: each comes once a run, when the counted
// time first enters the last `warnMinutes` before its limit. A limit that is not larger
// than the warning time, or that the month has reached before this run, gets none: its
// alarm is what the user hears.
class LimitWarnings {
public:
    LimitWarnings(int32_t warnMinutes, int32_t dayLimitHours, int32_t monthLimitHours,
                  int64_t monthBaseSeconds);

    // A new billing period began when the run had counted `runSecondsAtStart`: the month
    // starts again from none, and its warning may come again.
    void NewMonth(int64_t runSecondsAtStart);
    // Warnings due at this much counted time of the run.
    std::vector<Warning> Check(int64_t runSeconds);
    // Another warning time from now on (0: none); a warning already given stays given.
    void SetMinutes(int32_t warnMinutes) { warnSeconds_ = int64_t{warnMinutes > 0 ? warnMinutes : 0} * 60; }
    int32_t Minutes() const { return static_cast<int32_t>(warnSeconds_ / 60); }

private:
    bool Due(int64_t used, int64_t limit) const;

    int64_t warnSeconds_ = 0;
    int64_t dayLimitSeconds_;
    int64_t monthLimitSeconds_;
    int64_t monthBaseSeconds_;
    int64_t monthStartRunSeconds_ = 0;
    bool dayWarned_ = false;
    bool monthWarned_ = false;
};

}  // namespace kelo
