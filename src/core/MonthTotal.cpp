#include "core/MonthTotal.h"

#include <limits>

#include "core/Errors.h"

namespace kelo {

namespace {

// Up to 15 digits keeps any stored total far from overflow when seconds are added.
std::optional<int64_t> ParseField(std::string_view field) {
    if (field.empty() || field.size() > 15) return std::nullopt;
    int64_t value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<MonthTotal> MonthTotal::Parse(std::string_view text) {
    MonthTotal total;
    int64_t* fields[3] = {&total.hours, &total.minutes, &total.seconds};
    for (int i = 0; i < 3; ++i) {
        const size_t colon = text.find(':');
        const bool last = i == 2;
        if (last != (colon == std::string_view::npos)) return std::nullopt;
        const auto value = ParseField(last ? text : text.substr(0, colon));
        if (!value) return std::nullopt;
        *fields[i] = *value;
        if (!last) text.remove_prefix(colon + 1);
    }
    return total;
}

std::string AddElapsed(std::string_view total, int64_t elapsedSeconds) {
    auto parsed = MonthTotal::Parse(total);
    if (!parsed)
        throw KeloError("'" + std::string(total) + "' is not a valid month total");
    if (elapsedSeconds < 0) elapsedSeconds = 0;
    int64_t h = parsed->hours + elapsedSeconds / 3600;
    int64_t m = parsed->minutes + elapsedSeconds / 60 % 60;
    int64_t s = parsed->seconds + elapsedSeconds % 60;
    m += s / 60;
    s %= 60;
    h += m / 60;
    m %= 60;
    return std::to_string(h) + ":" + std::to_string(m) + ":" + std::to_string(s);
}

}  // namespace kelo
