#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Meter.h"
#include "core/Settings.h"
#include "core/UsageHistory.h"

namespace kelo {

class Clock;
class FileStore;
class TextCodec;

struct SessionEnvironment {
    FileStore& files;
    const TextCodec& codec;
    Clock& clock;
    std::string appDir;    // with its trailing separator
    std::string hostName;  // UTF-8
    std::string ipAddress;
};

// Checkpoints come at the counter's ticks, a second apart: saving once 14 s have passed
// leaves no more than 15 s of a run unsaved at any moment.
inline constexpr int64_t kCheckpointIntervalMs = 14'000;

// One run of the meter: start-up loading, counting, the periodic checkpoint and the
// exit save. Every save writes the run's record as complete up to now and the month
// total as stored total plus run time, so saving again later replaces, never adds.
// A checkpoint adds the run's line to the history file once and afterwards brings only
// that line up to date, so it costs the same whatever the history's length; the exit
// save rewrites the whole file.
class UsageSession {
public:
    explicit UsageSession(SessionEnvironment env);

    // Messages about bad stored values found at start, to be shown once each.
    const std::vector<std::string>& StartupMessages() const { return state_.messages; }
    const MeterSettings& Settings() const { return state_.settings; }
    const UsageHistory& History() const { return history_; }
    const std::string& MonthTotalText() const { return state_.monthTotal; }
    const LocalDateTime& CountStart() const { return state_.countStart; }
    const LocalDateTime& RunStart() const { return runStart_; }
    int64_t RunSeconds() const { return meter_.RunSeconds(); }
    bool Counting() const { return meter_.Counting(); }

    std::vector<Alarm> OnCheck(bool online);
    std::vector<Alarm> OnTick();

    // Saves when a checkpoint is due (every minute of monotonic time while the run has
    // new online time). Never throws: a failure is kept and retried at the next
    // checkpoint; the text returned is the failure to show, only for the first of a row
    // of failures.
    std::optional<std::string> CheckpointIfDue();

    // The exit save: stops counting, then saves when the run had online time.
    // Throws KeloError when the save fails; nothing is lost from memory then, and the
    // counter can be resumed with Resume().
    void SaveAtExit();
    void Resume();

    bool LastSaveFailed() const { return lastSaveFailed_; }
    // How many saves succeeded: a view of the history refreshes when it changes.
    int SaveCount() const { return saveCount_; }

private:
    std::string IniPath() const;
    std::string HistoryPath() const;
    void SaveUsage(bool atExit);
    void SaveHistory(bool atExit);
    bool UpdateHistoryTail(const std::string& line);
    bool LoadHistory();

    // What the run knows of the history file's end: `bytes` lie at `offset` and end
    // the file. Before the run's line is in the file they are the file's last bytes as
    // loaded; afterwards they are the run's line.
    struct FileTail {
        bool known = false;
        uint64_t offset = 0;
        std::string bytes;
        bool runLine = false;
    };

    SessionEnvironment env_;
    LocalDateTime runStart_;
    StartupState state_;
    UsageHistory history_;
    Meter meter_;
    int64_t lastCheckpointMs_ = 0;
    int64_t savedRunSeconds_ = 0;
    bool lastSaveFailed_ = false;
    bool historyUnreadable_ = false;
    FileTail historyTail_;
    int saveCount_ = 0;
};

}  // namespace kelo
