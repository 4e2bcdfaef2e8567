#include "core/ConnectionBilling.h"

#include <algorithm>

namespace kelo {

namespace {

int64_t Bounded(int64_t seconds) { return std::clamp<int64_t>(seconds, 0, kMaxBilledSeconds); }

}  // namespace

int32_t ConnectionUnit(const Tariff& tariff) {
    if (!tariff.Set()) return 1;
    return IsTariffUnit(tariff.unitSeconds) ? tariff.unitSeconds : kDefaultTariffUnit;
}

int64_t ConnectionBillFen(const Tariff& tariff, int64_t billedSeconds) {
    const int64_t beyond = Bounded(billedSeconds) - int64_t{tariff.includedHours} * 3600;
    if (beyond <= 0) return tariff.monthlyFeeFen;
    // A price of ten digits of yuan times a million hours needs more than 64 bits on the way.
    const __int128 charged = (static_cast<__int128>(tariff.pricePerHourFen) * beyond + 1800) / 3600;
    return tariff.monthlyFeeFen + static_cast<int64_t>(charged);
}

PeriodCost PeriodCostOf(const Tariff& tariff, int64_t onlineSeconds, std::optional<int64_t> billedSeconds) {
    if (tariff.rounding == TariffRounding::Period) return {CostFen(tariff, onlineSeconds), false};
    if (!billedSeconds || *billedSeconds < onlineSeconds) return {CostFen(tariff, onlineSeconds), true};
    return {ConnectionBillFen(tariff, *billedSeconds), false};
}

std::vector<int64_t> ConnectionCostsFen(const Tariff& tariff, const std::vector<int64_t>& billedSeconds) {
    std::vector<int64_t> costs;
    costs.reserve(billedSeconds.size());
    int64_t before = 0;
    for (const int64_t billed : billedSeconds) {
        const int64_t after = Bounded(before + Bounded(billed));
        costs.push_back(ConnectionBillFen(tariff, after) - ConnectionBillFen(tariff, before));
        before = after;
    }
    return costs;
}

}  // namespace kelo
