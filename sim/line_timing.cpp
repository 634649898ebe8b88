#include <algorithm>
#include <string>
#include <vector>

#include "link/controller_link.h"
#include "sim/simulator.h"

namespace tarn::sim {
namespace {

using std::chrono::milliseconds;

// What a controller may count on before the next request: the tool waits
// this long after these requests before it reads their reply.
constexpr milliseconds kWaitAfterTransferStart{50};
constexpr milliseconds kWaitAfterReadZeroPoints{50};
constexpr milliseconds kWaitAfterWriteEnd{200};

milliseconds MandatedWait(std::uint8_t command) {
  switch (command) {
    case kCommandTransferStart:
      return kWaitAfterTransferStart;
    case kCommandReadZeroPoints:
      return kWaitAfterReadZeroPoints;
    case kCommandWriteEnd:
      return kWaitAfterWriteEnd;
    default:
      return milliseconds{0};
  }
}

// The simulator notes a request when its thread reads it, which a loaded
// machine can delay by tens of milliseconds. Where nothing earlier bounds a
// request's arrival (the first of a record) this much is allowed for; a
// missing wait shortens the gap by far more.
constexpr milliseconds kReadDelaySlack{10};

using TimePoint = std::chrono::steady_clock::time_point;

// The earliest moment each request can have arrived. The tool sends a request
// no sooner than the quiet time after the reply before it, nor sooner than the
// wait after the request before it: both are checked on their own, so both
// bound the arrival from below, however late the simulator read it.
std::vector<TimePoint> EarliestArrivals(const std::vector<LineTiming>& timings) {
  std::vector<TimePoint> earliest;
  for (std::size_t i = 0; i < timings.size(); ++i) {
    TimePoint bound = timings[i].requestStart - kReadDelaySlack;
    if (i > 0) {
      bound = earliest[i - 1] + MandatedWait(timings[i - 1].command);
      if (timings[i - 1].replyEnd) {
        bound = std::max(bound, *timings[i - 1].replyEnd + kLineQuietTime);
      }
    }
    earliest.push_back(std::min(bound, timings[i].requestStart));
  }
  return earliest;
}

std::string Describe(const std::vector<LineTiming>& timings, std::size_t next,
                     std::chrono::steady_clock::duration gap, const char* what) {
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(gap).count();
  return "request " + std::to_string(next + 1) + " (command " +
         std::to_string(timings[next].command) + ") came " + std::to_string(micros) + " us " +
         what;
}

}  // namespace

std::vector<std::string> QuietTimeFaults(const std::vector<LineTiming>& timings) {
  std::vector<std::string> faults;
  for (std::size_t i = 0; i + 1 < timings.size(); ++i) {
    if (!timings[i].replyEnd) continue;
    const auto gap = timings[i + 1].requestStart - *timings[i].replyEnd;
    if (gap < kLineQuietTime) faults.push_back(Describe(timings, i + 1, gap, "after a reply"));
  }
  return faults;
}

std::vector<std::string> MandatedWaitFaults(const std::vector<LineTiming>& timings) {
  std::vector<std::string> faults;
  const std::vector<TimePoint> earliest = EarliestArrivals(timings);
  for (std::size_t i = 0; i + 1 < timings.size(); ++i) {
    const milliseconds wait = MandatedWait(timings[i].command);
    if (wait == milliseconds{0}) continue;
    const auto gap = timings[i + 1].requestStart - earliest[i];
    if (gap < wait) faults.push_back(Describe(timings, i + 1, gap, "after the request before"));
  }
  return faults;
}

}  // namespace tarn::sim
