#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/DateTime.h"

namespace kelo {

// What the notice window tells when it has no page to show: where the user stands
// against the limits they pay by.
struct NoticeFigures {
    int64_t monthSeconds = 0;  // the month total now, this run's time in the period included
    int64_t runSeconds = 0;             // online time of this run
    int32_t monthLimitHours = 0;
    int32_t dayLimitHours = 0;
    int32_t billingDay = 1;
    CivilDate today;
    std::string counted;  // what is counted ("计费连接：任何连接"); no line when empty
};

// The last day of the billing period that contains `today`: the day before the next
// period begins.
CivilDate BillingPeriodEnd(const CivilDate& today, int32_t billingDay);

// The notice's lines (UTF-8): the month total, the run's time, the time
// left to the monthly and to the daily limit, the billing period's first and last day, and
// the connection counted.
std::vector<std::string> NoticeLines(const NoticeFigures& figures);

}  // namespace kelo
