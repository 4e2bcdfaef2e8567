#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Meter.h"
#include "core/PeriodCut.h"
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

    // The billing period the run counts in now. When a period ends during the run, the
    // run's line is cut at its last second and a new line starts at the next period's
    // first second; the month total starts again from there (SetupBool keeps it growing).
    const BillingPeriod& Period() const { return periods_->Period(); }
    // The start of the run's line in this period, and its online time.
    const LocalDateTime& PartStart() const { return partStart_; }
    int64_t PartSeconds() const { return meter_.RunSeconds() - partStartRunSeconds_; }
    // The run's seconds at which the month total last started again (0: it has not).
    int64_t MonthStartRunSeconds() const { return state_.settings.keepTotal ? 0 : partStartRunSeconds_; }
    // The month total now: the stored total and the run's time in this period.
    int64_t MonthSeconds() const;
    // This period's own online time now, which the cost and the pace are reckoned from:
    // the month total, unless SetupBool keeps earlier periods in it.
    int64_t PeriodSeconds() const { return periodBaseSeconds_ + PartSeconds(); }
    Pace PaceAt(const LocalDateTime& now) const;
    // The balloon's words when this period's pace leads past the monthly limit: once a
    // billing period, also over runs.
    std::optional<std::string> TakePaceWarning(const LocalDateTime& now);

    std::vector<Alarm> OnCheck(bool online);
    // The address the run's line names from now on: the counted connection's, once it
    // is first seen connected, rather than the host's.
    void SetRunAddress(const std::string& ipv4);
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
    // The billing periods of the run, from the start of its current part.
    void StartPeriods();
    void FollowPeriod();
    void CutRun(const PeriodCut& cut);
    // The bytes of the run's last line when it is not written: a period that began
    // without online time of the run yet has no line, as a run never online has none.
    size_t UnwrittenPart() const;
    // The online time of `period` as the stored history has it; none when there is no
    // history or it cannot be read.
    std::optional<int64_t> HistorySecondsIn(const BillingPeriod& period) const;
    // The day the pace of this period counts from.
    CivilDate FirstCountedDay() const;
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

    std::optional<PeriodTracker> periods_;
    LocalDateTime partStart_;
    int64_t partStartRunSeconds_ = 0;
    int64_t periodBaseSeconds_ = 0;  // the period's online time before the run's part
    CivilDate countedFrom_;
    std::optional<std::string> paceWarned_;  // the first day of the period whose balloon was given
    bool cutUnsaved_ = false;       // the run's line was cut since the last save
};

}  // namespace kelo
