// One exchange over a real pseudo-terminal against the simulated controller:
// the request on the wire, the reply shapes the receive must cope with, and
// the guarantees the link adds (purge before a request, no overlap, a reply
// only from its own request).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "link_fixture.h"

namespace tarn {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using testing::SimulatorTest;

constexpr std::uint8_t kReadAt0x1F0[] = {0xF0, 0x10, 0x01};

class Exchange : public SimulatorTest {};

TEST_F(Exchange, RequestsGoOutWithTheirChecksum) {
  ASSERT_TRUE(link.Exchange(kCommandReadBlock, kReadAt0x1F0, 0ms, nullptr));
  ASSERT_TRUE(link.Exchange(kCommandWriteEnd, {}, 0ms, nullptr));
  const auto requests = sim.Requests();
  ASSERT_EQ(requests.size(), 2u);
  // ReadBlock, 3 data bytes: address low 0xF0, count 16, address high 0x01, sum.
  EXPECT_EQ(requests[0], (Bytes{0xF2, 0x03, 0xF0, 0x10, 0x01, 0xF6}));
  EXPECT_EQ(requests[1], (Bytes{0xF4, 0x00, 0xF4}));  // WriteEnd
}

TEST_F(Exchange, ReplyIsCopiedOut) {
  Reply reply;
  ASSERT_TRUE(link.Exchange(kCommandReadBlock, kReadAt0x1F0, 0ms, &reply));
  EXPECT_EQ(reply.command, kCommandReadBlock);
  EXPECT_EQ(reply.length, 16);
  const auto image = sim.GetImage();
  EXPECT_TRUE(std::equal(reply.data.begin(), reply.data.end(), image.begin() + 0x1F0));
}

struct ReplyShape {
  const char* name;
  Bytes raw;  // what the controller sends for the request
  bool accepted;
  std::uint8_t length;                // of the accepted reply
  std::chrono::milliseconds atLeast;  // a failure that must wait out the window
};

const ReplyShape kShapes[] = {
    {"two frames in one write", {0xF1, 0x00, 0xF1, 0xF4, 0x00, 0xF4}, true, 0, 0ms},
    // TransferStart, length 0x20 read as 16, data 1..16, sum over the clamped frame.
    {"length 0x20 clamped to 16",
     {0xF1, 0x20, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 0x89},
     true,
     16,
     0ms},
    {"wrong checksum", {0xF1, 0x00, 0xF2}, false, 0, 0ms},
    // The first attempt ends 20 ms after the last byte, nine more follow.
    {"stray byte before the reply", {0x00, 0xF1, 0x00, 0xF1}, false, 0, 1300ms},
    {"no reply", {}, false, 0, 1400ms},
    {"reply cut short", {0xF1, 0x10, 0x01, 0x02}, false, 0, 1300ms},
    // A whole, well-formed frame, but the answer to another request.
    {"reply to another request", {0x3A, 0x00, 0x3A}, false, 0, 1300ms},
};

void PrintTo(const ReplyShape& shape, std::ostream* out) {
  *out << shape.name;
}

class ReplyShapes : public SimulatorTest, public ::testing::WithParamInterface<ReplyShape> {};

TEST_P(ReplyShapes, AreAcceptedOrRefused) {
  const ReplyShape& shape = GetParam();
  sim.SetReplyHook([&](std::span<const std::uint8_t>) { return shape.raw; });
  Reply reply;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(link.Exchange(kCommandTransferStart, {}, 0ms, &reply), shape.accepted);
  const auto took = std::chrono::steady_clock::now() - start;
  if (shape.accepted) {
    EXPECT_EQ(reply.length, shape.length);
  }
  EXPECT_GE(took, shape.atLeast);
}

INSTANTIATE_TEST_SUITE_P(Link, ReplyShapes, ::testing::ValuesIn(kShapes),
                         [](const auto& param) { return "shape" + std::to_string(param.index); });

TEST_F(Exchange, ReplySplitIntoPiecesWithGapsIsReassembled) {
  // Gaps longer than the inter-byte time-out end a read; the next attempt
  // continues the same frame.
  for (int gapMs : {2, 30}) {
    sim.SetFaults({.splitPieceBytes = 3, .splitGapMs = gapMs});
    Reply reply;
    EXPECT_TRUE(link.Exchange(kCommandReadBlock, kReadAt0x1F0, 0ms, &reply)) << gapMs;
    EXPECT_EQ(reply.length, 16);
  }
}

TEST_F(Exchange, BadChecksumFailsAtOnceAndTheNextExchangeWorks) {
  sim.SetFaults({.badChecksumOn = 1});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(link.Exchange(kCommandReadBlock, kReadAt0x1F0, 0ms, nullptr));
  // Well inside the 1.5 s window that a missing reply costs.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
  EXPECT_TRUE(link.Exchange(kCommandReadBlock, kReadAt0x1F0, 0ms, nullptr));
}

TEST_F(Exchange, LateReplyToAnEarlierRequestIsNotTakenForTheNext) {
  // The Identify reply comes after the link gave up on it; it lies unread in
  // the input when the next request goes out.
  sim.SetFaults({.lateReplyMs = 2500, .lateReplyOn = 1});
  EXPECT_FALSE(link.Exchange(kCommandIdentify, {}, 0ms, nullptr));
  ASSERT_TRUE(sim.WaitForReplies(1, 5s));
  Reply reply;
  ASSERT_TRUE(link.Exchange(kCommandReadBlock, kReadAt0x1F0, 0ms, &reply));
  EXPECT_EQ(reply.command, kCommandReadBlock);
  EXPECT_EQ(reply.length, 16);
}

TEST_F(Exchange, HangUpFailsPromptly) {
  sim.SetFaults({.hangUpAfter = 1});
  EXPECT_TRUE(link.Exchange(kCommandTransferStart, {}, 0ms, nullptr));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(link.Exchange(kCommandTransferStart, {}, 0ms, nullptr));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
  EXPECT_TRUE(sim.HungUp());
  EXPECT_FALSE(link.Exchange(kCommandTransferStart, {}, 0ms, nullptr));
}

TEST_F(Exchange, ExchangesFromTwoThreadsNeverInterleave) {
  // Each thread checks that it got the reply to its own request; an
  // overlapping exchange would hand one thread the other's reply.
  sim.SetFaults({.splitPieceBytes = 4, .splitGapMs = 1});
  std::atomic<int> wrong{0};
  auto worker = [&](std::uint8_t command) {
    for (int i = 0; i < 15; ++i) {
      Reply reply;
      if (!link.Exchange(command, {}, 0ms, &reply) || reply.command != command) ++wrong;
    }
  };
  std::thread monitor(worker, kCommandLiveData1);
  std::thread other(worker, kCommandReadZeroPoints);
  monitor.join();
  other.join();
  EXPECT_EQ(wrong.load(), 0);
}

// A controller that is late with a reply sends it all the same; whatever
// request is then under way must not take it for its own answer.
struct Request {
  const char* name;
  std::uint8_t command;
  Bytes data;
};

const Request kRequests[] = {
    {"Identify", kCommandIdentify, {}},
    {"TransferStart", kCommandTransferStart, {}},
    {"ReadBlock", kCommandReadBlock, {0xF0, 0x10, 0x01}},
    {"WriteBlock", kCommandWriteBlock, {0xFB, 0x05, 0x01, 1, 2, 3, 4, 5}},
    {"WriteEnd", kCommandWriteEnd, {}},
    {"ReadZeroPoints", kCommandReadZeroPoints, {}},
    {"LiveData1", kCommandLiveData1, {}},
    {"LiveData2", kCommandLiveData2, {}},
    {"LiveData3", kCommandLiveData3, {}},
};

Bytes FrameOf(std::uint8_t command, std::uint8_t fill) {
  Bytes frame{command, 16};
  frame.insert(frame.end(), 16, fill);
  frame.push_back(FrameChecksum(frame));
  return frame;
}

TEST_F(Exchange, EveryReplyMustCarryItsRequestsCommand) {
  for (const Request& request : kRequests) {
    SCOPED_TRACE(request.name);
    // The stale answer is the one a neighbouring command would get.
    const std::uint8_t other = request.command == kCommandLiveData1 ? kCommandLiveData2
                                                                    : kCommandLiveData1;
    Bytes staleThenOwn = FrameOf(other, 0xEE);
    const Bytes own = FrameOf(request.command, 0x5A);
    staleThenOwn.insert(staleThenOwn.end(), own.begin(), own.end());

    // The hook keeps its own copy: the simulator's thread reads it while this
    // loop goes on to the next request.
    sim.SetReplyHook([staleThenOwn](std::span<const std::uint8_t>) { return staleThenOwn; });
    const int droppedBefore = link.droppedFrames();
    Reply reply;
    ASSERT_TRUE(link.Exchange(request.command, request.data, 0ms, &reply));
    EXPECT_EQ(reply.command, request.command);
    EXPECT_EQ(reply.data[0], 0x5A);
    EXPECT_EQ(link.droppedFrames(), droppedBefore + 1);
  }
}

TEST_F(Exchange, AfterAFailureTheLineFallsQuietBeforeTheNextRequest) {
  // The first reply has a wrong checksum, and a stale frame trickles in
  // behind it a byte every 5 ms. The exchange fails at once; the stale bytes
  // must be waited out and dropped, not read as the start of the next reply.
  Bytes raw = {kCommandReadBlock, 0x00, 0x00};  // sum should be 0xF2
  const Bytes stale = FrameOf(kCommandLiveData1, 0x33);
  raw.insert(raw.end(), stale.begin(), stale.end());
  std::atomic<int> calls{0};
  sim.SetReplyHook([&](std::span<const std::uint8_t>) -> std::optional<Bytes> {
    if (calls++ == 0) return raw;
    return std::nullopt;
  });
  sim.SetFaults({.splitPieceBytes = 1, .splitGapMs = 5});
  EXPECT_FALSE(link.Exchange(kCommandReadBlock, kReadAt0x1F0, 0ms, nullptr));
  sim.SetFaults({});
  Reply reply;
  ASSERT_TRUE(link.Exchange(kCommandReadBlock, kReadAt0x1F0, 0ms, &reply));
  EXPECT_EQ(reply.length, 16);
  const auto image = sim.GetImage();
  EXPECT_TRUE(std::equal(reply.data.begin(), reply.data.end(), image.begin() + 0x1F0));
  EXPECT_EQ(link.droppedFrames(), 0);
  for (const std::string& fault : sim::QuietTimeFaults(sim.Timings())) ADD_FAILURE() << fault;
}

TEST(ExchangeWithoutPort, FailsWithoutTraffic) {
  ControllerLink link;
  EXPECT_FALSE(link.Exchange(kCommandIdentify, {}, std::chrono::milliseconds(0), nullptr));
  EXPECT_FALSE(link.ReceiveFrame());
}

}  // namespace
}  // namespace tarn
