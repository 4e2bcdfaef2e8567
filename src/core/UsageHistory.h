#pragma once
#include <array>
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

// The history as held in memory: the stored records in file order and, last, the
// record of the current run. Stored lines stay as the file's bytes and are split into
// fields only when asked for, so a long history costs one copy of the file.
class UsageHistory {
public:
    // Reads the file's content; empty lines give no record.
    void Load(std::string_view fileBytes);
    void Append(UsageRecord record);
    size_t Size() const { return lines_.size() + appended_.size(); }
    UsageRecord At(size_t i) const;
    // The records read from the file come first; their lines can be looked at in place
    // (without the line break), as long as the history is not loaded again.
    size_t StoredCount() const { return lines_.size(); }
    std::string_view StoredLine(size_t i) const {
        return std::string_view(loaded_).substr(lines_[i].first, lines_[i].second);
    }
    // The last appended record (the current run's).
    UsageRecord& Last() { return appended_.back(); }

    // The whole file: one CR LF-terminated line per record. The lines of all records
    // but the last are kept ready, so a save of a long history costs one copy.
    std::string Serialize() const;

private:
    std::string LineOf(size_t i) const;

    std::string loaded_;                                // the file as read
    std::vector<std::pair<size_t, size_t>> lines_;      // offset and length of each line
    std::vector<UsageRecord> appended_;
    mutable std::string prefix_;       // the lines of records [0 .. prefixCount_)
    mutable size_t prefixCount_ = 0;
};

}  // namespace kelo
