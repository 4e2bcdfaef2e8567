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

StartupState LoadStartup(const SessionEnvironment& env, const LocalDateTime& now) {
    const std::string path = env.appDir + ini::kFileName;
    const std::string before = env.files.Read(path).value_or(std::string());
    IniDocument doc(env.codec, before);
    StartupState st = LoadSettings(doc, now);
    try {
        WriteIni(env.files, path, doc, before);
    } catch (const KeloError& e) {
        st.messages.push_back(e.what());
    }
    return st;
}

}  // namespace

UsageSession::UsageSession(SessionEnvironment env)
    : env_(std::move(env)),
      runStart_(env_.clock.LocalNow()),
      state_(LoadStartup(env_, runStart_)),
      meter_(env_.clock, state_.settings.dayLimit, state_.settings.monthLimit,
             MonthTotal::Parse(state_.monthTotal).value_or(MonthTotal{}).TotalSeconds()) {
    if (!LoadHistory()) historyUnreadable_ = true;
    UsageRecord start;
    start.fields = {FormatDateTime(runStart_),     "",
                    "",                            env_.codec.FromUtf8(env_.hostName),
                    kRecordType,                   env_.codec.FromUtf8(env_.ipAddress)};
    history_.Append(std::move(start));
    lastCheckpointMs_ = env_.clock.MonotonicMs();
}

// Reads the stored records in front of the run's. A file that cannot be read (another
// program holds it) is told about once, at start, and never saved over; every later
// save tries again.
bool UsageSession::LoadHistory() {
    std::optional<std::string> bytes;
    try {
        bytes = env_.files.Read(HistoryPath());
    } catch (const KeloError& e) {
        if (!historyUnreadable_) state_.messages.push_back(e.what());
        return false;
    }
    static const std::string kNoFile;
    const std::string& file = bytes ? *bytes : kNoFile;
    history_.Load(file);
    // The run's line goes after the file's last bytes, which are checked before it does.
    historyTail_ = {};
    if (!file.empty()) {
        const size_t keep = std::min<size_t>(file.size(), 64);
        historyTail_ = {true, file.size() - keep, file.substr(file.size() - keep), false};
    }
    return true;
}

std::string UsageSession::IniPath() const { return env_.appDir + ini::kFileName; }
std::string UsageSession::HistoryPath() const { return env_.appDir + kHistoryFileName; }

std::vector<Alarm> UsageSession::OnCheck(bool online) { return meter_.Check(online); }
std::vector<Alarm> UsageSession::OnTick() { return meter_.Tick(); }

void UsageSession::SaveHistory(bool atExit) {
    if (historyUnreadable_) {
        if (!LoadHistory()) return;
        historyUnreadable_ = false;
    }
    const std::string line = JoinHistoryLine(history_.Last()) + "\r\n";
    if (!atExit && historyTail_.known && UpdateHistoryTail(line)) return;
    const std::string all = history_.Serialize();
    env_.files.Replace(HistoryPath(), all);
    historyTail_ = {true, all.size() - line.size(), line, true};
}

// Adds the run's line after the file's last bytes, or writes it over its earlier
// version. False when the file is not as this run left it: the caller rewrites it whole.
bool UsageSession::UpdateHistoryTail(const std::string& line) {
    const FileTail tail = std::exchange(historyTail_, FileTail{});  // unknown until written
    std::string replacement;
    if (!tail.runLine) {
        replacement = tail.bytes;
        if (replacement.back() != '\n') replacement += "\r\n";
    }
    replacement += line;
    if (replacement.size() < tail.bytes.size()) return false;
    if (!env_.files.UpdateTail(HistoryPath(), tail.offset, tail.bytes, replacement)) return false;
    historyTail_ = {true, tail.offset + replacement.size() - line.size(), line, true};
    return true;
}

void UsageSession::SaveUsage(bool atExit) {
    const LocalDateTime now = env_.clock.LocalNow();
    const int64_t run = meter_.RunSeconds();
    UsageRecord& current = history_.Last();
    current.fields.resize(std::max<size_t>(current.fields.size(), kRecordFields));
    current.fields[1] = FormatDateTime(now);
    current.fields[2] = FormatDuration(run);
    SaveHistory(atExit);

    const std::string path = IniPath();
    const std::string before = env_.files.Read(path).value_or(std::string());
    IniDocument doc(env_.codec, before);
    doc.Write(ini::kDate, ini::kSumTime, AddElapsed(state_.monthTotal, run));
    doc.Write(ini::kDate, ini::kPeriod,
              FormatDate(BillingPeriodStart(runStart_.Date(), state_.settings.billingDay)));
    doc.Write(ini::kDate, ini::kLastRun, FormatDateTime(runStart_));
    if (state_.totalReset || !doc.ReadDateTime(ini::kDate, ini::kCountStart))
        doc.WriteDateTime(ini::kDate, ini::kCountStart, state_.countStart);
    WriteIni(env_.files, path, doc, before);
    savedRunSeconds_ = run;
    ++saveCount_;
}

std::optional<std::string> UsageSession::CheckpointIfDue() {
    const int64_t now = env_.clock.MonotonicMs();
    if (now - lastCheckpointMs_ < kCheckpointIntervalMs) return std::nullopt;
    lastCheckpointMs_ = now;
    if (meter_.RunSeconds() == savedRunSeconds_) return std::nullopt;
    try {
        SaveUsage(false);
        lastSaveFailed_ = false;
        return std::nullopt;
    } catch (const KeloError& e) {
        const bool firstOfRow = !lastSaveFailed_;
        lastSaveFailed_ = true;
        if (firstOfRow) return std::string(e.what());
        return std::nullopt;
    }
}

void UsageSession::SaveAtExit() {
    meter_.Stop();
    if (meter_.RunSeconds() == 0) return;
    try {
        SaveUsage(true);
        lastSaveFailed_ = false;
    } catch (const KeloError&) {
        lastSaveFailed_ = true;
        throw;
    }
}

void UsageSession::Resume() { meter_.Resume(); }

}  // namespace kelo
