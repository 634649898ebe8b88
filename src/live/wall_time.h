// Wall-clock times of live data as people and spreadsheets read them.
#pragma once

#include <chrono>
#include <string>

namespace tarn {

// ISO 8601 local time with milliseconds and the offset from UTC, e.g.
// "2025-03-14T10:15:30.200+03:00"; UTC ("...Z") when the local time is
// unknown. Uses the C library's time conversion: call it from one thread.
std::string IsoLocalTime(std::chrono::system_clock::time_point time);

}  // namespace tarn
