#include "core/Tariff.h"

#include <algorithm>

#include "core/ConnectionBilling.h"
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

std::optional<int64_t> ParseTypedYuan(std::string_view text) {
    std::string plain;
    for (size_t i = 0; i < text.size();) {
        const auto is = [&](std::string_view form) { return text.substr(i, form.size()) == form; };
        // Full-width forms are U+FF10..U+FF19 and U+FF0E: EF BC 90..99 and EF BC 8E.
        if (is("\xEF\xBC") && i + 2 < text.size()) {
            const auto low = static_cast<unsigned char>(text[i + 2]);
            if (low >= 0x90 && low <= 0x99) plain += static_cast<char>('0' + (low - 0x90));
            else if (low == 0x8E) plain += '.';
            else return std::nullopt;
            i += 3;
        } else if (is("\xC2\xA5") || is("\xEF\xBF\xA5")) {  // the yuan sign, only first
            if (plain.find_first_not_of(' ') != std::string::npos) return std::nullopt;
            i += is("\xC2\xA5") ? 2 : 3;
        } else if (is("\xE3\x80\x80") || is(" ") || is("\t")) {  // spaces, full-width too
            plain += ' ';
            i += is(" ") || is("\t") ? 1 : 3;
        } else {
            plain += text[i++];
        }
    }
    const size_t first = plain.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    return ParseYuan(std::string_view(plain).substr(first, plain.find_last_not_of(' ') + 1 - first));
}

std::string FormatYuan(int64_t fen) {
    const int64_t cents = fen % 100;
    return std::to_string(fen / 100) + (cents < 10 ? ".0" : ".") + std::to_string(cents);
}

int64_t BilledSeconds(const Tariff& tariff, int64_t onlineSeconds) {
    const int64_t online = std::clamp<int64_t>(onlineSeconds, 0, kMaxOnlineSeconds);
    const int64_t beyond = online - int64_t{std::max(tariff.includedHours, 0)} * 3600;
    if (beyond <= 0) return 0;
    const int64_t unit = IsTariffUnit(tariff.unitSeconds) ? tariff.unitSeconds : kDefaultTariffUnit;
    return (beyond + unit - 1) / unit * unit;
}

// Whole hours and the rest priced apart: the price times the billed seconds would not
// fit in 64 bits for every amount and time the program accepts.
int64_t CostFen(const Tariff& tariff, int64_t onlineSeconds) {
    const int64_t billed = BilledSeconds(tariff, onlineSeconds);
    const int64_t price = std::clamp<int64_t>(tariff.pricePerHourFen, 0, kMaxPricePerHourFen);
    const int64_t fee = std::clamp<int64_t>(tariff.monthlyFeeFen, 0, kMaxMonthlyFeeFen);
    return fee + price * (billed / 3600) + (price * (billed % 3600) + 1800) / 3600;
}

BillingPeriod BillingPeriodOf(const CivilDate& day, int32_t billingDay) {
    const CivilDate start = BillingPeriodStart(day, billingDay);
    const int year = start.month == 12 ? start.year + 1 : start.year;
    const int month = start.month == 12 ? 1 : start.month + 1;
    const int wanted = std::clamp<int32_t>(billingDay, 1, 31);
    return {start, {year, month, std::min(wanted, DaysInMonth(year, month))}};
}

Pace PaceOf(const BillingPeriod& period, const LocalDateTime& now, int64_t totalSeconds,
           const CivilDate& countedFrom) {
    Pace pace;
    const int64_t today = DaysFromCivil(now.Date());
    // A period in which counting began later (a first start in mid-period) has its pace
    // from that day: the days before it were never counted.
    const int64_t from = std::clamp(DaysFromCivil(countedFrom), DaysFromCivil(period.start), DaysFromCivil(period.next));
    const int64_t span = (DaysFromCivil(period.next) - from) * 86400;
    pace.elapsedSeconds = std::clamp<int64_t>(WallSeconds(now) - from * 86400, 0, span);
    pace.daysLeft = static_cast<int32_t>(std::max<int64_t>(DaysFromCivil(period.next) - today, 0));
    if (pace.elapsedSeconds >= 86400) {
        // Divided first: the total times the span would overflow for the largest totals.
        const int64_t total = std::clamp<int64_t>(totalSeconds, 0, kMaxOnlineSeconds);
        const int64_t e = pace.elapsedSeconds;
        const int64_t rest = span - e;
        pace.forecastSeconds = total + total / e * rest + total % e * rest / e;
    }
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

OutlookTexts Outlook(const Tariff& tariff, const Pace& pace, int64_t totalSeconds,
                     std::optional<int64_t> billedSeconds) {
    // The billed time grows as the online time does: in the ratio the forecast gives.
    const auto cost = [&](int64_t online) {
        const int64_t total = std::clamp<int64_t>(totalSeconds, 0, kMaxOnlineSeconds);
        std::optional<int64_t> billed = billedSeconds;
        if (billed && online > total && total > 0) {
            const __int128 grown = static_cast<__int128>(std::clamp<int64_t>(*billed, 0, kMaxBilledSeconds)) *
                                   std::min(online, kMaxOnlineSeconds) / total;
            billed = static_cast<int64_t>(std::min<__int128>(grown, kMaxBilledSeconds));
        }
        return PeriodCostOf(tariff, online, billed).fen;
    };
    OutlookTexts texts;
    const bool charged = tariff.Set();
    if (charged) texts.cost = "本月费用 ¥" + FormatYuan(cost(totalSeconds));
    texts.daysLeft = "计费周期剩余 " + std::to_string(pace.daysLeft) + " 天";
    if (pace.forecastSeconds) {
        texts.forecast = "按目前速度本月约 " + std::to_string(RoundedHours(*pace.forecastSeconds)) + " 小时";
        if (charged) texts.forecast += " / ¥" + FormatYuan(cost(*pace.forecastSeconds));
    }
    return texts;
}

std::string HeadingPastLimitText(const Pace& pace, int32_t monthLimitHours) {
    return "按目前的速度，本月将用约 " + std::to_string(RoundedHours(pace.forecastSeconds.value_or(0))) +
           " 小时，超过 " + std::to_string(monthLimitHours) + " 小时的限额";
}

}  // namespace kelo
