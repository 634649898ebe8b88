// The live-data poll shared by the monitor page and `tarn-cli monitor`: every
// 200 ms, on a timer thread, three exchanges strictly one after another
// (LiveData1, LiveData2, LiveData3), no retries. A reply is accepted into its
// third of the block when it is complete, carries 16 data bytes and echoes its
// request's command (the link sees to that); a refused third keeps its old
// bytes.
//
// Threading: Start(), Stop() and IsRunning() are for one controlling thread.
// The sink runs on the poll thread after every whole tick; it must only hand
// the sample on (post it to the UI thread, queue it): anything slow there
// makes the next tick late. Between ticks the poll touches nothing but the
// link, whose exchanges lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>

#include "link/controller_link.h"
#include "live/live_sample.h"
#include "live/periodic_timer.h"

namespace tarn {

inline constexpr std::chrono::milliseconds kLivePollPeriod{200};

class LivePoll {
 public:
  using Sink = std::function<void(const LiveSample&)>;

  explicit LivePoll(ControllerLink& link);
  ~LivePoll();
  LivePoll(const LivePoll&) = delete;
  LivePoll& operator=(const LivePoll&) = delete;

  // Starts ticking; the first tick comes one period later. False when the
  // poll already runs or `sink` is empty.
  bool Start(Sink sink);
  // Stops and returns once no tick is running: the exchange under way runs to
  // its reply or the end of its receive window (so that no answer is left on
  // the line for the next user of the port), and the tick then ends without
  // handing a sample on. Safe to call when stopped. Called from the sink it
  // only asks: the poll ends after the current tick.
  void Stop();
  bool IsRunning() const { return timer_.IsRunning(); }

  // One tick on the caller's thread: the three exchanges and the sample, or
  // nothing when `stop` was requested before the tick's last exchange ended
  // (no further exchange is begun). Only while the poll is not running (the
  // timer calls it otherwise).
  std::optional<LiveSample> PollOnce(std::stop_token stop);

 private:
  enum class Third { Accepted, Refused, Stopped };
  Third PollThird(std::uint8_t command, std::size_t third, std::stop_token stop);

  ControllerLink& link_;
  // Poll state, used by one tick at a time: a new timer thread starts only
  // after the previous one was joined.
  MonitorBlock block_{};
  std::uint8_t tickCounter_ = 0;
  live::PeriodicTimer timer_;
};

}  // namespace tarn
