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
class IniDocument;
class TextCodec;

struct SessionEnvironment {
    FileStore& files;
    const TextCodec& codec;
    Clock& clock;
    std::string appDir;    // with its trailing separator
    std::string hostName;  // UTF-8
    std::string ipAddress;
};

// Checkpoints come at the timers' ticks, never more than 2 s apart (the connection check),
// once 13 s have passed since the moment the saved figure counts up to: no more than 15 s
// of a run are ever unsaved, however the ticks fall.
inline constexpr int64_t kCheckpointIntervalMs = 13'000;

// Room kept on the disk for the last saves of a run: a file of the program's own, made at
// start where there is room. When the exit saves fail (a full disk) most of it is given
// up and they are tried again; its first part then tells the next start what was lost.
inline constexpr const char* kReserveFileName = "Kelo.reserve";
inline constexpr size_t kReserveBytes = 64 * 1024;
inline constexpr size_t kLossNoteBytes = 4 * 1024;

// One run of the meter: start-up loading, counting, the periodic checkpoint and the
// exit save. Every save writes the run's record as complete up to now and the month
// total as stored total plus run time, so saving again later replaces, never adds.
// A checkpoint adds the run's line to the history file once and afterwards brings only
// that line up to date, so it costs the same whatever the history's length; the exit
// save rewrites the whole file. The stored records are not held in memory: the history
// reads them from the file when they are shown or saved again.
class UsageSession {
public:
    explicit UsageSession(SessionEnvironment env);
    // The history reads its file through the session.
    UsageSession(const UsageSession&) = delete;
    UsageSession& operator=(const UsageSession&) = delete;

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

    // Saves when a checkpoint is due (13 s of monotonic time after the moment the last
    // saved figure counts up to, while the run has new online time). Never throws: what could not be written is kept and retried at
    // the next checkpoint; the text returned is the failure to show, each file's only
    // the first time it fails in a run.
    std::optional<std::string> CheckpointIfDue();

    // The exit save: stops counting, then saves when the run had online time. A failed
    // save is tried again with the reserve's room, the run's line written over its place
    // in the history. Throws KeloError naming what could not be written and what would be
    // lost (the other file is saved all the same); nothing is lost from memory then, the
    // next start is told of it unless a later save gets through, and the counter can be
    // resumed with Resume().
    void SaveAtExit();
    void Resume();

    bool LastSaveFailed() const { return lastSaveFailed_; }
    // How many saves succeeded: a view of the history refreshes when it changes.
    int SaveCount() const { return saveCount_; }

private:
    // Each file's error as it was thrown.
    struct SaveFailures {
        std::optional<std::string> history;
        std::optional<std::string> total;
    };
    std::string IniPath() const;
    std::string HistoryPath() const;
    void RemoveLeftovers();
    StartupState LoadStartup();
    SaveFailures SaveUsage(bool atExit);
    void SaveHistory(bool atExit);
    void SaveTotal(int64_t runSeconds);
    void AdoptStoredSettings(IniDocument& doc);
    std::optional<std::string> FailuresToTell(const SaveFailures& failures);
    bool UpdateHistoryTail(const std::string& line);
    std::string StoredLines();
    bool LoadHistory(bool atStart);
    // The reserve (UsageSessionExit.cpp).
    std::string ReservePath() const;
    void TakeUpReserve();
    void MakeReserve();
    void NoteLoss(const SaveFailures& failures);
    std::string Losses(const SaveFailures& failures, const char* run) const;

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
    // Set while the start-up state is read, so declared before it.
    bool settingsUnread_ = false;  // the settings file could not be read at start
    bool historyFailureTold_ = false;
    bool totalFailureTold_ = false;
    StartupState state_;
    UsageHistory history_;
    Meter meter_;
    int64_t lastCheckpointMs_ = 0;  // what was saved counts up to here, or nothing was new then
    int64_t savedRunSeconds_ = 0;
    bool lastSaveFailed_ = false;
    bool historyUnreadable_ = false;
    int64_t savedTotalRunSeconds_ = 0;  // of the run, in the stored month total
    std::string lossNote_;               // what the reserve tells the next start, if anything

    FileTail historyTail_;
    int saveCount_ = 0;
};

}  // namespace kelo
