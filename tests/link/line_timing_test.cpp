// The controller's quiet time and the mandated waits, as the simulated
// controller saw them on the line: for every command the tool sends, the next
// request comes no sooner than 20 ms after a reply's last byte, and no sooner
// than 50 ms after TransferStart and ReadZeroPoints or 200 ms after WriteEnd.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "app/connect_commands.h"
#include "app/transfer_commands.h"
#include "link_fixture.h"

namespace tarn {
namespace {

using namespace std::chrono_literals;
using testing::RecordingPrompter;
using testing::RecordingStatus;
using testing::SimulatorTest;

constexpr std::chrono::milliseconds kZeroPointWait{50};

struct Traffic {
  const char* name;
  sim::Faults faults;
  // Runs the tool's code against the controller on `link`.
  std::function<void(ControllerLink& link, sim::Simulator& sim, RecordingPrompter& prompter)> run;
  int requests;  // at least this many requests must have been answered
};

void PrintTo(const Traffic& traffic, std::ostream* out) {
  *out << traffic.name;
}

ParameterImage ControllerImage(const sim::Simulator& sim) {
  ParameterImage image;
  const auto bytes = sim.GetImage();
  std::copy(bytes.begin(), bytes.end(), image.bytes.begin());
  return image;
}

void ReadAndWrite(ControllerLink& link, sim::Simulator& sim, RecordingPrompter& prompter) {
  ParameterImage image;
  TransferFlags flags;
  RecordingStatus status;
  ReadCommand(link, image, flags, prompter, status);
  image = ControllerImage(sim);
  WriteCommand(link, image, flags, prompter, status);
  // Something after WriteEnd, so that its wait shows on the line.
  ReadImage(link, image);
}

void PollLiveData(ControllerLink& link, sim::Simulator&, RecordingPrompter&) {
  for (int poll = 0; poll < 3; ++poll) {
    for (std::uint8_t command : {kCommandLiveData1, kCommandLiveData2, kCommandLiveData3}) {
      link.Exchange(command, {}, 0ms, nullptr);
    }
  }
}

void ReadZeroPointsThrice(ControllerLink& link, sim::Simulator&, RecordingPrompter&) {
  for (int reading = 0; reading < 3; ++reading) {
    link.Exchange(kCommandReadZeroPoints, {}, kZeroPointWait, nullptr);
  }
  link.Exchange(kCommandLiveData1, {}, 0ms, nullptr);
}

// The first Identify is refused; Retry at message 149 scans again at once.
void ScanWithRetryThenRead(ControllerLink& link, sim::Simulator& sim,
                           RecordingPrompter& prompter) {
  ::setenv("TARN_PORTS", sim.SlavePath().c_str(), 1);
  link.SetPort(nullptr);
  prompter.onShow = [&](int) { sim.SetFaults({}); };
  prompter.answers = {MsgAnswer::Retry};
  Connection connection(link, prompter);
  connection.ConnectWithRetry();
  ::unsetenv("TARN_PORTS");
  ParameterImage image;
  ReadImage(link, image);
}

// A read that fails in the middle and is retried from message 151 at once.
void ReadWithRetry(ControllerLink& link, sim::Simulator&, RecordingPrompter& prompter) {
  prompter.answers = {MsgAnswer::Retry};
  ParameterImage image;
  TransferFlags flags;
  RecordingStatus status;
  ReadCommand(link, image, flags, prompter, status);
}

const Traffic kTraffic[] = {
    {"read, write and read again", {}, ReadAndWrite, 34 + 45 + 34},
    {"live data", {}, PollLiveData, 9},
    {"zero points", {}, ReadZeroPointsThrice, 4},
    {"scan with retry", {.identifyByte2 = 0}, ScanWithRetryThenRead, 2 + 34},
    {"read retried after a bad checksum", {.badChecksumOn = 10}, ReadWithRetry, 34 + 9},
    // The reply comes after the point where the tool looks whether it is
    // already there; the wait after TransferStart then does not cover it.
    {"late TransferStart reply", {.lateReplyMs = 40}, ReadWithRetry, 34},
};

class LineTiming : public SimulatorTest, public ::testing::WithParamInterface<Traffic> {};

TEST_P(LineTiming, LeavesTheControllerItsQuietTimeAndTheMandatedWaits) {
  const Traffic& traffic = GetParam();
  // As after the scan: the controller has answered Identify.
  ASSERT_TRUE(link.Exchange(kCommandIdentify, {}, 0ms, nullptr));
  sim.SetFaults(traffic.faults);
  RecordingPrompter prompter;
  traffic.run(link, sim, prompter);
  const std::vector<sim::LineTiming> timings = sim.Timings();
  ASSERT_GE(sim.RepliesSent(), traffic.requests);
  for (const std::string& fault : sim::QuietTimeFaults(timings)) ADD_FAILURE() << fault;
  for (const std::string& fault : sim::MandatedWaitFaults(timings)) ADD_FAILURE() << fault;
}

INSTANTIATE_TEST_SUITE_P(Link, LineTiming, ::testing::ValuesIn(kTraffic),
                         [](const auto& param) { return "traffic" + std::to_string(param.index); });

}  // namespace
}  // namespace tarn
