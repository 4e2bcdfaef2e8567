#include "core/UsageHistory.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "core/DateTime.h"

namespace kelo {

namespace {
constexpr char kBel = '\x07';
constexpr size_t kDateTimeLength = 19;   // "yyyy-mm-dd hh:mm:ss"
constexpr int64_t kEpochDays = 10957;    // 2000-01-01, in days since 1970-01-01
constexpr int64_t kSecondsPerDay = 86400;

// Where `byte` comes first in `text` from `from`, or npos. Eight bytes at a time: the C
// library's own search is a byte at a time on some systems, and a long history is
// searched once per line at start.
size_t FindByte(std::string_view text, char byte, size_t from) {
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    const uint64_t pattern = kOnes * static_cast<unsigned char>(byte);
    size_t i = from;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        word ^= pattern;
        if ((word - kOnes) & ~word & kHighs) break;
    }
    for (; i < text.size(); ++i)
        if (text[i] == byte) return i;
    return std::string_view::npos;
}

// The same bytes, compared here for the same reason.
bool SameBytes(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// The value of `count` digits from `at`, or -1 when one of them is no digit.
int Digits(std::string_view text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// The value of two digits, or more than 99 when one of them is no digit.
unsigned TwoDigits(const char* at) {
    const unsigned tens = static_cast<unsigned char>(at[0]) - '0';
    const unsigned ones = static_cast<unsigned char>(at[1]) - '0';
    return tens > 9 || ones > 9 ? 100 : tens * 10 + ones;
}

// Reads dates and times written exactly as the program writes them, as seconds since
// 2000 when they fit, or -1; no other text, so that writing the seconds back gives the same
// bytes. The runs of a day share their date, whose day is kept from the last text read.
class DateTimePacker {
public:
    int64_t Pack(std::string_view text) {
        const char* t = text.data();
        if (text.size() != kDateTimeLength || t[4] != '-' || t[7] != '-' || t[10] != ' ' ||
            t[13] != ':' || t[16] != ':')
            return -1;
        if (!known_ || std::memcmp(t, lastDate_, sizeof lastDate_) != 0) {
            const CivilDate d{Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2)};
            if (!IsValid(d) || d.year < 2000) return -1;
            std::memcpy(lastDate_, t, sizeof lastDate_);
            lastDays_ = DaysFromCivil(d) - kEpochDays;
            known_ = true;
        }
        const unsigned hour = TwoDigits(t + 11), minute = TwoDigits(t + 14), second = TwoDigits(t + 17);
        if (hour > 23 || minute > 59 || second > 59) return -1;
        const int64_t seconds = lastDays_ * kSecondsPerDay + hour * 3600 + minute * 60 + second;
        return seconds > UINT32_MAX ? -1 : seconds;
    }

private:
    bool known_ = false;
    char lastDate_[10] = {};  // "yyyy-mm-dd"
    int64_t lastDays_ = 0;
};

// An online time written as the program writes it: at least two digits of hours, no
// leading zero beyond them, two of minutes and two of seconds; its seconds, or -1.
int64_t PackOnline(std::string_view text) {
    const size_t hours = text.find(':');
    if (hours == std::string_view::npos || hours < 2 || hours > 6 || (hours > 2 && text[0] == '0') ||
        text.size() != hours + 6 || text[hours + 3] != ':')
        return -1;
    const int h = Digits(text, 0, hours);
    const unsigned m = TwoDigits(text.data() + hours + 1), s = TwoDigits(text.data() + hours + 4);
    if (h < 0 || m > 59 || s > 59) return -1;
    return int64_t{h} * 3600 + m * 60 + s;
}

void AppendDigits(std::string& out, int64_t value, int count) {
    char digits[20];
    for (int i = count - 1; i >= 0; --i, value /= 10) digits[i] = static_cast<char>('0' + value % 10);
    out.append(digits, static_cast<size_t>(count));
}

void AppendDateTime(std::string& out, uint32_t packed) {
    const CivilDate d = CivilFromDays(kEpochDays + packed / kSecondsPerDay);
    const uint32_t time = packed % kSecondsPerDay;
    AppendDigits(out, d.year, 4);
    out += '-';
    AppendDigits(out, d.month, 2);
    out += '-';
    AppendDigits(out, d.day, 2);
    out += ' ';
    AppendDigits(out, time / 3600, 2);
    out += ':';
    AppendDigits(out, time / 60 % 60, 2);
    out += ':';
    AppendDigits(out, time % 60, 2);
}

void AppendOnline(std::string& out, uint32_t seconds) {
    const uint32_t hours = seconds / 3600;
    int width = 2;
    for (uint32_t rest = hours / 100; rest > 0; rest /= 10) ++width;
    AppendDigits(out, hours, width);
    out += ':';
    AppendDigits(out, seconds / 60 % 60, 2);
    out += ':';
    AppendDigits(out, seconds % 60, 2);
}

}  // namespace

std::vector<std::string> SplitHistoryLine(std::string_view line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t bel = line.find(kBel); bel != std::string_view::npos;
         bel = line.find(kBel, start)) {
        fields.emplace_back(line.substr(start, bel - start));
        start = bel + 1;
    }
    if (start < line.size()) fields.emplace_back(line.substr(start));
    return fields;
}

std::string JoinHistoryLine(const UsageRecord& record) {
    std::string line;
    const size_t count = std::max<size_t>(record.fields.size(), kRecordFields);
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) line += kBel;
        if (i < record.fields.size()) line += record.fields[i];
    }
    return line;
}

void UsageHistory::Load(std::string_view fileBytes) {
    stored_.clear();
    rests_.clear();
    verbatim_.clear();
    verbatimLines_.clear();
    // The texts after the third BEL, by their bytes in the file; most lines share the
    // one before them.
    std::unordered_map<std::string_view, uint32_t> restIds;
    std::string_view lastRest;
    uint32_t lastRestId = kVerbatim;
    auto restId = [&](std::string_view rest) {
        if (lastRestId == kVerbatim || !SameBytes(rest, lastRest)) {
            const auto [at, added] = restIds.try_emplace(rest, static_cast<uint32_t>(rests_.size()));
            if (added) rests_.emplace_back(rest);
            lastRest = rest;
            lastRestId = at->second;
        }
        return lastRestId;
    };
    DateTimePacker dates;
    auto keep = [&](std::string_view line) {
        const size_t online = kDateTimeLength * 2 + 2;
        const size_t restAt = line.size() > online ? FindByte(line, kBel, online) : std::string_view::npos;
        if (restAt != std::string_view::npos && line[kDateTimeLength] == kBel &&
            line[online - 1] == kBel) {
            const auto start = dates.Pack(line.substr(0, kDateTimeLength));
            const auto end = dates.Pack(line.substr(kDateTimeLength + 1, kDateTimeLength));
            const auto time = PackOnline(line.substr(online, restAt - online));
            if (start >= 0 && end >= 0 && time >= 0 && rests_.size() < kVerbatim) {
                stored_.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(end),
                                   static_cast<uint32_t>(time), restId(line.substr(restAt + 1))});
                return;
            }
        }
        stored_.push_back({static_cast<uint32_t>(verbatimLines_.size()), 0, 0, kVerbatim});
        verbatimLines_.emplace_back(verbatim_.size(), line.size());
        verbatim_ += line;
    };
    size_t start = 0;
    while (start < fileBytes.size()) {
        size_t lf = FindByte(fileBytes, '\n', start);
        if (lf == std::string_view::npos) lf = fileBytes.size();
        size_t end = lf;
        if (end > start && fileBytes[end - 1] == '\r') --end;
        if (end > start) keep(fileBytes.substr(start, end - start));
        start = lf + 1;
    }
}

void UsageHistory::Append(UsageRecord record) { appended_.push_back(std::move(record)); }

std::string_view UsageHistory::StoredLine(size_t i, std::string& buffer) const {
    const StoredRecord& record = stored_[i];
    if (record.rest == kVerbatim) {
        const auto [offset, length] = verbatimLines_[record.start];
        return std::string_view(verbatim_).substr(offset, length);
    }
    buffer.clear();
    AppendDateTime(buffer, record.start);
    buffer += kBel;
    AppendDateTime(buffer, record.end);
    buffer += kBel;
    AppendOnline(buffer, record.online);
    buffer += kBel;
    buffer += rests_[record.rest];
    return buffer;
}

UsageRecord UsageHistory::At(size_t i) const {
    std::string buffer;
    if (i < stored_.size()) return {SplitHistoryLine(StoredLine(i, buffer))};
    return appended_[i - stored_.size()];
}

std::string UsageHistory::LineOf(size_t i) const {
    if (i < stored_.size()) {
        std::string buffer;
        const std::string_view line = StoredLine(i, buffer);
        // A line of six or more fields goes back as it came; a shorter one is padded.
        // An empty text after the last BEL is no field.
        const auto bels = static_cast<size_t>(std::count(line.begin(), line.end(), kBel));
        const size_t fields = bels + (line.back() != kBel ? 1 : 0);
        if (fields >= static_cast<size_t>(kRecordFields)) return std::string(line);
        return JoinHistoryLine({SplitHistoryLine(line)});
    }
    return JoinHistoryLine(appended_[i - stored_.size()]);
}

std::string UsageHistory::Serialize() const {
    std::string out;
    out.reserve(Size() * 80);
    for (size_t i = 0; i < Size(); ++i) {
        out += LineOf(i);
        out += "\r\n";
    }
    return out;
}

}  // namespace kelo
