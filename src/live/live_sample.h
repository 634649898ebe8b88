// One poll of the monitor: what the three live-data exchanges of a tick gave,
// with the moment it was taken. The poll hands one sample per tick to the UI
// thread; the page's display, the recording, the error history and the chart
// all read the same sample, so none of them costs the line anything.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "model/definitions.h"
#include "live/monitor_display.h"

namespace tarn {

inline constexpr std::size_t kLiveDataThirds = kMonitorBlockSize / kLiveDataThird;

struct LiveSample {
  // Both taken as the tick began, before its first request: the wall clock
  // for people, the steady clock for intervals.
  std::chrono::system_clock::time_point wallTime;
  std::chrono::steady_clock::time_point steadyTime;
  // Which thirds of `block` this tick's replies filled; a refused third
  // holds the bytes of an earlier tick (zeros before the first answer).
  std::array<bool, kLiveDataThirds> accepted{};
  MonitorBlock block{};
  // The poll's tick counter after this tick (8 bits, wraps, never reset).
  std::uint8_t tick = 0;
  // The link's port was gone at the end of the tick: nothing went out.
  bool portGone = false;

  // The status box's outcome: the first exchange was accepted.
  bool Answered() const { return accepted[0]; }
  // Every third was accepted.
  bool Complete() const { return accepted[0] && accepted[1] && accepted[2]; }
};

// True when every byte of `item` came with this sample's replies, so its
// value is live and not kept from an earlier tick. False for items that do
// not fit the block.
bool IsFresh(const MonitorItemDef& item, const std::array<bool, kLiveDataThirds>& accepted);
inline bool IsFresh(const MonitorItemDef& item, const LiveSample& sample) {
  return IsFresh(item, sample.accepted);
}

}  // namespace tarn
