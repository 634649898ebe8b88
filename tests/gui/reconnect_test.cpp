// The adapter pulled out from under the monitor page of the real Qt window
// and put back two seconds later: the values go blank while it is out, and
// the polls reach the controller again by themselves, with no restart. A
// symlink stands in for the adapter's stable name.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "gui/dialog_view.h"
#include "gui_session.h"
#include "live/monitor_display.h"
#include "live/slot_grid.h"

namespace tarn::gui::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class GuiReconnect : public GuiSession {
 protected:
  void SetUp() override {
    GuiSession::SetUp();
    fs::remove(alias);
    fs::create_symlink(sim.SlavePath(), alias);
    setenv("TARN_PORTS", alias.c_str(), 1);
  }
  void TearDown() override { fs::remove(alias); }

  const std::string alias =
      (fs::temp_directory_path() / ("tarn-gui-adapter-" + std::to_string(::getpid()))).string();
  std::unique_ptr<sim::Simulator> back;
};

QString MonitorStatus() {
  const QWidget* status = FindControl(kTemplateMonitor, kMonitorStatusBoxId);
  return status == nullptr ? QString() : ShownText(status);
}

// The motor speed's edit, a value every poll brings.
bool ValuesBlank() {
  const QWidget* speed = FindControl(kTemplateMonitor, SlotEditId(17));
  return speed != nullptr && ShownText(speed).isEmpty();
}

TEST_F(GuiReconnect, PollsReachTheControllerAgainWithinThreeSecondsOfItsReturn) {
  Clock::time_point pulled;
  Clock::time_point returned;
  std::chrono::milliseconds firstPoll{0};
  StartToVehiclePage();
  scenario
      .Then(
          "the monitor", [] { return true; }, [] { Click(FindControl(kTemplateMain, kIdMonitor)); })
      .Then(
          "a poll answered", [] { return MonitorStatus() == u"Success!"; },
          [&] {
            fs::remove(alias);
            sim.Stop();
            pulled = Clock::now();
          })
      .Then("the values blank while the adapter is out",
            [] { return MonitorStatus() == u"Failure!" && ValuesBlank(); })
      .Then(
          "two seconds out", [&] { return Clock::now() - pulled >= 2s; },
          [&] {
            EXPECT_TRUE(ValuesBlank());
            back = std::make_unique<sim::Simulator>(sim::Options{.pacing = false});
            ASSERT_TRUE(back->Start()) << back->LastError();
            back->SetImage(sim.GetImage());
            fs::remove(alias);
            fs::create_symlink(back->SlavePath(), alias);
            returned = Clock::now();
          })
      .Then("a poll reaches the controller that came back",
            [&] {
              if (back == nullptr || back->RequestCount(kCommandLiveData1) < 1) return false;
              firstPoll = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                                                returned);
              return true;
            })
      .Then(
          "its values on the page",
          [] { return MonitorStatus() == u"Success!" && !ValuesBlank(); },
          [] { Click(FindControl(kTemplateMain, kIdVehicle)); })
      .Then("back on the vehicle page", [] { return FindView(kTemplateVehicle) != nullptr; });
  Quit();
  Run();
  EXPECT_LT(firstPoll, 3s);
  std::printf("Qt window: first poll reached the controller %lld ms after its return\n",
              static_cast<long long>(firstPoll.count()));
  if (back) {
    for (const std::string& fault : sim::QuietTimeFaults(back->Timings())) ADD_FAILURE() << fault;
  }
}

}  // namespace
}  // namespace tarn::gui::test
