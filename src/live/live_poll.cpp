#include "live/live_poll.h"

#include <algorithm>
#include <utility>

namespace tarn {

LivePoll::LivePoll(ControllerLink& link) : link_(link) {}

LivePoll::~LivePoll() {
  Stop();
}

bool LivePoll::Start(Sink sink) {
  if (!sink) return false;
  return timer_.Start(kLivePollPeriod, [this, sink = std::move(sink)](std::stop_token stop) {
    if (std::optional<LiveSample> sample = PollOnce(stop)) sink(*sample);
  });
}

void LivePoll::Stop() {
  timer_.Stop();
}

// One live-data exchange into `third` of the block. A reply with fewer than
// 16 data bytes is refused, so no stale bytes pass for live values.
LivePoll::Third LivePoll::PollThird(std::uint8_t command, std::size_t third,
                                    std::stop_token stop) {
  if (stop.stop_requested()) return Third::Stopped;
  Reply reply;
  const bool received = link_.Exchange(command, {}, std::chrono::milliseconds{0}, &reply);
  if (stop.stop_requested()) return Third::Stopped;
  if (!received || reply.length < kLiveDataThird) return Third::Refused;
  std::copy_n(reply.data.begin(), kLiveDataThird,
              block_.begin() + static_cast<std::ptrdiff_t>(third * kLiveDataThird));
  return Third::Accepted;
}

std::optional<LiveSample> LivePoll::PollOnce(std::stop_token stop) {
  static constexpr std::uint8_t kCommands[kLiveDataThirds] = {kCommandLiveData1, kCommandLiveData2,
                                                              kCommandLiveData3};
  LiveSample sample;
  sample.wallTime = std::chrono::system_clock::now();
  sample.steadyTime = std::chrono::steady_clock::now();
  sample.tick = ++tickCounter_;
  // Every exchange is made whatever the one before it gave.
  for (std::size_t third = 0; third < kLiveDataThirds; ++third) {
    const Third result = PollThird(kCommands[third], third, stop);
    // A tick that is being stopped hands nothing on: the page or the
    // recording it was for is going.
    if (result == Third::Stopped) return std::nullopt;
    sample.accepted[third] = result == Third::Accepted;
  }
  sample.block = block_;
  sample.portGone = link_.PortGone();
  return sample;
}

}  // namespace tarn
