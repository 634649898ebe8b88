// The periodic timer that drives the monitor poll.
#include "live/periodic_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tarn::live {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kPeriod{20};
constexpr milliseconds kPatience{5000};

// Counts ticks and lets the test wait for a number of them.
class TickLog {
 public:
  void Record() {
    std::lock_guard lock(mutex_);
    times_.push_back(Clock::now());
    changed_.notify_all();
  }
  bool WaitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] { return times_.size() >= count; });
  }
  std::vector<Clock::time_point> Times() {
    std::lock_guard lock(mutex_);
    return times_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Clock::time_point> times_;
};

TEST(PeriodicTimer, FirstTickComesOnePeriodAfterStartThenRepeats) {
  TickLog log;
  PeriodicTimer timer;
  const Clock::time_point started = Clock::now();
  ASSERT_TRUE(timer.Start(kPeriod, [&](std::stop_token) { log.Record(); }));
  ASSERT_TRUE(log.WaitFor(3));
  timer.Stop();
  const auto times = log.Times();
  EXPECT_GE(times[0] - started, kPeriod);
  // On a grid: tick k is never earlier than start + k periods.
  for (std::size_t k = 1; k < times.size(); ++k) {
    EXPECT_GE(times[k] - started, kPeriod * static_cast<int>(k + 1)) << "tick " << k;
  }
}

TEST(PeriodicTimer, StopWaitsForTheRunningTick) {
  std::atomic<bool> entered{false};
  std::atomic<bool> finished{false};
  PeriodicTimer timer;
  timer.Start(kPeriod, [&](std::stop_token stop) {
    entered = true;
    // Until Stop() asks. Polled: a wait on a condition variable for the stop
    // request alone can miss its wake-up with the Windows build's threads.
    while (!stop.stop_requested()) std::this_thread::sleep_for(milliseconds{1});
    // Work after the request that Stop() must still wait for.
    const Clock::time_point busyUntil = Clock::now() + milliseconds{30};
    while (Clock::now() < busyUntil) {
    }
    finished = true;
  });
  while (!entered) std::this_thread::yield();
  timer.Stop();
  EXPECT_TRUE(finished);
  EXPECT_FALSE(timer.IsRunning());
}

TEST(PeriodicTimer, StartsOnceStopsTwiceAndRestarts) {
  TickLog log;
  PeriodicTimer timer;
  EXPECT_FALSE(timer.Start(milliseconds{0}, [](std::stop_token) {}));
  EXPECT_FALSE(timer.Start(kPeriod, nullptr));
  ASSERT_TRUE(timer.Start(kPeriod, [&](std::stop_token) { log.Record(); }));
  EXPECT_FALSE(timer.Start(kPeriod, [](std::stop_token) {}));  // already running
  ASSERT_TRUE(log.WaitFor(1));
  timer.Stop();
  timer.Stop();
  const std::size_t before = log.Times().size();
  ASSERT_TRUE(timer.Start(kPeriod, [&](std::stop_token) { log.Record(); }));
  EXPECT_TRUE(log.WaitFor(before + 1));
}

TEST(PeriodicTimer, StopFromInsideATickDoesNotHang) {
  std::atomic<bool> asked{false};
  PeriodicTimer timer;
  timer.Start(kPeriod, [&](std::stop_token) {
    timer.Stop();
    asked = true;
  });
  while (!asked) std::this_thread::yield();
  timer.Stop();  // joins the thread that ended after its tick
  EXPECT_FALSE(timer.IsRunning());
}

}  // namespace
}  // namespace tarn::live
