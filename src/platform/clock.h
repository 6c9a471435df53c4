#pragma once

#include <cstdint>

namespace tonvia::platform {

// Milliseconds on a monotonic clock, wrapping like a 32-bit tick count.
std::uint32_t TickCountMs();

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The local wall-clock time of day.
TimeOfDay LocalTimeOfDay();

}  // namespace tonvia::platform
