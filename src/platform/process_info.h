#pragma once
// Facts about the running process, for start-up and memory measurements.

#include <cstdint>

namespace tonvia::platform {

// Milliseconds since the process was started by the system (10 ms resolution), or -1.
double MillisecondsSinceProcessStart();

// The largest resident set the process has had, in KiB.
std::int64_t PeakResidentKiB();

}  // namespace tonvia::platform
