#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelo {

inline constexpr const char* kInitialMonthTotal = "00:00:00";
// A stored month total beyond this many hours (over eleven years) is no month total.
inline constexpr int64_t kMaxMonthTotalHours = 99'999;

// The online time of the billing month as stored: hours, minutes and seconds in
// decimal joined by ":", hours unbounded.
struct MonthTotal {
    int64_t hours = 0;
    int64_t minutes = 0;
    int64_t seconds = 0;

    // Exactly three fields of decimal digits; anything else is not a month total.
    static std::optional<MonthTotal> Parse(std::string_view text);
    int64_t TotalSeconds() const { return hours * 3600 + minutes * 60 + seconds; }
};

// The month total text with a duration added, whole days included. Minutes and
// seconds of the result are normalised into 0..59; the result carries no leading
// zeros ("1:2:3"). Throws KeloError when the text is not a month total.
std::string AddElapsed(std::string_view total, int64_t elapsedSeconds);

}  // namespace kelo
