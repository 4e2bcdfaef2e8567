#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/DateTime.h"

namespace kelo {

// Billing units a plan may charge by, in seconds: the second, the minute, six minutes
// and the started hour.
inline constexpr int32_t kTariffUnits[] = {1, 60, 360, 3600};
inline constexpr int32_t kDefaultTariffUnit = 60;

// The largest amounts a plan may name, in fen: a monthly fee of 99999.99 yuan and
// 9999.99 yuan an hour.
inline constexpr int64_t kMaxMonthlyFeeFen = 9'999'999;
inline constexpr int64_t kMaxPricePerHourFen = 999'999;
// Online time beyond any bill (over thirty million years): sums of online time stop
// there, so no cost or forecast built on them can overflow.
inline constexpr int64_t kMaxOnlineSeconds = 1'000'000'000'000'000;

// The hourly plan: a monthly fee that includes some hours, and a price per hour beyond
// them, charged in whole units. Money is held in fen (0.01 yuan).
// How the billed time is rounded: each connection up to the unit, its billed time used up
// against the included hours first (as providers bill), or the period's time beyond the
// included hours once.
enum class TariffRounding : int32_t { EachConnection = 0, Period = 1 };

struct Tariff {
    int64_t monthlyFeeFen = 0;
    int32_t includedHours = 0;
    int64_t pricePerHourFen = 0;
    int32_t unitSeconds = kDefaultTariffUnit;
    TariffRounding rounding = TariffRounding::EachConnection;
    // Without a fee, included hours or a price there is nothing to charge, and nothing
    // about money is shown.
    bool Set() const { return monthlyFeeFen > 0 || includedHours > 0 || pricePerHourFen > 0; }
    friend bool operator==(const Tariff&, const Tariff&) = default;
};

bool IsTariffUnit(int32_t seconds);

// A sum of yuan as stored and typed: digits with at most two after a "." ("50", "49.90",
// "0.5"), whatever the locale. Anything else, a negative sum among it, is not an amount.
std::optional<int64_t> ParseYuan(std::string_view text);
// An amount as typed into a dialog with a Chinese input method (UTF-8): full-width digits
// and point ("１２．５０"), spaces around it and a leading yuan sign ("¥" or "￥") are
// taken as their plain forms; then as ParseYuan.
std::optional<int64_t> ParseTypedYuan(std::string_view text);
// Fen as yuan with two decimals: 6240 -> "62.40".
std::string FormatYuan(int64_t fen);

// The online time charged beyond the included hours, rounded up to whole units.
int64_t BilledSeconds(const Tariff& tariff, int64_t onlineSeconds);
// What a billing period with this much online time costs, in fen: the fee plus the
// billed time at the hourly price, the last fraction of a fen rounded half up.
int64_t CostFen(const Tariff& tariff, int64_t onlineSeconds);

// A billing period: from its first day 00:00 up to the next period's first day 00:00.
struct BillingPeriod {
    CivilDate start;
    CivilDate next;
    int64_t Seconds() const { return (DaysFromCivil(next) - DaysFromCivil(start)) * 86400; }
};
// The period that contains `day`.
BillingPeriod BillingPeriodOf(const CivilDate& day, int32_t billingDay);

// How the month is going at `now` with `totalSeconds` counted in `period` since
// `countedFrom` (the day counting began; the period's first day when it began earlier).
struct Pace {
    int64_t elapsedSeconds = 0;  // of the period since counting began, by the clock
    int32_t daysLeft = 0;        // today included
    // The period's total if the rest of it goes as it went so far; none during the first
    // day counted, when the pace says nothing yet.
    std::optional<int64_t> forecastSeconds;
};
Pace PaceOf(const BillingPeriod& period, const LocalDateTime& now, int64_t totalSeconds,
           const CivilDate& countedFrom = {});

// Whether the month is heading past its limit: from the period's third day on, with a
// forecast above the limit that the total itself has not reached (its alarm speaks then).
bool HeadingPastLimit(const Pace& pace, int64_t totalSeconds, int32_t monthLimitHours);

// What the main window's status bar and the tray tip say of the month: its cost so far
// with a tariff ("本月费用 ¥62.40"), the days left of the billing period, and where the
// pace leads ("按目前速度本月约 73 小时", with a tariff " / ¥86.00"). A text that has
// nothing to say is empty.
struct OutlookTexts {
    std::string cost;
    std::string daysLeft;
    std::string forecast;
    friend bool operator==(const OutlookTexts&, const OutlookTexts&) = default;
};
// With each connection rounded, `billedSeconds` are the period's billed seconds so far: the
// cost is theirs, and the forecast's cost theirs grown as the online time is forecast to.
// Fewer billed seconds than online ones (a record begun during the period) count as none:
// the period is then reckoned as one sum.
OutlookTexts Outlook(const Tariff& tariff, const Pace& pace, int64_t totalSeconds,
                     std::optional<int64_t> billedSeconds = std::nullopt);
// The balloon's words when HeadingPastLimit holds.
std::string HeadingPastLimitText(const Pace& pace, int32_t monthLimitHours);

}  // namespace kelo
