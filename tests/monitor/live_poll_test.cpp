// The shared live-data poll: what a tick's sample says about its replies.
#include "live/live_poll.h"

#include <gtest/gtest.h>

#include <thread>

#include "link/serial_port.h"
#include "monitor/scripted_port.h"
#include "sim/simulator.h"

namespace tarn {
namespace {

using testing::ScriptedPort;

constexpr std::uint8_t kLiveData[] = {kCommandLiveData1, kCommandLiveData2, kCommandLiveData3};

std::vector<std::uint8_t> Third(std::uint8_t fill, std::size_t size = kLiveDataThird) {
  return std::vector<std::uint8_t>(size, fill);
}

class Poll : public ::testing::Test {
 protected:
  Poll() {
    auto port = std::make_unique<ScriptedPort>();
    port_ = port.get();
    link_.SetPort(std::move(port));
  }
  // Every third answers with bytes of `fill` + its number.
  void AnswerAll(std::uint8_t fill) {
    for (std::size_t t = 0; t < kLiveDataThirds; ++t) {
      port_->SetReply(kLiveData[t], ScriptedPort::MakeFrame(
                                        kLiveData[t], Third(static_cast<std::uint8_t>(fill + t))));
    }
  }

  ControllerLink link_;
  ScriptedPort* port_ = nullptr;
  LivePoll poll_{link_};
};

TEST_F(Poll, ASampleSaysWhichThirdsCameAndARefusedThirdKeepsItsBytes) {
  struct Case {
    const char* what;
    std::size_t third;
    std::vector<std::uint8_t> reply;  // empty: silence
    std::array<bool, kLiveDataThirds> accepted;
  };
  std::vector<std::uint8_t> badSum = ScriptedPort::MakeFrame(kCommandLiveData2, Third(0x21));
  ++badSum.back();
  const std::vector<Case> cases = {
      {"first silent", 0, {}, {false, true, true}},
      {"first echoes another command",
       0,
       ScriptedPort::MakeFrame(kCommandLiveData3, Third(0x20)),
       {false, true, true}},
      {"second with a bad sum", 1, badSum, {true, false, true}},
      // The answer to another request is not this third's data.
      {"second echoes another command",
       1,
       ScriptedPort::MakeFrame(kCommandLiveData1, Third(0x21)),
       {true, false, true}},
      {"third short",
       2,
       ScriptedPort::MakeFrame(kCommandLiveData3, Third(0x22, 15)),
       {true, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AnswerAll(0x10);
    ASSERT_TRUE(poll_.PollOnce({}).has_value());
    AnswerAll(0x20);
    port_->SetReply(kLiveData[c.third], c.reply);
    const std::optional<LiveSample> sample = poll_.PollOnce({});
    ASSERT_TRUE(sample.has_value());
    EXPECT_EQ(sample->accepted, c.accepted);
    EXPECT_EQ(sample->Answered(), c.accepted[0]);
    for (std::size_t t = 0; t < kLiveDataThirds; ++t) {
      const std::uint8_t expected = static_cast<std::uint8_t>((c.accepted[t] ? 0x20 : 0x10) + t);
      EXPECT_EQ(sample->block[t * kLiveDataThird + 5], expected) << "third " << t;
    }
  }
}

// Against a controller that answers every request 300 ms late: stopping the
// poll lets the exchange under way take its reply, so the next user of the
// port (here a second link, as a second run of the tool would be) gets the
// answer to its own request and not the poll's.
TEST(PollStop, LetsTheExchangeUnderWayTakeItsReply) {
  using namespace std::chrono_literals;
  sim::Simulator sim(sim::Options{.pacing = false, .faults = {.lateReplyMs = 300}});
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  auto OpenLink = [&](ControllerLink& link) {
    auto port = MakeSerialPort();
    ASSERT_TRUE(port->Open(sim.SlavePath())) << port->LastError();
    port->Configure(PortSettings{}, PortTimeouts{});
    link.SetPort(std::move(port));
  };
  ControllerLink first;
  OpenLink(first);
  LivePoll poll(first);
  ASSERT_TRUE(poll.Start([](const LiveSample&) {}));
  // Stop while a live-data reply is being waited for.
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (sim.RequestCount(kCommandLiveData2) == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_EQ(sim.RequestCount(kCommandLiveData2), 1);
  const auto stopping = std::chrono::steady_clock::now();
  poll.Stop();
  const auto stopTook = std::chrono::steady_clock::now() - stopping;
  first.SetPort(nullptr);
  EXPECT_GE(stopTook, 100ms);  // the reply was waited for...
  EXPECT_LT(stopTook, 1600ms);  // ...within one receive window

  ControllerLink second;
  OpenLink(second);
  Reply reply;
  ASSERT_TRUE(second.Exchange(kCommandIdentify, {}, std::chrono::milliseconds{0}, &reply));
  EXPECT_EQ(reply.command, kCommandIdentify);
  EXPECT_EQ(reply.data[2], 1);
  EXPECT_EQ(second.droppedFrames(), 0);
}

}  // namespace
}  // namespace tarn
