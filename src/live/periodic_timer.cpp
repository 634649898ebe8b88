#include "live/periodic_timer.h"

#include <utility>

namespace tarn::live {

PeriodicTimer::~PeriodicTimer() {
  Stop();
}

bool PeriodicTimer::Start(std::chrono::steady_clock::duration period, Tick tick) {
  if (IsRunning() || period <= std::chrono::steady_clock::duration::zero() || !tick) {
    return false;
  }
  // The new thread takes the mutex before its first wait, so it sees thread_
  // assigned (a tick may call Stop(), which reads it).
  std::lock_guard lock(mutex_);
  thread_ = std::jthread(
      [this, period, work = std::move(tick)](std::stop_token stop) { Run(stop, period, work); });
  return true;
}

void PeriodicTimer::Stop() {
  if (!thread_.joinable()) {
    return;
  }
  thread_.request_stop();
  {
    // The timer thread checks the request under the mutex before it waits:
    // taking the mutex here orders this wake-up after that check.
    std::lock_guard lock(mutex_);
  }
  wake_.notify_all();
  if (thread_.get_id() == std::this_thread::get_id()) {
    // A tick cannot wait for itself; the thread ends after this tick returns.
    return;
  }
  thread_.join();
}

void PeriodicTimer::Run(std::stop_token stop, std::chrono::steady_clock::duration period,
                        const Tick& tick) {
  using Clock = std::chrono::steady_clock;
  Clock::time_point next = Clock::now() + period;
  while (!stop.stop_requested()) {
    {
      std::unique_lock lock(mutex_);
      // Nothing but a stop request ends the wait before `next`.
      wake_.wait_until(lock, next, [&stop] { return stop.stop_requested(); });
      if (stop.stop_requested()) return;
    }
    tick(stop);
    next += period;
    const Clock::time_point now = Clock::now();
    if (next <= now) {
      // Overran: continue on the grid rather than catching up in a burst.
      const auto missed = (now - next) / period + 1;
      next += missed * period;
    }
  }
}

}  // namespace tarn::live
