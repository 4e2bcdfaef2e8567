#include "core/UsageSession.h"

#include "core/Clock.h"
#include "core/Errors.h"
#include "core/FileStore.h"
#include "core/IniDocument.h"
#include "core/MonthTotal.h"
#include "core/TextCodec.h"

#include <algorithm>
#include <utility>

namespace kelo {

namespace {

// Writes the document only when it differs from what the file holds.
void WriteIni(FileStore& files, const std::string& path, const IniDocument& doc,
              const std::string& before) {
    const std::string after = doc.Bytes();
    if (after != before) files.Replace(path, after);
}

// Why a file could not be saved, and what happens to what it should have held.
std::string HistoryNotSaved(const std::string& error) {
    return error +
           "\n本次的使用记录暂时保存在内存中，文件可以写入后自动补上；本月用时照常保存在 Kelo.ini 中。";
}
std::string TotalNotSaved(const std::string& error) {
    return error + "\n本月用时暂时保存在内存中，文件可以写入后自动保存。";
}

}  // namespace

// Reads the settings at start. A file that another program holds is waited for a few
// seconds; if it still cannot be read the run counts with the defaults, never writes
// over it, and takes the stored values at the first save that can read it.
StartupState UsageSession::LoadStartup() {
    RemoveLeftovers();
    const std::string path = IniPath();
    std::string before;
    try {
        before = env_.files.ReadPatiently(path).value_or(std::string());
    } catch (const KeloError& e) {
        IniDocument defaults(env_.codec);
        StartupState st = LoadSettings(defaults, runStart_, path);
        st.messages.push_back(std::string(e.what()) +
                              "\n本次先按默认设置计时，不会改写这个文件；文件可以读取后，本月用时照常保存。");
        settingsUnread_ = true;
        totalFailureTold_ = true;
        FirstFailureOf(path);  // told here: the windows that read it later stay quiet
        return st;
    }
    IniDocument doc(env_.codec, before);
    StartupState st = LoadSettings(doc, runStart_, path);
    try {
        WriteIni(env_.files, path, doc, before);
    } catch (const KeloError& e) {
        st.messages.push_back(e.what());
    }
    return st;
}

UsageSession::UsageSession(SessionEnvironment env)
    : env_(std::move(env)),
      runStart_(env_.clock.LocalNow()),
      state_(LoadStartup()),
      meter_(env_.clock, state_.settings.dayLimit, state_.settings.monthLimit,
             MonthTotal::Parse(state_.monthTotal).value_or(MonthTotal{}).TotalSeconds()) {
    if (!LoadHistory(true)) historyUnreadable_ = true;
    TakeUpReserve();
    UsageRecord start;
    start.fields = {FormatDateTime(runStart_),     "",
                    "",                            env_.codec.FromUtf8(env_.hostName),
                    kRecordType,                   env_.codec.FromUtf8(env_.ipAddress)};
    history_.Append(std::move(start));
    lastCheckpointMs_ = env_.clock.MonotonicMs();
    partStart_ = runStart_;
    StartPeriods();
}

// Finds the stored records in front of the run's; their texts are read from the file
// when they are shown. A file that cannot be read (another program holds it) is told
// about once, at start, and never saved over; every later save tries again.
bool UsageSession::LoadHistory(bool atStart) {
    try {
        // Only the first part read at start waits for a file held for a moment.
        history_.Open([this, patiently = atStart](uint64_t offset, size_t count, std::string& bytes) mutable {
            env_.files.ReadPart(HistoryPath(), offset, count, bytes, std::exchange(patiently, false));
        });
    } catch (const KeloError& e) {
        if (atStart) {
            state_.messages.push_back(std::string(e.what()) +
                                      "\n本次的使用记录暂时保存在内存中，文件可以读取后自动补上。");
            historyFailureTold_ = true;
        }
        return false;
    }
    // The run's line goes after the file's last bytes, which are checked before it does.
    historyTail_ = {};
    if (history_.StoredBytes() > 0)
        historyTail_ = {true, history_.StoredBytes() - history_.StoredTail().size(), history_.StoredTail(), false};
    return true;
}

void UsageSession::RemoveLeftovers() {
    env_.files.RemoveLeftovers(IniPath());
    env_.files.RemoveLeftovers(HistoryPath());
    env_.files.RemoveLeftovers(ReservePath());
}

std::string UsageSession::IniPath() const { return env_.appDir + ini::kFileName; }
std::string UsageSession::HistoryPath() const { return env_.appDir + kHistoryFileName; }

std::vector<Alarm> UsageSession::OnCheck(bool online) {
    std::vector<Alarm> alarms = meter_.Check(online);
    // A period that ends between two ticks is cut at the seconds counted up to now.
    if (meter_.Counting())
        for (Alarm alarm : meter_.Tick()) alarms.push_back(alarm);
    FollowPeriod();
    return alarms;
}

void UsageSession::SetRunAddress(const std::string& ipv4) {
    UsageRecord& current = history_.Last();
    current.fields.resize(std::max<size_t>(current.fields.size(), kRecordFields));
    current.fields[5] = ipv4;
}

std::vector<Alarm> UsageSession::OnTick() {
    std::vector<Alarm> alarms = meter_.Tick();
    FollowPeriod();
    return alarms;
}

void UsageSession::SaveHistory(bool atExit) {
    if (historyUnreadable_) {
        if (!LoadHistory(false))
            throw KeloError("无法读取文件 \"" + HistoryPath() + "\"，不能在其中添加记录。");
        historyUnreadable_ = false;
    }
    // The run's lines: one, or more once a billing period ended during the run.
    std::string line = history_.Serialize({});
    line.resize(line.size() - UnwrittenPart());
    // A file of bare line feeds is written whole once, in CR LF lines: a CR LF line added
    // to it would make it read as one file of CR LF lines, its own lines one long line.
    if (!atExit && historyTail_.known && history_.CrLfLines() && UpdateHistoryTail(line)) return;
    std::string all = history_.Serialize(StoredLines());
    all.resize(all.size() - UnwrittenPart());
    env_.files.Replace(HistoryPath(), all);
    history_.Rebase(std::string_view(all).substr(0, all.size() - line.size()));
    historyTail_ = {true, all.size() - line.size(), line, true};
}

// The stored lines as the file holds them now. When the file is as the run left it, they
// are its bytes in front of the run's line; when another program has changed it since,
// they are all of it, less the run's own line where it still stands: nothing another
// program wrote is lost.
std::string UsageSession::StoredLines() {
    std::string file = env_.files.Read(HistoryPath()).value_or(std::string());
    const FileTail& tail = historyTail_;
    if (tail.runLine && tail.offset + tail.bytes.size() <= file.size() &&
        file.compare(static_cast<size_t>(tail.offset), tail.bytes.size(), tail.bytes) == 0)
        file.erase(static_cast<size_t>(tail.offset), tail.bytes.size());
    return file;
}

// Adds the run's line after the file's last bytes, or writes it over its earlier
// version. False when the file is not as this run left it: the caller rewrites it whole.
bool UsageSession::UpdateHistoryTail(const std::string& line) {
    const FileTail tail = std::exchange(historyTail_, FileTail{});  // unknown until written
    std::string replacement;
    if (!tail.runLine) {
        replacement = tail.bytes;
        // Only CR LF ends the file's last line.
        if (!replacement.ends_with("\r\n")) replacement += "\r\n";
    }
    replacement += line;
    // Nothing was written: where the run's line stands is still known.
    if (replacement.size() < tail.bytes.size() ||
        !env_.files.UpdateTail(HistoryPath(), tail.offset, tail.bytes, replacement)) {
        historyTail_ = tail;
        return false;
    }
    historyTail_ = {true, tail.offset + replacement.size() - line.size(), line, true};
    return true;
}

// Each file is saved on its own: a history that cannot be written never holds the
// month total back, nor the reverse. What could not be written stays in memory and goes
// in at the next save.
UsageSession::SaveFailures UsageSession::SaveUsage(bool atExit) {
    const LocalDateTime now = env_.clock.LocalNow();
    const int64_t run = meter_.RunSeconds();
    UsageRecord& current = history_.Last();
    current.fields.resize(std::max<size_t>(current.fields.size(), kRecordFields));
    current.fields[1] = FormatDateTime(now);
    current.fields[2] = FormatDuration(run - partStartRunSeconds_);
    SaveFailures failures;
    try {
        SaveHistory(atExit);
    } catch (const KeloError& e) {
        failures.history = e.what();
    }
    try {
        SaveTotal(run);
    } catch (const KeloError& e) {
        failures.total = e.what();
    }
    if (!failures.history && !failures.total) {
        savedRunSeconds_ = run;
        cutUnsaved_ = false;
    }
    if (!failures.history || !failures.total) ++saveCount_;
    lastSaveFailed_ = failures.history || failures.total;
    return failures;
}

void UsageSession::SaveTotal(int64_t run) {
    const std::string path = IniPath();
    const std::string before = env_.files.Read(path).value_or(std::string());
    IniDocument doc(env_.codec, before);
    if (settingsUnread_) AdoptStoredSettings(doc);
    doc.Write(ini::kDate, ini::kSumTime, AddElapsed(state_.monthTotal, run - partStartRunSeconds_));
    doc.Write(ini::kDate, ini::kPeriod, FormatDate(Period().start));
    doc.Write(ini::kDate, ini::kLastRun, FormatDateTime(partStart_));
    if (state_.totalReset || !doc.ReadDateTime(ini::kDate, ini::kCountStart))
        doc.WriteDateTime(ini::kDate, ini::kCountStart, state_.countStart);
    WriteIni(env_.files, path, doc, before);
    savedTotalRunSeconds_ = run;
}

// The settings file reads again after it could not be read at start: the run takes the
// stored total and settings as the start of its line would have, so what is saved is
// the stored total plus this run's time in the period.
void UsageSession::AdoptStoredSettings(IniDocument& doc) {
    StartupState stored = LoadSettings(doc, partStart_, IniPath());
    stored.messages.clear();
    state_ = std::move(stored);
    meter_.Reconfigure(state_.settings.dayLimit, state_.settings.monthLimit,
                       MonthTotal::Parse(state_.monthTotal).value_or(MonthTotal{}).TotalSeconds());
    settingsUnread_ = false;
    StartPeriods();
}

// Tells each file's failure once a run; the rest of a row of failures is kept quiet.
std::optional<std::string> UsageSession::FailuresToTell(const SaveFailures& failures) {
    std::string text;
    auto tell = [&text](const std::optional<std::string>& failure, bool& told, auto notSaved) {
        if (!failure || told) return;
        told = true;
        text += (text.empty() ? "" : "\n\n") + notSaved(*failure);
    };
    tell(failures.history, historyFailureTold_, HistoryNotSaved);
    tell(failures.total, totalFailureTold_, TotalNotSaved);
    if (text.empty()) return std::nullopt;
    return text;
}

std::optional<std::string> UsageSession::CheckpointIfDue() {
    const int64_t now = env_.clock.MonotonicMs();
    if (now - lastCheckpointMs_ < kCheckpointIntervalMs) return std::nullopt;
    lastCheckpointMs_ = now;
    if (meter_.RunSeconds() == savedRunSeconds_ && !cutUnsaved_) return std::nullopt;
    // The seconds saved count up to a moment up to a second before now: the next
    // checkpoint is timed from there.
    if (meter_.Counting()) lastCheckpointMs_ = meter_.CountedUpToMs();
    return FailuresToTell(SaveUsage(false));
}

}  // namespace kelo
