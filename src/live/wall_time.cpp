#include "live/wall_time.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace tarn {
namespace {

using namespace std::chrono;

constexpr int kFirstYear = 1900;
constexpr int kMinutesPerHour = 60;
constexpr int kHoursPerDay = 24;

sys_days DayOf(const std::tm& fields) {
  return sys_days{year{fields.tm_year + kFirstYear} /
                  month{static_cast<unsigned>(fields.tm_mon + 1)} /
                  day{static_cast<unsigned>(fields.tm_mday)}};
}

// Minutes between the two broken-down forms of one instant.
long OffsetMinutes(const std::tm& local, const std::tm& utc) {
  const auto days = (DayOf(local) - DayOf(utc)).count();
  return static_cast<long>(days) * kHoursPerDay * kMinutesPerHour +
         (local.tm_hour - utc.tm_hour) * kMinutesPerHour + (local.tm_min - utc.tm_min);
}

}  // namespace

std::string IsoLocalTime(system_clock::time_point time) {
  const auto whole = floor<seconds>(time);
  const auto millis = duration_cast<milliseconds>(time - whole).count();
  const std::time_t stamp = system_clock::to_time_t(whole);
  // Both results are copied at once: the C library may share their storage.
  const std::tm* utcFields = std::gmtime(&stamp);
  if (utcFields == nullptr) return {};
  const std::tm utc = *utcFields;
  const std::tm* localFields = std::localtime(&stamp);
  const std::tm shown = localFields != nullptr ? *localFields : utc;
  char text[48];
  const int length =
      std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03d",
                    shown.tm_year + kFirstYear, shown.tm_mon + 1, shown.tm_mday, shown.tm_hour,
                    shown.tm_min, shown.tm_sec, static_cast<int>(millis));
  if (localFields == nullptr) return std::string(text, static_cast<std::size_t>(length)) + "Z";
  const long offset = OffsetMinutes(shown, utc);
  const long magnitude = std::labs(offset);
  std::snprintf(text + length, sizeof(text) - static_cast<std::size_t>(length), "%c%02ld:%02ld",
                offset < 0 ? '-' : '+', magnitude / kMinutesPerHour, magnitude % kMinutesPerHour);
  return text;
}

}  // namespace tarn
