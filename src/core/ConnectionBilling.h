#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "core/ConnectionRecord.h"
#include "core/Tariff.h"

namespace kelo {

// The unit each connection is rounded up to: the tariff's, or the second without one (the
// billed time is then the online time).
int32_t ConnectionUnit(const Tariff& tariff);

// A period's bill when its connections were billed this much in all: the fee, and the
// billed time beyond the included hours at the hourly price, the last fraction of a fen
// rounded half up.
int64_t ConnectionBillFen(const Tariff& tariff, int64_t billedSeconds);

// What each connection adds to the period's bill after the ones before it (the included
// hours are used up first), in fen, given each one's billed seconds in order. The fee is
// no connection's; the costs add up to the bill less the fee.
// A period's cost in fen. With each connection rounded and the itemised record covering
// the period (its billed seconds at least the online ones), the connections' bill;
// otherwise the period's online time rounded once, `estimated` then saying that the
// record could not give it although each connection is rounded.
struct PeriodCost {
    int64_t fen = 0;
    bool estimated = false;
};
PeriodCost PeriodCostOf(const Tariff& tariff, int64_t onlineSeconds, std::optional<int64_t> billedSeconds);

std::vector<int64_t> ConnectionCostsFen(const Tariff& tariff, const std::vector<int64_t>& billedSeconds);

}  // namespace kelo
