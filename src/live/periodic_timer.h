// A periodic timer on its own thread: the first tick comes one period after
// Start(), later ticks on a fixed grid of start + k * period (no drift). A
// tick that overruns skips the grid points it missed instead of firing them
// in a burst.
//
// Threading: Start(), Stop() and IsRunning() are for one controlling thread
// (the UI thread). The tick runs on the timer's thread and receives a stop
// token that is set as soon as Stop() is called; a long tick should check it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace tarn::live {

class PeriodicTimer {
 public:
  using Tick = std::function<void(std::stop_token)>;

  PeriodicTimer() = default;
  ~PeriodicTimer();
  PeriodicTimer(const PeriodicTimer&) = delete;
  PeriodicTimer& operator=(const PeriodicTimer&) = delete;

  // Starts ticking every `period`. False (and nothing changes) when the timer
  // is already running or the period is not positive.
  bool Start(std::chrono::steady_clock::duration period, Tick tick);

  // Asks the thread to stop and returns once no tick is running any more.
  // Safe to call when stopped. Called from inside a tick it only asks.
  void Stop();

  bool IsRunning() const { return thread_.joinable(); }

 private:
  void Run(std::stop_token stop, std::chrono::steady_clock::duration period, const Tick& tick);

  std::mutex mutex_;  // the timer thread's waits; guards the hand-over of thread_
  // Woken by Stop(). Not a wait on the stop token itself: that registers a
  // stop callback, and a callback that runs while its wait ends is waited for
  // on a semaphore whose wake-up the Windows build's runtime can miss, which
  // hung Stop() for good.
  std::condition_variable wake_;
  std::jthread thread_;
};

}  // namespace tarn::live
