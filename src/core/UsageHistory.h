#pragma once
#include <cstdint>
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
// record of the current run. A stored line in the program's own form (two dates, the
// online time, then host name, type and IP address) is kept as three numbers and the
// index of its last fields' text, which the lines of one machine share; any other line
// is kept as it came. A long history so costs a small part of its file.
class UsageHistory {
public:
    // Reads the file's content; empty lines give no record.
    void Load(std::string_view fileBytes);
    void Append(UsageRecord record);
    size_t Size() const { return stored_.size() + appended_.size(); }
    UsageRecord At(size_t i) const;
    // The records read from the file come first; each line is given back byte for byte
    // as the file held it, without the line break. It is written into `buffer`, whose
    // room a reader of many lines keeps from one line to the next.
    size_t StoredCount() const { return stored_.size(); }
    std::string_view StoredLine(size_t i, std::string& buffer) const;
    // The last appended record (the current run's).
    UsageRecord& Last() { return appended_.back(); }

    // The whole file: one CR LF-terminated line per record.
    std::string Serialize() const;

private:
    // Times are seconds since 2000-01-01 00:00:00; `rest` indexes rests_, or is
    // kVerbatim and `start` indexes verbatimLines_.
    struct StoredRecord {
        uint32_t start;
        uint32_t end;
        uint32_t online;
        uint32_t rest;
    };
    static constexpr uint32_t kVerbatim = UINT32_MAX;

    std::string LineOf(size_t i) const;

    std::vector<StoredRecord> stored_;
    std::vector<std::string> rests_;                       // the texts after the third BEL
    std::string verbatim_;                                 // the lines kept as they came
    std::vector<std::pair<size_t, size_t>> verbatimLines_;  // offset and length in verbatim_
    std::vector<UsageRecord> appended_;
};

}  // namespace kelo
