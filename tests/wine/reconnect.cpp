// The adapter pulled out from under the monitor page of tarn-user-app.exe and
// put back two seconds later, under wine, with real input on the display:
// COM1 leaves the system's port list, its link to the controller's terminal
// goes and the controller with it; then a controller with the same image
// comes back on a new terminal behind the same COM1. The status bar and the
// monitor's values are read from the program's windows by the probe.
#include "reconnect.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/main_dlg.h"
#include "link/controller_link.h"
#include "ui/message_ids.h"
#include "live/connection_text.h"
#include "live/monitor_display.h"
#include "monitor/monitor_page.h"
#include "pages/parameter_pages.h"
#include "resources/embedded.h"
#include "sim/simulator.h"
#include "live/slot_grid.h"
#include "wine_driver.h"

namespace tarn::wine {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr char kPort[] = "COM1";
constexpr seconds kStartTimeout{60};
constexpr seconds kLinkTimeout{10};
constexpr seconds kTimeOut{2};
// The controller's polls must reach it again within this time of its return.
constexpr milliseconds kFirstPollBound{3000};
constexpr seconds kProgramEnd{30};
constexpr int kIdYes = 6;  // IDYES
// More than any monitor page has; the probe answers "none" past the last.
constexpr int kMaxSlots = 64;
constexpr milliseconds kLookInterval{4};

// As the probe gives texts: UTF-8, line breaks as "\n".
std::string Utf8(std::u16string_view text) {
  std::string escaped;
  for (char c : res::EncodeUtf8(text)) {
    if (c == '\r') continue;
    escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return escaped;
}

long long Since(Clock::time_point from) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - from).count();
}

// One step of the scenario: waits until `done` holds, up to `timeout`,
// prints how long after `from` it held, then does `then`.
struct Step {
  const char* what;
  std::function<bool()> done;
  std::function<void()> then;
  seconds timeout = kLinkTimeout;
  const Clock::time_point* from = nullptr;
};

class Reconnect {
 public:
  Reconnect(Driver& driver, sim::Simulator& sim, Com1& com1)
      : driver_(driver), sim_(sim), com1_(com1) {}

  bool Run(const std::string& program, Process& app);
  long long firstPoll() const { return firstPoll_; }
  bool failed() const { return failed_; }
  const sim::Simulator* back() const { return back_.get(); }
  // Puts COM1 back into the port list if a failed step left it out.
  void Relist() {
    if (unlisted_) driver_.Relist();
    unlisted_ = false;
  }

 private:
  bool Play(const std::vector<Step>& steps);
  void Fail(const std::string& what) {
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    failed_ = true;
  }
  bool Clicked(int templateId, int id);
  std::string StatusBar() {
    const auto bar = driver_.StatusBar(kTemplateMain);
    return bar ? bar->text : std::string();
  }
  std::string MonitorStatus() {
    const auto box = driver_.Control(kTemplateMonitor, kMonitorStatusBoxId);
    return box && box->shown ? box->text : std::string();
  }
  std::vector<std::string> Values();
  // The slots that show a value, for a failure's message.
  std::string ShownValues() {
    std::string shown;
    const std::vector<std::string> values = Values();
    for (std::size_t slot = 0; slot < values.size(); ++slot) {
      if (!values[slot].empty()) shown += " " + std::to_string(slot) + "=\"" + values[slot] + "\"";
    }
    return shown;
  }
  // Whether every slot that showed a value while polls were answered is
  // blank (`blank`) or shows one again.
  bool LiveSlots(bool blank);
  void Pull();
  void PutBack();

  Driver& driver_;
  sim::Simulator& sim_;
  Com1& com1_;
  std::unique_ptr<sim::Simulator> back_;
  std::vector<int> live_;  // the slots that showed a value
  Clock::time_point started_;
  Clock::time_point pulled_;
  Clock::time_point returned_;
  long long firstPoll_ = -1;
  bool unlisted_ = false;
  bool failed_ = false;
};

bool Reconnect::Clicked(int templateId, int id) {
  const auto control = driver_.Control(templateId, id);
  if (!control || !control->shown || !control->enabled) return false;
  driver_.Click(*control);
  return true;
}

std::vector<std::string> Reconnect::Values() {
  std::vector<std::string> values;
  for (int slot = 0; slot < kMaxSlots; ++slot) {
    const auto edit = driver_.Control(kTemplateMonitor, SlotEditId(slot));
    if (!edit) break;
    // The poll's own status box lies where a slot past the last would.
    const bool value = edit->shown && SlotEditId(slot) != kMonitorStatusBoxId;
    values.push_back(value ? edit->text : std::string());
  }
  return values;
}

bool Reconnect::LiveSlots(bool blank) {
  const std::vector<std::string> values = Values();
  for (int slot : live_) {
    if (slot >= static_cast<int>(values.size())) return false;
    if (values[static_cast<std::size_t>(slot)].empty() != blank) return false;
  }
  return true;
}

// As a USB adapter goes: out of the port list, its device gone, and the
// controller no longer on the line.
void Reconnect::Pull() {
  unlisted_ = driver_.Unlist(kPort);
  if (!unlisted_) Fail(std::string(kPort) + " is not in SERIALCOMM");
  com1_.Remove();
  sim_.Stop();
  pulled_ = Clock::now();
}

// The same controller on a terminal of its own behind the same COM1, and
// the port listed again.
void Reconnect::PutBack() {
  back_ = std::make_unique<sim::Simulator>();  // paced at the line rate
  back_->SetImage(sim_.GetImage());
  if (!back_->Start() || !com1_.Link(back_->SlavePath())) {
    Fail("the controller did not come back: " + back_->LastError());
  }
  Relist();
  returned_ = Clock::now();
}

bool Reconnect::Play(const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    const auto deadline = Clock::now() + step.timeout;
    while (!step.done()) {
      if (Clock::now() >= deadline) {
        Fail(std::string(step.what) + " (status bar \"" + StatusBar() + "\", monitor \"" +
             MonitorStatus() + "\", values" + ShownValues() + ")");
        return false;
      }
      std::this_thread::sleep_for(kLookInterval);
    }
    if (step.from != nullptr) {
      std::printf("  %-52s %6lld ms\n", step.what, Since(*step.from));
    }
    if (step.then) step.then();
  }
  return true;
}

bool Reconnect::Run(const std::string& program, Process& app) {
  if (!driver_.StartProgram(app, {"explorer", "/desktop=tarn,1280x1024", program})) return false;
  const std::string warning = Utf8(res::String(kMsgStartWarning));
  const std::string lost = Utf8(ConnectionLostText(kPort));
  const std::string restored = Utf8(kConnectionRestored);
  started_ = Clock::now();
  // Each step waits on what the windows show; the times are from the pull
  // and from the return.
  const std::vector<Step> steps = {
      {"the warning",
       [&] {
         const auto box = driver_.Box();
         return box && box->text == warning;
       },
       [&] {
         if (const auto yes = driver_.BoxButton(kIdYes)) driver_.Click(*yes);
       },
       kStartTimeout},
      {"the vehicle page with its values",
       [&] {
         const auto edit = driver_.Control(kTemplateVehicle, SlotEditId(0));
         return edit && edit->shown && !edit->text.empty();
       },
       {},
       kStartTimeout},
      {"the monitor opened", [&] { return Clicked(kTemplateMain, kIdMonitor); }, {}},
      {"a poll answered, its values shown",
       [&] {
         if (MonitorStatus() != "Success!") return false;
         live_.clear();
         const std::vector<std::string> values = Values();
         for (std::size_t slot = 0; slot < values.size(); ++slot) {
           if (!values[slot].empty()) live_.push_back(static_cast<int>(slot));
         }
         return !live_.empty();
       },
       [&] { Pull(); }},
      {"pulled -> status bar says the connection is lost",
       [&] { return StatusBar() == lost; },
       {},
       kLinkTimeout,
       &pulled_},
      {"pulled -> every value blank, the monitor failing",
       [&] { return MonitorStatus() == "Failure!" && LiveSlots(true); },
       {},
       kLinkTimeout,
       &pulled_},
      {"still out two seconds after the pull", [&] { return Clock::now() - pulled_ >= kTimeOut; },
       [&] {
         if (!(StatusBar() == lost && LiveSlots(true))) {
           Fail("values or the status bar came back with the adapter out");
         }
         PutBack();
       }},
      {"returned -> first poll reaches the controller",
       [&] {
         if (back_->RequestCount(kCommandLiveData1) < 1) return false;
         firstPoll_ = Since(returned_);
         return true;
       },
       {},
       kLinkTimeout,
       &returned_},
      {"returned -> status bar says Connection restored",
       [&] { return StatusBar() == restored; },
       {},
       kLinkTimeout,
       &returned_},
      {"returned -> values shown again, the monitor answered",
       [&] { return MonitorStatus() == "Success!" && LiveSlots(false); },
       [&] { Clicked(kTemplateMain, kIdQuit); }, kLinkTimeout, &returned_},
      {"the program ended by Quit",
       [&] { return !driver_.Window(kTemplateMain).has_value(); },
       {},
       kProgramEnd},
  };
  std::printf("under wine: the adapter pulled from under the monitor page and back %lld s later\n",
              static_cast<long long>(kTimeOut.count()));
  const bool played = Play(steps);
  std::printf("  whole run %lld ms\n", Since(started_));
  return played && !failed_;
}

}  // namespace

int RunReconnect(const std::string& scripts, const std::string& build) {
  sim::Simulator sim;  // paced at the line rate, as a real controller
  if (!sim.Start()) {
    std::fprintf(stderr, "FAILED: the simulated controller: %s\n", sim.LastError().c_str());
    return 1;
  }
  Com1 com1(build, sim.SlavePath());
  Driver driver(scripts, build);
  if (!com1.ok() || !driver.StartProbe()) {
    std::fprintf(stderr, "FAILED: cannot link COM1 or start the probe\n");
    return 1;
  }
  Reconnect reconnect(driver, sim, com1);
  Process app;
  bool ok = reconnect.Run(build + "/tarn-user-app.exe", app);
  reconnect.Relist();
  driver.StopProbe();
  if (!app.Wait(seconds(10))) app.Kill();
  if (reconnect.firstPoll() >= 0) {
    std::printf(
        "under wine: first poll reached the controller %lld ms after its return (bound %lld ms)\n",
        reconnect.firstPoll(), static_cast<long long>(kFirstPollBound.count()));
  }
  if (reconnect.firstPoll() < 0 || reconnect.firstPoll() >= kFirstPollBound.count()) {
    std::fprintf(stderr, "FAILED: no poll reached the controller within %lld ms of its return\n",
                 static_cast<long long>(kFirstPollBound.count()));
    ok = false;
  }
  if (const sim::Simulator* back = reconnect.back()) {
    for (const std::string& fault : sim::QuietTimeFaults(back->Timings())) {
      std::fprintf(stderr, "FAILED: %s\n", fault.c_str());
      ok = false;
    }
  }
  return ok ? 0 : 1;
}

}  // namespace tarn::wine
