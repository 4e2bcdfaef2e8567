#include "core/UsageHistory.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "core/Errors.h"

namespace kelo {

namespace {
constexpr char kBel = '\x07';
// The file is read in parts of this size: a long history never needs its whole size in
// memory, and few parts keep the opening of the file rare.
constexpr size_t kPartBytes = size_t{1} << 20;
// The list asks for the rows it shows; they are read from the file this many at a time.
constexpr size_t kBlockRows = 64;
// What is kept of the file's end: enough to recognise it when the run's line goes after it.
constexpr size_t kTailBytes = 64;

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

// Calls `found` with the position of every `byte` in `text`, in order. Eight bytes at a
// time with no branch per byte: a long history is searched through once at start.
template <class Found>
void ForEachByte(std::string_view text, char byte, Found found) {
    constexpr uint64_t kLows = 0x7F7F7F7F7F7F7F7Full;
    const uint64_t pattern = 0x0101010101010101ull * static_cast<unsigned char>(byte);
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        word ^= pattern;
        // The high bit of each byte that is zero now, exactly: no carry crosses a byte.
        uint64_t hits = ~(((word & kLows) + kLows) | word | kLows);
        for (; hits != 0; hits &= hits - 1) found(i + static_cast<size_t>(std::countr_zero(hits)) / 8);
    }
    for (; i < text.size(); ++i)
        if (text[i] == byte) found(i);
}

// Where the line break that ends the line starting at `at` stands in `bytes`, or npos.
// In a file of CR LF lines, as the program writes them, only CR LF ends a line: a lone CR
// or LF (binary garbage) is part of the line. In a file of bare line feeds (written by
// another tool) a line feed ends the line, a CR before it with it.
size_t LineEnd(std::string_view bytes, size_t at, bool crLfLines) {
    for (size_t lf = FindByte(bytes, '\n', at); lf != std::string_view::npos; lf = FindByte(bytes, '\n', lf + 1)) {
        const bool cr = lf > at && bytes[lf - 1] == '\r';
        if (cr) return lf - 1;
        if (!crLfLines) return lf;
    }
    return std::string_view::npos;
}

// The line that starts at `at` in `bytes`, without its line break; `next` is where the
// line after it starts.
std::string_view LineAt(std::string_view bytes, size_t at, bool crLfLines, size_t* next = nullptr) {
    at = std::min(at, bytes.size());
    const size_t end = LineEnd(bytes, at, crLfLines);
    if (next) next[0] = end == std::string_view::npos ? bytes.size() : end + (bytes[end] == '\r' ? 2 : 1);
    return bytes.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
}

// A file with a CR LF in it ends its lines in CR LF; one without, in line feeds.
bool EndsLinesWithCrLf(std::string_view bytes) { return bytes.find("\r\n") != std::string_view::npos; }

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

// Finds where the lines that are not empty start, in a file given part by part. A file
// with a CR LF in it ends its lines in CR LF only, one without in line feeds (see
// LineEnd): both are followed until the first CR LF shows which. A CR and its LF may
// fall in different parts.
class UsageHistory::Indexer {
public:
    void Add(std::string_view part) {
        ForEachByte(part, '\n', [&](size_t lf) {
            const bool cr = (lf > 0 ? part[lf - 1] : last_) == '\r';
            lfSeen_ = true;
            if (cr && !crLfSeen_) {
                crLfSeen_ = true;
                std::vector<uint64_t>().swap(lf_.starts);
            }
            if (cr) crLf_.EndLine(offset_ + lf - 1, offset_ + lf + 1);
            if (!crLfSeen_) lf_.EndLine(offset_ + lf, offset_ + lf + 1);
        });
        if (!part.empty()) last_ = part.back();
        offset_ += part.size();
        tail_.append(part.substr(part.size() - std::min(part.size(), kTailBytes)));
        if (tail_.size() > kTailBytes) tail_.erase(0, tail_.size() - kTailBytes);
    }
    void Finish(UsageHistory& history) {
        Lines& lines = crLfSeen_ ? crLf_ : lf_;
        lines.EndLine(offset_, offset_);
        lines.starts.shrink_to_fit();
        history.starts_ = std::move(lines.starts);
        history.storedBytes_ = offset_;
        history.tail_ = std::move(tail_);
        history.crLfLines_ = crLfSeen_ || !lfSeen_;
        history.cached_.clear();
    }

private:
    struct Lines {
        std::vector<uint64_t> starts;
        uint64_t lineStart = 0;
        // The line from lineStart ends at `end`, its line break or the file's end.
        void EndLine(uint64_t end, uint64_t next) {
            if (end > lineStart) starts.push_back(lineStart);
            lineStart = next;
        }
    };

    Lines crLf_, lf_;
    bool crLfSeen_ = false;
    bool lfSeen_ = false;
    uint64_t offset_ = 0;
    char last_ = 0;
    std::string tail_;
};

// The history is taken over only once the whole file has been read: a file that fails
// part-way leaves the history as it was.
void UsageHistory::Open(HistoryReader read) {
    Indexer indexer;
    std::string part;
    for (uint64_t offset = 0;; offset += part.size()) {
        read(offset, kPartBytes, part);
        indexer.Add(part);
        if (part.size() < kPartBytes) break;
    }
    indexer.Finish(*this);
    read_ = std::move(read);
}

void UsageHistory::Load(std::string fileBytes) {
    auto bytes = std::make_shared<const std::string>(std::move(fileBytes));
    Open([bytes](uint64_t offset, size_t count, std::string& part) {
        part.clear();
        if (offset < bytes->size()) part.assign(*bytes, static_cast<size_t>(offset), count);
    });
}

void UsageHistory::Rebase(std::string_view storedLines) {
    Indexer indexer;
    indexer.Add(storedLines);
    indexer.Finish(*this);
}

void UsageHistory::Append(UsageRecord record) { appended_.push_back(std::move(record)); }

void UsageHistory::ReadRows(size_t first, size_t last, std::string& bytes,
                            const std::function<void(size_t row, std::string_view line)>& visit) const {
    const uint64_t from = starts_[first];
    const uint64_t to = last < starts_.size() ? starts_[last] : storedBytes_;
    read_(from, static_cast<size_t>(to - from), bytes);
    for (size_t row = first; row < last; ++row)
        visit(row, LineAt(bytes, static_cast<size_t>(starts_[row] - from), crLfLines_));
}

// The list asks for each cell it paints: the rows around it are read once and kept until
// the list shows others. A row that cannot be read now is shown empty, never kept.
UsageRecord UsageHistory::At(size_t i) const {
    if (i >= starts_.size()) return appended_[i - starts_.size()];
    if (i < cachedFirst_ || i >= cachedFirst_ + cached_.size()) {
        const size_t first = i / kBlockRows * kBlockRows;
        std::vector<UsageRecord> block;
        std::string bytes;
        try {
            ReadRows(first, std::min(first + kBlockRows, starts_.size()), bytes,
                     [&block](size_t, std::string_view line) { block.push_back({SplitHistoryLine(line)}); });
        } catch (const KeloError&) {
            return {};
        }
        cached_ = std::move(block);
        cachedFirst_ = first;
    }
    return cached_[i - cachedFirst_];
}

void UsageHistory::ForEachStoredLine(const std::function<void(std::string_view line)>& visit) const {
    std::string bytes;  // one part's room, kept from part to part
    for (size_t first = 0, last = 0; first < starts_.size(); first = last) {
        last = first + 1;
        while (last < starts_.size() && starts_[last] - starts_[first] < kPartBytes) ++last;
        ReadRows(first, last, bytes, [&visit](size_t, std::string_view line) { visit(line); });
    }
}

std::string UsageHistory::Serialize(std::string_view storedLines) const {
    std::string out;
    out.reserve(storedLines.size() + appended_.size() * 80);
    // Every stored line goes back as it was read, also one the program cannot make sense of.
    const bool crLfLines = EndsLinesWithCrLf(storedLines);
    for (size_t at = 0; at < storedLines.size();) {
        const std::string_view line = LineAt(storedLines, at, crLfLines, &at);
        if (line.empty()) continue;
        out += line;
        out += "\r\n";
    }
    for (const UsageRecord& record : appended_) {
        out += JoinHistoryLine(record);
        out += "\r\n";
    }
    return out;
}

}  // namespace kelo
