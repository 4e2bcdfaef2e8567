#pragma once
#include <cstdint>

#include "core/DateTime.h"

namespace kelo {

// Time as the meter sees it: a monotonic count that does not advance while the
// machine sleeps (for online time) and the local calendar time (for the records).
class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t MonotonicMs() = 0;
    virtual LocalDateTime LocalNow() = 0;
};

}  // namespace kelo
