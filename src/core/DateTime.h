#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelo {

struct CivilDate {
    int year = 1970;
    int month = 1;
    int day = 1;
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

struct LocalDateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    CivilDate Date() const { return {year, month, day}; }
    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValid(const CivilDate& d);
bool IsValid(const LocalDateTime& t);

// Days since 1970-01-01 of the proleptic Gregorian calendar, and back.
int64_t DaysFromCivil(const CivilDate& d);
CivilDate CivilFromDays(int64_t days);

// Seconds since 1970-01-01 00:00 of the local wall clock (no time zone: the history
// and the billing periods are kept in local time), and back.
int64_t WallSeconds(const LocalDateTime& t);
LocalDateTime FromWallSeconds(int64_t seconds);

// "yyyy-mm-dd hh:mm:ss", the program's one date-and-time text (history columns and
// the counting start in the settings file).
std::string FormatDateTime(const LocalDateTime& t);
// Reads FormatDateTime's text back; also accepts "/" as the date separator, one-digit
// fields and a missing seconds field, as a hand-edited file may hold.
std::optional<LocalDateTime> ParseDateTime(std::string_view text);

// "yyyy-mm-dd".
std::string FormatDate(const CivilDate& d);
std::optional<CivilDate> ParseDate(std::string_view text);

// Online time as "hh:mm:ss" with total hours: at least two digits, never wrapping at
// 24 hours (25 hours show as "25:00:00"). Negative values show as "00:00:00".
std::string FormatDuration(int64_t seconds);

}  // namespace kelo
