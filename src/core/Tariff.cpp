#include "core/Tariff.h"

#include <algorithm>

#include "core/Settings.h"

namespace kelo {

bool IsTariffUnit(int32_t seconds) {
    return std::find(std::begin(kTariffUnits), std::end(kTariffUnits), seconds) != std::end(kTariffUnits);
}

std::optional<int64_t> ParseYuan(std::string_view text) {
    // Ten digits of yuan are far beyond any bill and keep every sum exact in 64 bits.
    constexpr size_t kMaxYuanDigits = 10;
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view cents = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if ((whole.empty() && cents.empty()) || whole.size() > kMaxYuanDigits || cents.size() > 2) return std::nullopt;
    const auto digits = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(whole) || !digits(cents)) return std::nullopt;
    int64_t fen = 0;
    for (char c : whole) fen = fen * 10 + (c - '0');
    for (size_t i = 0; i < 2; ++i) fen = fen * 10 + (i < cents.size() ? cents[i] - '0' : 0);
    return fen;
}

std::string FormatYuan(int64_t fen) {
    const int64_t cents = fen % 100;
    return std::to_string(fen / 100) + (cents < 10 ? ".0" : ".") + std::to_string(cents);
}

int64_t BilledSeconds(const Tariff& tariff, int64_t onlineSeconds) {
    const int64_t beyond = onlineSeconds - int64_t{tariff.includedHours} * 3600;
    if (beyond <= 0) return 0;
    const int64_t unit = IsTariffUnit(tariff.unitSeconds) ? tariff.unitSeconds : kDefaultTariffUnit;
    return (beyond + unit - 1) / unit * unit;
}

int64_t CostFen(const Tariff& tariff, int64_t onlineSeconds) {
    return tariff.monthlyFeeFen + (tariff.pricePerHourFen * BilledSeconds(tariff, onlineSeconds) + 1800) / 3600;
}

BillingPeriod BillingPeriodOf(const CivilDate& day, int32_t billingDay) {
    const CivilDate start = BillingPeriodStart(day, billingDay);
    const int year = start.month == 12 ? start.year + 1 : start.year;
    const int month = start.month == 12 ? 1 : start.month + 1;
    const int wanted = std::clamp<int32_t>(billingDay, 1, 31);
    return {start, {year, month, std::min(wanted, DaysInMonth(year, month))}};
}

Pace PaceOf(const BillingPeriod& period, const LocalDateTime& now, int64_t totalSeconds) {
    Pace pace;
    const int64_t today = DaysFromCivil(now.Date());
    const int64_t sinceStart = (today - DaysFromCivil(period.start)) * 86400 + now.hour * 3600 + now.minute * 60 + now.second;
    pace.elapsedSeconds = std::clamp<int64_t>(sinceStart, 0, period.Seconds());
    pace.daysLeft = static_cast<int32_t>(std::max<int64_t>(DaysFromCivil(period.next) - today, 0));
    if (pace.elapsedSeconds >= 86400)
        pace.forecastSeconds = totalSeconds * period.Seconds() / pace.elapsedSeconds;
    return pace;
}

bool HeadingPastLimit(const Pace& pace, int64_t totalSeconds, int32_t monthLimitHours) {
    const int64_t limit = int64_t{monthLimitHours} * 3600;
    return limit > 0 && pace.elapsedSeconds >= 2 * 86400 && pace.forecastSeconds &&
           *pace.forecastSeconds > limit && totalSeconds < limit;
}

namespace {

int64_t RoundedHours(int64_t seconds) { return (seconds + 1800) / 3600; }

}  // namespace

OutlookTexts Outlook(const Tariff& tariff, const Pace& pace, int64_t totalSeconds) {
    OutlookTexts texts;
    const bool charged = tariff.Set();
    if (charged) texts.cost = "本月费用 ¥" + FormatYuan(CostFen(tariff, totalSeconds));
    texts.daysLeft = "计费周期剩余 " + std::to_string(pace.daysLeft) + " 天";
    if (pace.forecastSeconds) {
        texts.forecast = "按目前速度本月约 " + std::to_string(RoundedHours(*pace.forecastSeconds)) + " 小时";
        if (charged) texts.forecast += " / ¥" + FormatYuan(CostFen(tariff, *pace.forecastSeconds));
    }
    return texts;
}

std::string HeadingPastLimitText(const Pace& pace, int32_t monthLimitHours) {
    return "按目前的速度，本月将用约 " + std::to_string(RoundedHours(pace.forecastSeconds.value_or(0))) +
           " 小时，超过 " + std::to_string(monthLimitHours) + " 小时的限额";
}

}  // namespace kelo
