#include "core/Meter.h"

#include "core/Clock.h"

namespace kelo {

Meter::Meter(Clock& clock, int32_t dayLimitHours, int32_t monthLimitHours,
             int64_t monthBaseSeconds)
    : clock_(clock) {
    Reconfigure(dayLimitHours, monthLimitHours, monthBaseSeconds);
}

void Meter::Reconfigure(int32_t dayLimitHours, int32_t monthLimitHours, int64_t monthBaseSeconds) {
    dayLimitSeconds_ = static_cast<int64_t>(dayLimitHours) * 3600;
    monthLimitSeconds_ = static_cast<int64_t>(monthLimitHours) * 3600;
    monthBaseSeconds_ = monthBaseSeconds;
}

void Meter::NewMonth(int64_t runSecondsAtStart) {
    monthBaseSeconds_ = 0;
    monthStartRunSeconds_ = runSecondsAtStart;
    monthAlarmed_ = false;
}

void Meter::Advance() {
    if (!counting_) return;
    const int64_t now = clock_.MonotonicMs();
    if (now <= anchorMs_) return;
    const int64_t whole = (now - anchorMs_) / 1000;
    runSeconds_ += whole;
    anchorMs_ += whole * 1000;
}

std::vector<Alarm> Meter::DueAlarms() {
    std::vector<Alarm> due;
    if (runSeconds_ == 0) return due;  // limits are checked against counted time only
    if (!dayAlarmed_ && runSeconds_ >= dayLimitSeconds_) {
        dayAlarmed_ = true;
        due.push_back(Alarm::Day);
    }
    const int64_t inMonth = runSeconds_ - monthStartRunSeconds_;
    if (!monthAlarmed_ && inMonth > 0 && monthBaseSeconds_ + inMonth >= monthLimitSeconds_) {
        monthAlarmed_ = true;
        due.push_back(Alarm::Month);
    }
    return due;
}

std::vector<Alarm> Meter::Check(bool online) {
    if (stopped_) return {};
    if (online) {
        if (!counting_) {
            counting_ = true;
            anchorMs_ = clock_.MonotonicMs();
        }
        return {};
    }
    Advance();
    counting_ = false;
    return DueAlarms();
}

std::vector<Alarm> Meter::Tick() {
    if (!counting_) return {};
    Advance();
    return DueAlarms();
}

void Meter::Stop() {
    Advance();
    counting_ = false;
    stopped_ = true;
}

}  // namespace kelo
