// The poll thread and the link watch on the same link while the adapter is
// pulled out and put back: the poll's samples say the port was gone and
// carry nothing old as new, and polls reach the controller again by themselves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "link/reconnect.h"
#include "live/live_poll.h"
#include "sim/simulator.h"

namespace tarn {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

TEST(LiveReconnect, PollsResumeByThemselvesAfterTheAdapterIsBack) {
  const std::string alias =
      (fs::temp_directory_path() / ("tarn-live-adapter-" + std::to_string(::getpid()))).string();
  fs::remove(alias);
  auto first = std::make_unique<sim::Simulator>(sim::Options{.pacing = false});
  ASSERT_TRUE(first->Start()) << first->LastError();
  fs::create_symlink(first->SlavePath(), alias);

  ControllerLink link;
  auto port = MakeSerialPort();
  ASSERT_TRUE(port->Open(alias));
  ASSERT_TRUE(port->Configure(PortSettings{}, link.timeouts));
  link.SetPort(std::move(port));

  std::mutex mutex;
  std::vector<LiveSample> samples;
  auto count = [&] {
    std::lock_guard lock(mutex);
    return samples.size();
  };
  LinkWatch watch(link);
  watch.Expect(alias, "", ControllerIdentity::Of(sim::DefaultImage()));
  ASSERT_TRUE(watch.Start([](LinkWatch::Event, const std::string&) {}));
  LivePoll poll(link);
  ASSERT_TRUE(poll.Start([&](const LiveSample& sample) {
    std::lock_guard lock(mutex);
    samples.push_back(sample);
  }));
  auto waitFor = [](const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto until = Clock::now() + timeout;
    while (!done() && Clock::now() < until) std::this_thread::sleep_for(10ms);
    return done();
  };
  ASSERT_TRUE(waitFor([&] { return count() >= 3; }, 3s));

  fs::remove(alias);
  first->Stop();
  std::this_thread::sleep_for(2s);
  const std::size_t pulledAt = count();
  auto second = std::make_unique<sim::Simulator>(sim::Options{.pacing = false});
  ASSERT_TRUE(second->Start()) << second->LastError();
  fs::create_symlink(second->SlavePath(), alias);
  const auto returned = Clock::now();
  ASSERT_TRUE(waitFor([&] { return second->RequestCount(kCommandLiveData1) >= 1; }, 3s));
  EXPECT_LT(Clock::now() - returned, 3s);
  ASSERT_TRUE(waitFor(
      [&] {
        std::lock_guard lock(mutex);
        return samples.back().Complete();
      },
      2s));
  poll.Stop();
  watch.Stop();

  std::lock_guard lock(mutex);
  int gone = 0;
  for (std::size_t i = 3; i < pulledAt; ++i) {
    if (!samples[i].portGone) continue;
    ++gone;
    EXPECT_FALSE(samples[i].accepted[0] || samples[i].accepted[1] || samples[i].accepted[2]) << i;
  }
  // Five polls a second went on while the port was out, each one failed.
  EXPECT_GE(gone, 7);
  EXPECT_FALSE(samples.back().portGone);
  fs::remove(alias);
  for (const std::string& fault : sim::QuietTimeFaults(second->Timings())) ADD_FAILURE() << fault;
}

}  // namespace
}  // namespace tarn
