#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Connection.h"
#include "core/DateTime.h"
#include "core/Tariff.h"

namespace kelo {

class Clock;
class FileStore;
class TextCodec;

inline constexpr const char* kConnectionRecordFileName = "Kelo.dtl";

// A restart of the program this soon after the last connection's line ended, with the same
// connection connected at the same address, is no new connection for the provider.
inline constexpr int64_t kContinuationSeconds = 120;

// One connection as the provider bills it: a line of the itemised record.
struct ConnectionSpan {
    LocalDateTime start;
    LocalDateTime end;
    int64_t onlineSeconds = 0;
    int64_t billedSeconds = 0;  // rounded up to the billing unit of the time
    std::string name;           // UTF-8
    std::string ipv4;
    friend bool operator==(const ConnectionSpan&, const ConnectionSpan&) = default;
};

// A line without its line break: start, end, online seconds, billed seconds, the
// connection's name (in the file's encoding) and its address, separated by BEL as the
// history's fields are.
std::string JoinConnectionLine(const ConnectionSpan& span, const TextCodec& codec);
// Nothing for a line whose times or seconds do not read.
std::optional<ConnectionSpan> ParseConnectionLine(std::string_view line, const TextCodec& codec);
// Every line of a record's bytes that reads, in file order.
std::vector<ConnectionSpan> ParseConnectionRecord(std::string_view bytes, const TextCodec& codec);

// Sums of billed seconds stop at a million hours, far beyond any bill, so nothing built on
// them can overflow.
inline constexpr int64_t kMaxBilledSeconds = int64_t{1'000'000} * 3600;

// The billed seconds of the connections that began in `period`, summed.
int64_t PeriodBilledSeconds(const std::vector<ConnectionSpan>& spans, const BillingPeriod& period);

// `seconds` rounded up to whole units; a unit below 2 leaves it as it is.
int64_t RoundUpToUnit(int64_t seconds, int32_t unitSeconds);

// The itemised record of one run: each online span of the counted connection (from the
// first online check to the next offline one) becomes a line of the record file. Saving
// writes only this run's lines that changed since the last save, after the file's last
// bytes as they were found, so a long record costs the same as a short one; when the file
// is not as the run left it, it is read and rewritten whole with this run's lines last.
// Nothing of the run is lost when the file cannot be written: it goes in at a later save.
class ConnectionRecord {
public:
    // Removes the leftovers of a cut-short save and finds the file's last line. Online
    // time follows the clock's monotonic count; lines carry its local time.
    ConnectionRecord(FileStore& files, const TextCodec& codec, Clock& clock, std::string path,
                     int32_t unitSeconds);

    // Each connection check. The first one of the run continues the file's last line
    // when it ended at most two minutes before and names the same connection at the
    // same address.
    void Observe(const ConnectionState& state);
    // The program ends: a connection in progress ends now.
    void End();
    // A billing period begins at `first`: the connection in progress ends at the second
    // before, with the seconds it had by then, and goes on as a new line from `first`.
    void CutAt(const LocalDateTime& first);
    // A tariff changed during the run: the connection in progress is billed at the new unit
    // from now on; ended connections keep what they were billed.
    void SetUnit(int32_t unitSeconds);
    // Writes what changed. Never throws: the text returned is the failure to show, only
    // the first time one happens in a run.
    std::optional<std::string> Save();

    // The run's connections up to the last check, the one in progress last.
    const std::vector<ConnectionSpan>& Spans() const { return spans_; }
    bool InProgress() const { return open_; }
    // The billed seconds of the connections that began in `period`: the file's lines as
    // found at start and the run's connections, the one in progress rounded up so far.
    int64_t BilledSecondsIn(const BillingPeriod& period) const;

private:
    class Scanner;
    struct Tail {
        bool known = false;
        uint64_t offset = 0;
        std::string bytes;  // what the file holds from `offset` to its end
        bool ours = false;  // the run's unsettled lines, or the file's last line as found
    };
    void Load(bool patiently);
    void Refresh();
    bool Continue(const ConnectionState& state, const LocalDateTime& now);
    std::string Unsettled() const;
    void Write(const std::string& fresh);
    uint64_t RewriteWhole(const std::string& fresh);

    FileStore& files_;
    const TextCodec& codec_;
    Clock& clock_;
    std::string path_;
    int32_t unitSeconds_;
    bool observed_ = false;
    Tail tail_;
    std::vector<ConnectionSpan> spans_;
    size_t settled_ = 0;  // spans whose final line is in the file
    bool open_ = false;
    int64_t openSinceMs_ = 0;     // monotonic time the span in progress was last counted from
    int64_t openBaseSeconds_ = 0; // its online seconds before that
    bool failureTold_ = false;
    // The file's lines as found at start: billed seconds by the day they began (days since
    // 1970), less the line the run continues.
    std::map<int64_t, int64_t> storedBilledByDay_;
};

}  // namespace kelo
