#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelo {

inline constexpr const char* kHistoryFileName = "Kelo.trv";
inline constexpr const char* kRecordType = "Kelo";
inline constexpr int kRecordFields = 6;

// One run in the history: start, end, online time, host name, type, IP address.
// Fields are kept in the file's encoding, so a record read from the file is written
// back byte for byte.
struct UsageRecord {
    std::vector<std::string> fields;
};

// The fields of one history line: every text before a BEL is a field, also when
// empty; the text after the last BEL is a field only when it is not empty.
std::vector<std::string> SplitHistoryLine(std::string_view line);
// The line of a record without its line break: at least six fields, joined by BEL.
std::string JoinHistoryLine(const UsageRecord& record);

// Up to `count` bytes of the history file from `offset` into `bytes`: fewer where the
// file ends, none past it. Throws KeloError when the file cannot be read.
using HistoryReader = std::function<void(uint64_t offset, size_t count, std::string& bytes)>;

// The history: the records stored in the file, in file order, and last the record of
// the current run. Of the stored records only where each line starts is kept; their
// texts are read from the file when they are asked for, a block of rows at a time, so
// a long history costs little more than its line count at start and in memory.
class UsageHistory {
public:
    // Over the file that `read` reads: one pass over it finds its lines; empty lines give
    // no record.
    void Open(HistoryReader read);
    // Over a file's bytes held in memory.
    void Load(std::string fileBytes);
    // The file has been rewritten and its stored lines are now `storedLines`, at its start.
    void Rebase(std::string_view storedLines);

    void Append(UsageRecord record);
    size_t Size() const { return starts_.size() + appended_.size(); }
    size_t StoredCount() const { return starts_.size(); }
    // A stored record that cannot be read now (another program holds the file) has no
    // fields; it is read again when next asked for.
    UsageRecord At(size_t i) const;
    // Every stored line, first to last, as the file holds it without its line break; the
    // file is read in large parts. Throws KeloError when it cannot be read.
    void ForEachStoredLine(const std::function<void(std::string_view line)>& visit) const;
    // The last appended record (the current run's).
    UsageRecord& Last() { return appended_.back(); }

    // The bytes of the stored lines as found, and the last of them (what the file ends
    // with before anything is added to it).
    uint64_t StoredBytes() const { return storedBytes_; }
    // Whether the file ends its lines in CR LF, as the program writes them; one written by
    // another tool may end them in bare line feeds.
    bool CrLfLines() const { return crLfLines_; }
    const std::string& StoredTail() const { return tail_; }

    // The whole file: the lines of `storedLines` (the stored part as read from the file)
    // and then the appended records, one CR LF-terminated line each. Every stored line goes
    // back byte for byte, also one that is no record.
    std::string Serialize(std::string_view storedLines) const;

private:
    class Indexer;
    // Reads the stored rows [first, last) in one part into `bytes` and gives each row's line.
    void ReadRows(size_t first, size_t last, std::string& bytes,
                  const std::function<void(size_t row, std::string_view line)>& visit) const;

    HistoryReader read_;
    std::vector<uint64_t> starts_;  // where each stored line starts in the file
    uint64_t storedBytes_ = 0;
    std::string tail_;
    bool crLfLines_ = true;  // the file's lines end in CR LF, not in bare line feeds
    std::vector<UsageRecord> appended_;
    // The block of stored rows the list showed last.
    mutable size_t cachedFirst_ = 0;
    mutable std::vector<UsageRecord> cached_;
};

}  // namespace kelo
