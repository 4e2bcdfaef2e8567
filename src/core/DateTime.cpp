#include "core/DateTime.h"

#include <cstdio>

namespace kelo {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValid(const CivilDate& d) {
    return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= DaysInMonth(d.year, d.month);
}

bool IsValid(const LocalDateTime& t) {
    return IsValid(t.Date()) && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 &&
           t.second >= 0 && t.second < 60;
}

// Howard Hinnant's days-from-civil algorithm.
int64_t DaysFromCivil(const CivilDate& d) {
    const int64_t y = d.year - (d.month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (d.month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + d.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0)), m, d};
}

int64_t WallSeconds(const LocalDateTime& t) {
    return DaysFromCivil(t.Date()) * 86400 + int64_t{t.hour} * 3600 + int64_t{t.minute} * 60 + t.second;
}

LocalDateTime FromWallSeconds(int64_t seconds) {
    const int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const int64_t rest = seconds - days * 86400;
    const CivilDate d = CivilFromDays(days);
    return {d.year, d.month, d.day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
            static_cast<int>(rest % 60)};
}

std::string FormatDateTime(const LocalDateTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buf;
}

std::string FormatDate(const CivilDate& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

namespace {

// Reads up to maxDigits decimal digits at pos; false when there is none.
bool ReadNumber(std::string_view text, size_t& pos, int maxDigits, int& out) {
    int digits = 0;
    out = 0;
    while (pos < text.size() && digits < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        out = out * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits > 0;
}

bool ReadSeparator(std::string_view text, size_t& pos, std::string_view allowed) {
    if (pos < text.size() && allowed.find(text[pos]) != std::string_view::npos) {
        ++pos;
        return true;
    }
    return false;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool ParseDatePart(std::string_view text, size_t& pos, CivilDate& d) {
    return ReadNumber(text, pos, 4, d.year) && ReadSeparator(text, pos, "-/") &&
           ReadNumber(text, pos, 2, d.month) && ReadSeparator(text, pos, "-/") &&
           ReadNumber(text, pos, 2, d.day);
}

}  // namespace

std::optional<CivilDate> ParseDate(std::string_view text) {
    text = Trim(text);
    size_t pos = 0;
    CivilDate d;
    if (!ParseDatePart(text, pos, d) || pos != text.size() || !IsValid(d)) return std::nullopt;
    return d;
}

std::optional<LocalDateTime> ParseDateTime(std::string_view text) {
    text = Trim(text);
    size_t pos = 0;
    CivilDate d;
    if (!ParseDatePart(text, pos, d)) return std::nullopt;
    LocalDateTime t{d.year, d.month, d.day, 0, 0, 0};
    if (pos < text.size()) {
        if (!ReadSeparator(text, pos, " ")) return std::nullopt;
        while (pos < text.size() && text[pos] == ' ') ++pos;
        if (!ReadNumber(text, pos, 2, t.hour) || !ReadSeparator(text, pos, ":") ||
            !ReadNumber(text, pos, 2, t.minute))
            return std::nullopt;
        if (ReadSeparator(text, pos, ":") && !ReadNumber(text, pos, 2, t.second))
            return std::nullopt;
    }
    if (pos != text.size() || !IsValid(t)) return std::nullopt;
    return t;
}

std::string FormatDuration(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return buf;
}

}  // namespace kelo
