// The wall-clock time of the recordings: local time with milliseconds and
// the zone's offset. The zones are set through TZ, as on every POSIX system.
#include "live/wall_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace tarn {
namespace {

// Sets the time zone for one test and puts the old one back.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~TimeZone() {
    if (old_) {
      ::setenv("TZ", old_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::optional<std::string> old_;
};

TEST(WallTime, LocalTimeWithMillisecondsAndItsOffset) {
  using namespace std::chrono;
  // 2024-02-29 23:30:05.042 UTC
  const system_clock::time_point instant = sys_days{year{2024} / February / 29} + hours{23} +
                                           minutes{30} + seconds{5} + milliseconds{42};
  struct Case {
    const char* zone;
    const char* text;
  };
  const Case cases[] = {
      {"UTC0", "2024-02-29T23:30:05.042+00:00"},
      {"<+03>-3", "2024-03-01T02:30:05.042+03:00"},
      {"<-0530>5:30", "2024-02-29T18:00:05.042-05:30"},
  };
  for (const Case& c : cases) {
    TimeZone zone(c.zone);
    EXPECT_EQ(IsoLocalTime(instant), c.text) << c.zone;
  }
}

}  // namespace
}  // namespace tarn
