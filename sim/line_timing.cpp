#include <string>

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
// The simulator notes a request when its thread reads it, which a loaded
// machine can delay by some milliseconds; the delays of two requests need not
// cancel out. A missing wait shortens the gap far more than this.
constexpr milliseconds kReadDelaySlack{10};

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
  for (std::size_t i = 0; i + 1 < timings.size(); ++i) {
    const milliseconds wait = MandatedWait(timings[i].command);
    if (wait == milliseconds{0}) continue;
    const auto gap = timings[i + 1].requestStart - timings[i].requestStart;
    if (gap < wait - kReadDelaySlack) faults.push_back(Describe(timings, i + 1, gap, "after the request before"));
  }
  return faults;
}

}  // namespace tarn::sim
