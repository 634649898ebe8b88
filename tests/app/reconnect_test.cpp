// The adapter pulled out and put back during a session: the monitor page
// blanks its values and polls again by itself, a Write cut short keeps the
// image and its unwritten marks and works once the controller is back, and
// another controller behind the name asks for a Read first. A symlink stands
// in for the adapter's stable name.
#include <unistd.h>

#include <filesystem>

#include "model/image_compare.h"
#include "live/connection_text.h"
#include "live/monitor_display.h"
#include "tool_session.h"

namespace tarn {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class Reconnecting : public testing::ToolSession {
 protected:
  void SetUp() override {
    ToolSession::SetUp();
    fs::remove(alias_);
    fs::create_symlink(sim.SlavePath(), alias_);
    setenv("TARN_PORTS", alias_.c_str(), 1);
  }
  void TearDown() override {
    ToolSession::TearDown();
    if (back_) {
      for (const std::string& fault : sim::QuietTimeFaults(back_->Timings())) ADD_FAILURE() << fault;
    }
    fs::remove(alias_);
  }

  // The adapter leaves, and with it its stable name, as udev removes it: the
  // old terminal's number may soon belong to someone else's terminal.
  void PullOut() {
    fs::remove(alias_);
    sim.Stop();
  }

  // The adapter comes back with a controller behind it.
  sim::Simulator& PlugBackIn(sim::Faults faults = {}) {
    back_ = std::make_unique<sim::Simulator>(sim::Options{.pacing = false, .faults = faults});
    EXPECT_TRUE(back_->Start()) << back_->LastError();
    back_->SetImage(sim.GetImage());
    fs::remove(alias_);
    fs::create_symlink(back_->SlavePath(), alias_);
    return *back_;
  }

  // Posted work runs (as the UI thread would) until `done` or the time-out.
  bool Until(const std::function<bool()>& done, std::chrono::milliseconds timeout = 4s) {
    return host.WaitUntil(done, timeout);
  }

  const std::string alias_ =
      (fs::temp_directory_path() / ("tarn-usb-adapter-" + std::to_string(::getpid()))).string();
  std::unique_ptr<sim::Simulator> back_;
};

TEST_F(Reconnecting, MonitorBlanksWhileOutAndPollsAgainWithinThreeSecondsOfTheReturn) {
  RunTool([&](CQelmUserAppDlg& window) {
    window.UserClick(kIdMonitor);
    ui::Dialog& monitor = *window.Page(kPageMonitor);
    const int speedEdit = SlotEditId(17);
    ASSERT_TRUE(Until([&] { return !monitor.GetText(speedEdit).empty(); }));

    PullOut();
    ASSERT_TRUE(Until([&] { return window.statusBarText() == ConnectionLostText(alias_); }));
    ASSERT_TRUE(Until([&] { return monitor.GetText(speedEdit).empty(); }));
    EXPECT_NE(window.GetText(kIdStatus), kStatusReadSuccess);
    EXPECT_EQ(monitor.GetText(kMonitorStatusBoxId), u"Failure!");
    Until([] { return false; }, 2s);
    EXPECT_TRUE(monitor.GetText(speedEdit).empty());  // nothing old passes for live

    sim::Simulator& back = PlugBackIn();
    const auto returned = Clock::now();
    ASSERT_TRUE(Until([&] { return back.RequestCount(kCommandLiveData1) >= 1; }));
    const auto firstPoll = Clock::now() - returned;
    EXPECT_LT(firstPoll, 3s);
    std::printf("first poll reached the controller %lld ms after its return\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(firstPoll).count()));
    ASSERT_TRUE(Until([&] { return !monitor.GetText(speedEdit).empty(); }));
    EXPECT_EQ(window.statusBarText(), kConnectionRestored);
    EXPECT_EQ(monitor.GetText(kMonitorStatusBoxId), u"Success!");
    window.UserClick(kIdQuit);
  });
  EXPECT_EQ(mainWindowRuns, 1);
}

TEST_F(Reconnecting, WriteCutShortKeepsTheEditsAndWorksOnceTheControllerIsBack) {
  RunTool([&](CQelmUserAppDlg& window) {
    ParameterPage& vehicle = PageOf(window, kPageVehicle);
    const int slot = CheckedNumberSlot(vehicle);
    ASSERT_GE(slot, 0);
    const ParamDef& row = RowOfSlot(vehicle, slot);
    const std::u16string typed = Utf16(std::to_string(row.rangeL + 1));
    vehicle.UserType(SlotEditId(slot), typed);
    // Identity check (3 frames), TransferStart and ten blocks, then out.
    sim.SetFaults({.hangUpAfter = 14});
    fs::remove(alias_);  // the name goes with the adapter
    const auto start = Clock::now();
    window.UserClick(kIdWrite);
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_TRUE(sim.HungUp());
    EXPECT_EQ(host.CountMessages(kMsgWriteFailed), 1);
    EXPECT_EQ(window.GetText(kIdStatus), kStatusWriteFailure);
    ASSERT_FALSE(host.Messages().empty());
    EXPECT_EQ(host.Messages().back().text, kPartlyWrittenMessage);
    // The edit is in the image and still marked as not written.
    EXPECT_FALSE(CompareImages(session.defs, session.controllerImage, session.image).empty());

    sim::Simulator& back = PlugBackIn();
    ASSERT_TRUE(Until([&] { return window.statusBarText() == kConnectionRestored; }));
    window.UserClick(kIdWrite);
    EXPECT_EQ(window.GetText(kIdStatus), kStatusWriteSuccess);
    EXPECT_EQ(back.GetImage(), session.image.bytes);
    EXPECT_TRUE(CompareImages(session.defs, session.controllerImage, session.image).empty());
    window.UserClick(kIdQuit);
  });
}

TEST_F(Reconnecting, AnotherControllerBehindTheNameNeedsARead) {
  RunTool([&](CQelmUserAppDlg& window) {
    PullOut();
    sim::Simulator& back = PlugBackIn({.moduleName = "BQX48B02"});
    ASSERT_TRUE(Until([&] { return window.readRequired(); }));
    EXPECT_EQ(window.statusBarText(), OtherControllerText(alias_));
    host.ClearMessages();
    window.UserClick(kIdWrite);
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text, kReadBeforeWriteMessage);
    EXPECT_EQ(back.RequestCount(kCommandWriteBlock), 0);

    // The Read scans (the user asked), reads this controller and lifts the bar.
    back.SetFaults({});
    window.UserClick(kIdRead);
    EXPECT_EQ(window.GetText(kIdStatus), kStatusReadSuccess);
    EXPECT_FALSE(window.readRequired());
    window.UserClick(kIdWrite);
    EXPECT_EQ(window.GetText(kIdStatus), kStatusWriteSuccess);
    window.UserClick(kIdQuit);
  });
}

}  // namespace
}  // namespace tarn
