// The monitor page feeding the recording, the error history and the chart
// from its one poll, against a scripted controller and the simulator.
#include "live/live_feed.h"

#include <gtest/gtest.h>

#include "monitor/live_fixtures.h"
#include "monitor/monitor_page.h"
#include "monitor/scripted_port.h"
#include "sim/simulator.h"
#include "ui/headless_host.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using testing::ReadCsv;

constexpr milliseconds kPatience{8000};
constexpr int kErrorBit = 7;

class LivePage : public ::testing::Test {
 protected:
  void SetUp() override {
    session_->defs = *testing::BuiltInDefinitions();
    session_->flags.imageRead = true;
  }
  void TearDown() override { page_.reset(); }

  CMonitor1Dlg& Page() {
    if (!page_) page_ = std::make_unique<CMonitor1Dlg>(host_, *session_);
    return *page_;
  }
  LiveFeed& Live() { return Page().Live(); }
  bool WaitFor(const std::function<bool()>& done) { return host_.WaitUntil(done, kPatience); }
  fs::path File() const { return dir_ / "live.csv"; }

  ui::HeadlessHost host_;
  std::unique_ptr<Session> session_ = std::make_unique<Session>();
  std::unique_ptr<CMonitor1Dlg> page_;
  testing::TempDir dir_{"tarn-live"};
};

TEST_F(LivePage, HistoryAndRecordingGoOnAcrossHidingThePage) {
  auto port = std::make_unique<testing::ScriptedPort>();
  for (const std::uint8_t command : {kCommandLiveData1, kCommandLiveData2, kCommandLiveData3}) {
    std::vector<std::uint8_t> data(kLiveDataThird, 0);
    if (command == kCommandLiveData2) data[1] = 1u << kErrorBit;  // error word, low byte
    port->SetReply(command, testing::ScriptedPort::MakeFrame(command, data));
  }
  testing::ScriptedPort& script = *port;
  session_->link.SetPort(std::move(port));
  std::string error;
  ASSERT_TRUE(Live().StartRecording(File(), &error)) << error;
  int heard = 0;
  Live().AddListener([&](const LiveSample&) { ++heard; });

  Page().Show(true);
  ASSERT_TRUE(WaitFor([&] { return Live().Recording().Rows() >= 2; }));
  Page().Show(false);
  host_.ProcessPosted();
  const auto seen = Live().History().Records();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].bit, kErrorBit);
  const std::int64_t rowsWhileHidden = Live().Recording().Rows();
  EXPECT_EQ(seen[0].polls, rowsWhileHidden);

  Page().Show(true);
  ASSERT_TRUE(WaitFor([&] { return Live().Recording().Rows() >= rowsWhileHidden + 2; }));
  Page().Show(false);
  host_.ProcessPosted();
  const auto later = Live().History().Records();
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(later[0].firstSeen, seen[0].firstSeen);
  EXPECT_EQ(later[0].polls, Live().Recording().Rows());
  EXPECT_EQ(heard, Live().Recording().Rows());
  // Three requests per row, and at most one tick cut short by each of the two
  // hides: the feed costs the line nothing.
  const std::int64_t rows = Live().Recording().Rows();
  EXPECT_GE(script.TotalRequests(), 3 * rows);
  EXPECT_LE(script.TotalRequests(), 3 * rows + 3 * 2);
}

TEST_F(LivePage, ACablePulledMidRecordingLeavesAValidFile) {
  constexpr int kAnsweredTicks = 3;
  sim::Simulator simulator(sim::Options{.pacing = false});
  ASSERT_TRUE(simulator.Start()) << simulator.LastError();
  simulator.SetFaults({.hangUpAfter = 3 * kAnsweredTicks});
  auto port = MakeSerialPort();
  ASSERT_TRUE(port->Open(simulator.SlavePath()));
  ASSERT_TRUE(port->Configure(PortSettings{}, session_->link.timeouts));
  session_->link.SetPort(std::move(port));
  std::string error;
  ASSERT_TRUE(Live().StartRecording(File(), &error)) << error;
  Page().Show(true);
  ASSERT_TRUE(WaitFor([&] { return Live().Recording().Rows() >= kAnsweredTicks + 3; }));
  EXPECT_TRUE(simulator.HungUp());

  // Read while the recording goes on, as after the program ended.
  const testing::CsvFile file = ReadCsv(File());
  ASSERT_TRUE(file.valid) << file.problem;
  ASSERT_GE(file.records.size(), 1u + kAnsweredTicks + 3);
  const int speed = testing::ColumnOf(file, testing::Utf8(session_->defs.monitorItems[17].name));
  for (std::size_t row = 1; row < file.records.size(); ++row) {
    const bool answered = row <= kAnsweredTicks;
    SCOPED_TRACE("row " + std::to_string(row));
    EXPECT_EQ(file.records[row][2], answered ? "Success!" : "Failure!");
    EXPECT_EQ(file.records[row][speed].empty(), !answered);
  }
  Page().Show(false);
  EXPECT_TRUE(Live().Recording().IsRecording());
  Live().StopRecording();
  EXPECT_TRUE(ReadCsv(File()).valid);
}

TEST_F(LivePage, AListenerMayRemoveItselfOrAnother) {
  LiveFeed feed(session_->defs);
  int first = 0;
  int second = 0;
  int secondId = 0;
  const int firstId = feed.AddListener([&](const LiveSample&) {
    ++first;
    feed.RemoveListener(secondId);
  });
  secondId = feed.AddListener([&](const LiveSample&) { ++second; });
  feed.Take(testing::SampleAt(1));
  feed.RemoveListener(firstId);
  feed.Take(testing::SampleAt(2));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
}

}  // namespace
}  // namespace tarn
