#include "core/NoticeText.h"

#include <algorithm>

#include "core/Settings.h"

namespace kelo {

CivilDate BillingPeriodEnd(const CivilDate& today, int32_t billingDay) {
    const CivilDate start = BillingPeriodStart(today, billingDay);
    const int day = std::clamp<int32_t>(billingDay, 1, 31);
    const int year = start.month == 12 ? start.year + 1 : start.year;
    const int month = start.month == 12 ? 1 : start.month + 1;
    const CivilDate next{year, month, std::min(day, DaysInMonth(year, month))};
    return CivilFromDays(DaysFromCivil(next) - 1);
}

namespace {

// "还剩 hh:mm:ss", or that the limit is used up.
std::string LeftOf(int64_t limitSeconds, int64_t usedSeconds) {
    if (usedSeconds >= limitSeconds) return "已用完";
    return "还剩 " + FormatDuration(limitSeconds - usedSeconds);
}

}  // namespace

std::vector<std::string> NoticeLines(const NoticeFigures& f) {
    const int64_t run = std::max<int64_t>(f.runSeconds, 0);
    const int64_t month = std::max<int64_t>(f.monthSeconds, 0);
    const int64_t monthLimit = int64_t{std::max(f.monthLimitHours, 0)} * 3600;
    const int64_t dayLimit = int64_t{std::max(f.dayLimitHours, 0)} * 3600;
    std::vector<std::string> lines{
        "本月累计上网: " + FormatDuration(month),
        "本次上网: " + FormatDuration(run),
        "本月限额 " + std::to_string(std::max(f.monthLimitHours, 0)) + " 小时: " + LeftOf(monthLimit, month),
        "每日限额 " + std::to_string(std::max(f.dayLimitHours, 0)) + " 小时: " + LeftOf(dayLimit, run),
        "计费周期: " + FormatDate(BillingPeriodStart(f.today, f.billingDay)) + " 至 " +
            FormatDate(BillingPeriodEnd(f.today, f.billingDay)),
    };
    if (!f.counted.empty()) lines.push_back(f.counted);
    return lines;
}

}  // namespace kelo
