#include "core/ConnectionRecord.h"

#include <algorithm>
#include <map>
#include <utility>

#include "core/Clock.h"
#include "core/Errors.h"
#include "core/FileStore.h"
#include "core/TextCodec.h"
#include "core/UsageHistory.h"

namespace kelo {

namespace {

// The file is read through at start in parts of this size.
constexpr size_t kPartBytes = size_t{1} << 20;
// No line the program writes is longer. Of a longer one (or of a long run of empty lines
// at the end) only the last bytes are kept: enough to recognise the file's end when the
// run's lines go after it.
constexpr size_t kMaxLineBytes = 4096;
constexpr size_t kEndBytes = 64;
// Twelve digits of seconds are thirty thousand years: no sum of lines can overflow.
constexpr size_t kMaxSecondDigits = 12;

std::optional<int64_t> ParseSeconds(std::string_view text) {
    if (text.empty() || text.size() > kMaxSecondDigits) return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A name from the system goes into one field of one line whatever it holds.
std::string FieldText(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return text;
}

int64_t ClockSeconds(const LocalDateTime& t) {
    return DaysFromCivil(t.Date()) * 86400 + int64_t{t.hour} * 3600 + int64_t{t.minute} * 60 + t.second;
}

int64_t AddBilled(int64_t sum, int64_t billed) { return std::clamp<int64_t>(sum + billed, 0, kMaxBilledSeconds); }

// What the period's bill needs of a line, read without taking the line apart: the day it
// began and its billed seconds.
std::optional<std::pair<int64_t, int64_t>> DayAndBilled(std::string_view line) {
    size_t bels[4];
    size_t at = 0;
    for (size_t& bel : bels) {
        bel = line.find('\x07', at);
        if (bel == std::string_view::npos) return std::nullopt;
        at = bel + 1;
    }
    const auto start = ParseDateTime(line.substr(0, bels[0]));
    const auto billed = ParseSeconds(line.substr(bels[2] + 1, bels[3] - bels[2] - 1));
    if (!start || !billed) return std::nullopt;
    return std::pair{DaysFromCivil(start->Date()), *billed};
}

void KeepEnd(std::string& bytes) {
    if (bytes.size() > kMaxLineBytes) bytes.erase(0, bytes.size() - kEndBytes);
}

}  // namespace

// Goes through the file's lines as its parts come: sums each day's billed seconds, and
// keeps the last line with the empty lines after it, which end the file.
class ConnectionRecord::Scanner {
public:
    explicit Scanner(std::map<int64_t, int64_t>& billedByDay) : billedByDay_(billedByDay) {}

    void Add(std::string_view part) {
        for (size_t at = 0; at < part.size();) {
            const size_t lf = part.find('\n', at);
            const size_t end = lf == std::string_view::npos ? part.size() : lf + 1;
            offset_ += end - at;
            line_ += part.substr(at, end - at);
            if (line_.size() > kMaxLineBytes) whole_ = false;
            KeepEnd(line_);
            if (lf != std::string_view::npos) EndLine();
            at = end;
        }
    }
    // The file's end: `tail` is what it holds from its last line on.
    void Finish(Tail& tail) {
        if (!line_.empty()) EndLine();
        tail = {true, offset_ - end_.size(), std::move(end_), false};
    }

private:
    void EndLine() {
        if (line_.find_first_not_of("\r\n") == std::string::npos) {
            end_ += line_;
            KeepEnd(end_);
        } else {
            if (const auto line = whole_ ? DayAndBilled(line_) : std::nullopt) {
                int64_t& day = billedByDay_[line->first];
                day = AddBilled(day, line->second);
            }
            end_.swap(line_);
        }
        line_.clear();
        whole_ = true;
    }

    std::map<int64_t, int64_t>& billedByDay_;
    uint64_t offset_ = 0;
    std::string line_;  // the line being read, from its start (or its last bytes when too long)
    bool whole_ = true;
    std::string end_;
};

std::string JoinConnectionLine(const ConnectionSpan& span, const TextCodec& codec) {
    return JoinHistoryLine({{FormatDateTime(span.start), FormatDateTime(span.end), std::to_string(span.onlineSeconds),
                             std::to_string(span.billedSeconds), codec.FromUtf8(FieldText(span.name)),
                             FieldText(span.ipv4)}});
}

std::optional<ConnectionSpan> ParseConnectionLine(std::string_view line, const TextCodec& codec) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::vector<std::string> fields = SplitHistoryLine(line);
    if (fields.size() < 4) return std::nullopt;
    const auto start = ParseDateTime(fields[0]);
    const auto end = ParseDateTime(fields[1]);
    const auto online = ParseSeconds(fields[2]);
    const auto billed = ParseSeconds(fields[3]);
    if (!start || !end || !online || !billed) return std::nullopt;
    return ConnectionSpan{*start, *end, *online, *billed, fields.size() > 4 ? codec.ToUtf8(fields[4]) : "",
                          fields.size() > 5 ? fields[5] : ""};
}

std::vector<ConnectionSpan> ParseConnectionRecord(std::string_view bytes, const TextCodec& codec) {
    std::vector<ConnectionSpan> spans;
    for (size_t at = 0; at < bytes.size();) {
        const size_t lf = std::min(bytes.find('\n', at), bytes.size());
        if (auto span = ParseConnectionLine(bytes.substr(at, lf - at), codec)) spans.push_back(std::move(*span));
        at = lf + 1;
    }
    return spans;
}

int64_t PeriodBilledSeconds(const std::vector<ConnectionSpan>& spans, const BillingPeriod& period) {
    const int64_t first = DaysFromCivil(period.start), next = DaysFromCivil(period.next);
    int64_t sum = 0;
    for (const ConnectionSpan& span : spans) {
        const int64_t day = DaysFromCivil(span.start.Date());
        if (day >= first && day < next) sum = AddBilled(sum, span.billedSeconds);
    }
    return sum;
}

int64_t RoundUpToUnit(int64_t seconds, int32_t unitSeconds) {
    if (unitSeconds < 2 || seconds <= 0) return std::max<int64_t>(seconds, 0);
    return (seconds + unitSeconds - 1) / unitSeconds * unitSeconds;
}

ConnectionRecord::ConnectionRecord(FileStore& files, const TextCodec& codec, Clock& clock, std::string path,
                                   int32_t unitSeconds)
    : files_(files), codec_(codec), clock_(clock), path_(std::move(path)), unitSeconds_(unitSeconds) {
    files_.RemoveLeftovers(path_);
    Load(true);
}

// Reads the file through to find its last line and each day's billed seconds. When it
// cannot be read now (another program holds it) its end stays unknown, and the first
// save reads it whole.
void ConnectionRecord::Load(bool patiently) {
    std::map<int64_t, int64_t> billedByDay;
    Scanner scanner(billedByDay);
    std::string part;
    try {
        for (uint64_t offset = 0;; offset += part.size()) {
            files_.ReadPart(path_, offset, kPartBytes, part, std::exchange(patiently, false));
            scanner.Add(part);
            if (part.size() < kPartBytes) break;
        }
    } catch (const KeloError&) {
        return;
    }
    scanner.Finish(tail_);
    storedBilledByDay_ = std::move(billedByDay);
}

// A restart soon after the last line ended, on the same connection at the same address,
// is the same connection: the line goes on counting.
bool ConnectionRecord::Continue(const ConnectionState& state, const LocalDateTime& now) {
    if (!tail_.known || tail_.ours) return false;
    const std::string_view bytes = tail_.bytes;
    const auto last = ParseConnectionLine(bytes.substr(0, std::min(bytes.find('\n'), bytes.size())), codec_);
    if (!last || last->name != state.name || last->ipv4 != state.ipv4) return false;
    const int64_t gap = ClockSeconds(now) - ClockSeconds(last->end);
    if (gap < 0 || gap > kContinuationSeconds) return false;
    spans_.push_back(*last);
    storedBilledByDay_[DaysFromCivil(last->start.Date())] -= last->billedSeconds;
    openBaseSeconds_ = last->onlineSeconds;
    tail_.ours = true;
    return true;
}

void ConnectionRecord::Observe(const ConnectionState& state) {
    const bool first = !std::exchange(observed_, true);
    // Another connection, or another address, is a new connection for the provider.
    if (open_ && (!state.online || state.name != spans_.back().name || state.ipv4 != spans_.back().ipv4)) End();
    if (!state.online) return;
    if (open_) {
        Refresh();
        return;
    }
    const LocalDateTime now = clock_.LocalNow();
    if (!(first && Continue(state, now))) {
        spans_.push_back({now, now, 0, 0, state.name, state.ipv4});
        openBaseSeconds_ = 0;
    }
    openSinceMs_ = clock_.MonotonicMs();
    open_ = true;
    Refresh();
}

// Brings the connection in progress up to now: whole seconds of the monotonic clock.
void ConnectionRecord::Refresh() {
    if (!open_) return;
    ConnectionSpan& span = spans_.back();
    const int64_t elapsedMs = std::max<int64_t>(clock_.MonotonicMs() - openSinceMs_, 0);
    span.onlineSeconds = openBaseSeconds_ + elapsedMs / 1000;
    span.billedSeconds = RoundUpToUnit(span.onlineSeconds, unitSeconds_);
    span.end = clock_.LocalNow();
}

void ConnectionRecord::SetUnit(int32_t unitSeconds) {
    unitSeconds_ = unitSeconds;
    Refresh();
}

void ConnectionRecord::End() {
    if (!open_) return;
    Refresh();
    open_ = false;
    // A connection that lasted no whole second was never written and is no line.
    if (spans_.back().onlineSeconds == 0 && spans_.size() > settled_) spans_.pop_back();
}

void ConnectionRecord::CutAt(const LocalDateTime& first) {
    if (!open_) return;
    Refresh();
    ConnectionSpan& span = spans_.back();
    const int64_t before = std::clamp<int64_t>(WallSeconds(first) - WallSeconds(span.start), 0, span.onlineSeconds);
    if (before == 0) {
        span.start = first;
        return;
    }
    ConnectionSpan next{first, span.end, span.onlineSeconds - before, 0, span.name, span.ipv4};
    span.end = FromWallSeconds(WallSeconds(first) - 1);
    span.onlineSeconds = before;
    span.billedSeconds = RoundUpToUnit(before, unitSeconds_);
    openBaseSeconds_ -= before;
    spans_.push_back(std::move(next));
    Refresh();
}

// This run's lines that may still change or are not in the file yet.
std::string ConnectionRecord::Unsettled() const {
    std::string bytes;
    for (size_t i = settled_; i < spans_.size(); ++i)
        if (spans_[i].onlineSeconds > 0) bytes += JoinConnectionLine(spans_[i], codec_) + "\r\n";
    return bytes;
}

int64_t ConnectionRecord::BilledSecondsIn(const BillingPeriod& period) const {
    int64_t sum = PeriodBilledSeconds(spans_, period);
    const auto next = storedBilledByDay_.lower_bound(DaysFromCivil(period.next));
    for (auto day = storedBilledByDay_.lower_bound(DaysFromCivil(period.start)); day != next; ++day)
        sum = AddBilled(sum, day->second);
    return sum;
}

std::optional<std::string> ConnectionRecord::Save() {
    try {
        Refresh();
        const std::string fresh = Unsettled();
        if (fresh != (tail_.ours ? tail_.bytes : std::string())) Write(fresh);
        return std::nullopt;
    } catch (const KeloError& e) {
        if (std::exchange(failureTold_, true)) return std::nullopt;
        return std::string(e.what()) + "\n本次的上网明细暂时保存在内存中，文件可以写入后自动补上。";
    }
}

// Puts `fresh` after the file's last bytes as found, or over this run's lines as last
// written; the lines before are never written. A file that is not as expected is
// rewritten whole.
void ConnectionRecord::Write(const std::string& fresh) {
    std::string replacement;
    if (!tail_.ours) {
        replacement = tail_.bytes;
        if (!replacement.empty() && replacement.back() != '\n') replacement += "\r\n";
    }
    replacement += fresh;
    uint64_t freshOffset = 0;
    if (tail_.known && replacement.size() >= tail_.bytes.size() &&
        files_.UpdateTail(path_, tail_.offset, tail_.bytes, replacement)) {
        freshOffset = tail_.offset + replacement.size() - fresh.size();
    } else {
        freshOffset = RewriteWhole(fresh);
    }
    // Lines of ended connections are final now; only the one in progress changes again.
    const std::string inProgress =
        open_ && spans_.back().onlineSeconds > 0 ? JoinConnectionLine(spans_.back(), codec_) + "\r\n" : "";
    settled_ = open_ ? spans_.size() - 1 : spans_.size();
    tail_ = {true, freshOffset + fresh.size() - inProgress.size(), inProgress, true};
}

// The file as it is now, less this run's lines that may have changed wherever they stand
// now, with them last: nothing another program wrote is lost, nothing of the run doubled.
// Answers where the run's lines begin.
uint64_t ConnectionRecord::RewriteWhole(const std::string& fresh) {
    std::string file = files_.Read(path_).value_or(std::string());
    const size_t found = tail_.ours && !tail_.bytes.empty() ? file.rfind(tail_.bytes) : std::string::npos;
    if (found != std::string::npos) file.erase(found, tail_.bytes.size());
    if (!file.empty() && file.back() != '\n') file += "\r\n";
    const uint64_t freshOffset = file.size();
    file += fresh;
    files_.Replace(path_, file);
    return freshOffset;
}

}  // namespace kelo
