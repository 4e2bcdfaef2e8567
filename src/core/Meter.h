#pragma once
#include <cstdint>
#include <vector>

namespace kelo {

class Clock;

enum class Alarm { Day, Month };

// The online-time counter of one run. It counts whole seconds of a monotonic clock
// while the connection is up, so late, coalesced or blocked ticks lose nothing and
// changes of the wall clock count nothing. Each limit alarm comes at most once a run.
class Meter {
public:
    Meter(Clock& clock, int32_t dayLimitHours, int32_t monthLimitHours,
          int64_t monthBaseSeconds);

    // The connection check: online starts the counter (a running one keeps its
    // rhythm); offline first counts the whole seconds up to now, then stops it.
    std::vector<Alarm> Check(bool online);
    // The counter's tick: counts the whole seconds since it last advanced.
    std::vector<Alarm> Tick();
    // Stops counting for good (exit): whole seconds up to now are counted first.
    void Stop();
    // Takes counting up again after a Stop whose save could not be completed; the
    // counter restarts at the next online check.
    void Resume() { stopped_ = false; }
    // New limits and month base (the stored settings could be read only after the start);
    // an alarm already given stays given.
    void Reconfigure(int32_t dayLimitHours, int32_t monthLimitHours, int64_t monthBaseSeconds);

    // A new billing period began when the run had counted `runSecondsAtStart`: the month
    // starts again from none, and its alarm may come again. The daily limit goes on
    // judging the whole run.
    void NewMonth(int64_t runSecondsAtStart);

    bool Counting() const { return counting_; }
    int64_t RunSeconds() const { return runSeconds_; }
    // The monotonic time up to which RunSeconds() counts (a fraction of a second before
    // now while counting).
    int64_t CountedUpToMs() const { return anchorMs_; }

private:
    void Advance();
    std::vector<Alarm> DueAlarms();

    Clock& clock_;
    int64_t dayLimitSeconds_;
    int64_t monthLimitSeconds_;
    int64_t monthBaseSeconds_;
    int64_t monthStartRunSeconds_ = 0;  // the run's seconds that belong to earlier months
    bool counting_ = false;
    bool stopped_ = false;
    int64_t anchorMs_ = 0;  // monotonic time up to which online time has been counted
    int64_t runSeconds_ = 0;
    bool dayAlarmed_ = false;
    bool monthAlarmed_ = false;
};

}  // namespace kelo
