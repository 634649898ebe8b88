// tarn-wine-session: runs the Windows programs of a Windows build under wine
// against the simulated controller, which runs here on a pseudo-terminal and
// reaches the prefix as COM1 through a fixed link that exists only while it
// runs.
//
//   tarn-wine-session serial <build-win64>
//       the serial backend's suite (wine_serial.exe) on COM1;
//   tarn-wine-session bench <build-win64>
//       the monitor's tick period under wine (bench_wine_monitor.exe) on COM1;
//   tarn-wine-session reconnect <build-win64>
//       tarn-user-app.exe on its monitor page while COM1's adapter is pulled
//       out and put back two seconds later (reconnect.cpp);
//   tarn-wine-session session <build-win64> [--screenshots DIR]
//       one session of tarn-user-app.exe driven by real input on the display:
//       the warning, Yes, the vehicle page with its values, the monitor for
//       two seconds, back, the zero-point dialog, Write, Quit. What the
//       controller saw on the wire must equal what the same session sends
//       from the Linux program (the same windows on the headless host).
//       Prints the figures: Yes to the vehicle page with values against the
//       start-up's bound on the wire, and the monitor's tick period.
//
// Exit status 0 when everything held; the reasons otherwise.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/file_commands.h"
#include "app/live_commands.h"
#include "app/main_dlg.h"
#include "app/session.h"
#include "link/controller_link.h"
#include "model/definition_loader.h"
#include "model/page_layout.h"
#include "model/value_codec.h"
#include "live/monitor_display.h"
#include "monitor/monitor_page.h"
#include "pages/read_zero_dlg.h"
#include "pages/parameter_pages.h"
#include "resources/embedded.h"
#include "sim/simulator.h"
#include "ui/headless_host.h"
#include "live/slot_grid.h"
#include "reconnect.h"
#include "wine_driver.h"

namespace tarn::wine {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using Frames = std::vector<std::vector<std::uint8_t>>;

constexpr seconds kStepTimeout{60};
constexpr seconds kMonitorTime{2};
// How long the live chart draws before its picture is taken.
constexpr seconds kChartTime{5};
constexpr milliseconds kMenuOpening{500};
constexpr milliseconds kPaintSettle{300};
constexpr seconds kProgramEnd{30};
constexpr seconds kProgramRun{240};
constexpr double kBytesPerSecond = 1920.0;  // 19200 baud, 10 bits a byte
constexpr double kSettleAfterConfigure = 0.020;
constexpr double kQuietTime = std::chrono::duration<double>(kLineQuietTime).count();
constexpr double kWaitAfterConnect = 0.100;
constexpr double kWaitAfterTransferStart = 0.050;
constexpr double kStartUpSlack = 0.150;
constexpr int kIdYes = 6;  // IDYES
constexpr int kIdOkButton = 1;
constexpr int kMinimumPolls = 5;
// Where the File title of the main window's menu bar lies, from the window's
// top left corner, under wine's default frame and title bar.
namespace wine_frame {
constexpr int kFileTitleX = 16;
constexpr int kMenuBarMiddleY = 32;
constexpr int kTitleBarMiddleY = 12;
}

int failures = 0;

void Fail(const std::string& what) {
  std::fprintf(stderr, "FAILED: %s\n", what.c_str());
  ++failures;
}

std::string Utf8(std::u16string_view text) {
  std::string utf8 = res::EncodeUtf8(text);
  std::string escaped;
  for (char c : utf8) {
    if (c == '\r') continue;
    if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

bool IsLiveData(const std::vector<std::uint8_t>& frame) {
  return !frame.empty() && (frame[0] == kCommandLiveData1 || frame[0] == kCommandLiveData2 ||
                            frame[0] == kCommandLiveData3);
}

// The frames with every run of monitor polls folded into one marker (the
// number of polls in two seconds depends on timing); *polls counts them.
Frames Folded(const Frames& frames, int* polls) {
  Frames folded;
  *polls = 0;
  for (const auto& frame : frames) {
    if (IsLiveData(frame)) {
      if (frame[0] == kCommandLiveData1) ++*polls;
      if (!folded.empty() && folded.back().empty()) continue;
      folded.push_back({});  // the marker
      continue;
    }
    folded.push_back(frame);
  }
  return folded;
}

std::string Hex(const std::vector<std::uint8_t>& frame) {
  if (frame.empty()) return "(monitor polls)";
  std::string text;
  char byte[4];
  for (std::uint8_t b : frame) {
    std::snprintf(byte, sizeof byte, "%02X ", b);
    text += byte;
  }
  return text;
}

// --- The same session on the Linux program's windows, headless. ---

Frames ReferenceTraffic() {
  sim::Simulator sim(sim::Options{.pacing = false});
  if (!sim.Start()) return {};
  setenv("TARN_PORTS", sim.SlavePath().c_str(), 1);
  ui::HeadlessHost host;
  Session session;
  host.QueueAnswer(kMsgStartWarning, MsgAnswer::Yes);
  host.SetModalScript(kTemplateReadZero, [](ui::Dialog& dialog) {
    dialog.UserClick(kIdZeroRead);
    dialog.UserPressEscape();
  });
  host.SetModalScript(kTemplateMain, [&](ui::Dialog& dialog) {
    auto& window = dynamic_cast<CQelmUserAppDlg&>(dialog);
    window.UserClick(kIdMonitor);
    host.WaitUntil([&] { return sim.RequestCount(kCommandLiveData3) >= 10; }, kStepTimeout);
    window.UserClick(kIdVehicle);
    window.Page(kPageVehicle)->UserClick(kIdReadZero);
    window.UserClick(kIdWrite);
    window.UserClick(kIdQuit);
  });
  CQelmUserAppApp(host, session).InitInstance();
  // The Windows programs started later inherit this process's environment:
  // a Linux terminal's name there would be the only port they try.
  unsetenv("TARN_PORTS");
  return sim.Requests();
}

// --- The Windows session. ---

struct Figures {
  int polls = 0;  // the monitor's polls in its first two seconds
  double startUp = 0;
  double bound = 0;
  long wireBytes = 0;
};

// Line time, the waits the tool must keep and the controller's quiet time
// before each request that no such wait precedes: the scan's Identify is
// followed by the wait after connecting, each TransferStart by its own wait.
double StartUpBound(const sim::Simulator& sim, long* wireBytes) {
  long bytes = sim.ReplyBytesSent();
  double waits = kSettleAfterConfigure + kWaitAfterConnect;
  const Frames requests = sim.Requests();
  for (std::size_t i = 0; i < requests.size(); ++i) {
    bytes += static_cast<long>(requests[i].size());
    const bool transferStart = requests[i][0] == kCommandTransferStart;
    if (transferStart) waits += kWaitAfterTransferStart;
    if (i > 0 && !transferStart && i + 1 < requests.size()) waits += kQuietTime;
  }
  *wireBytes = bytes;
  return static_cast<double>(bytes) / kBytesPerSecond + waits;
}

class WindowsSession {
 public:
  WindowsSession(Driver& driver, sim::Simulator& sim, std::string shots, std::string desktop)
      : driver_(driver), sim_(sim), shots_(std::move(shots)), desktop_(std::move(desktop)) {}

  // Starts the program as `app` and plays the session.
  bool Run(const std::string& program, Process& app, Figures* figures);

 private:
  std::optional<Seen> WaitControl(int templateId, int id,
                                  const std::function<bool(const Seen&)>& accept) {
    return driver_.WaitFor([&] { return driver_.Control(templateId, id); }, accept, kStepTimeout);
  }
  std::optional<Seen> WaitBox(int messageId) {
    const std::string text = Utf8(res::String(messageId));
    return driver_.WaitFor([&] { return driver_.Box(); },
                           [&](const Seen& box) { return box.text == text; }, kStepTimeout);
  }
  bool ClickControl(int templateId, int id) {
    const auto control = WaitControl(templateId, id, [](const Seen& c) { return c.shown && c.enabled; });
    if (!control) return false;
    driver_.Click(*control);
    return true;
  }
  bool AnswerBox(int messageId, int button, const char* shot);
  void Pause(milliseconds time) {
    const auto from = Clock::now();
    driver_.WaitFor([] { return std::optional<Seen>(Seen{}); },
                    [&](const Seen&) { return Clock::now() - from >= time; }, kStepTimeout);
  }
  // A window the probe has just found may still be painting (a fresh
  // prefix builds its font cache on the first box): the picture waits a
  // moment.
  void Shot(const char* name) {
    if (shots_.empty()) return;
    Pause(kPaintSettle);
    driver_.Screenshot(shots_ + "/" + name);
  }
  bool VehicleValuesShown();
  void ShowFileMenu();
  bool Activate(int templateId);
  bool CloseWindow(int templateId, int buttonId);
  bool OpenMenuWindow(char menu, char item, int templateId);
  bool ShowAbout();
  bool ShowLiveWindows();

  Driver& driver_;
  sim::Simulator& sim_;
  std::string shots_;
  std::string desktop_;  // "1280x1024"
};

bool WindowsSession::AnswerBox(int messageId, int button, const char* shot) {
  if (!WaitBox(messageId)) {
    Fail("message " + std::to_string(messageId) + " did not appear");
    return false;
  }
  Shot(shot);
  const auto target = driver_.BoxButton(button);
  if (!target) {
    Fail("message " + std::to_string(messageId) + " has no button " + std::to_string(button));
    return false;
  }
  driver_.Click(*target);
  return true;
}

// Every slot of the vehicle page shows its row's label and the image's value.
bool WindowsSession::VehicleValuesShown() {
  ParameterImage image;
  const sim::Image bytes = sim_.GetImage();
  std::copy(bytes.begin(), bytes.end(), image.bytes.begin());
  DefinitionSet defs;
  if (LoadDefinitionSet(image, defs) != LoadResult::Loaded) return false;
  const RowRange range = RowsOfPage(PageRows::Vehicle, defs);
  int slot = 0;
  bool all = true;
  for (int row = range.begin; row < range.end; ++row) {
    if (!TakesSlot(defs.params[row])) continue;
    const auto label = driver_.Control(kTemplateVehicle, SlotLabelId(slot));
    const auto edit = driver_.Control(kTemplateVehicle, SlotEditId(slot));
    const std::string wantLabel = Utf8(defs.params[row].name);
    const std::string wantValue = Utf8(FormatValue(defs.params[row], image));
    if (!label || !edit || !label->shown || !edit->shown || label->text != wantLabel ||
        edit->text != wantValue) {
      Fail("vehicle slot " + std::to_string(slot) + ": shows \"" + (edit ? edit->text : "") +
           "\", expected \"" + wantValue + "\" for " + wantLabel);
      all = false;
    }
    ++slot;
  }
  return all && slot > 0;
}

// The main window's File menu open, for the pictures: a click on the menu
// bar's first title opens it, a second click there closes it again.
void WindowsSession::ShowFileMenu() {
  const auto window = driver_.Window(kTemplateMain);
  if (!window) return;
  Seen file = *window;
  file.x = window->x + wine_frame::kFileTitleX;
  file.y = window->y + wine_frame::kMenuBarMiddleY;
  file.width = 0;
  file.height = 0;
  driver_.Click(file);
  const auto opened = Clock::now();
  driver_.WaitFor([] { return std::optional<Seen>(Seen{}); },
                  [&](const Seen&) { return Clock::now() - opened >= milliseconds(500); },
                  kStepTimeout);
  Shot("02-file-menu.png");
  driver_.Click(file);
}

// A window of a menu, opened from the keyboard: Alt and the menu's letter,
// then the item's letter. The main window is brought to the front first by a
// click on its title bar.
// Brings a window to the front by a click on its title bar, so that a click
// on one of its controls reaches that control and not a window above it.
bool WindowsSession::Activate(int templateId) {
  const auto window = driver_.Window(templateId);
  if (!window) return false;
  Seen title = *window;
  title.y = window->y + wine_frame::kTitleBarMiddleY;
  title.height = 0;
  driver_.Click(title);
  return true;
}

// Closes a window by its button and waits until it is gone: a click that
// another window took instead fails the session.
bool WindowsSession::CloseWindow(int templateId, int buttonId) {
  if (!driver_.Raise(templateId) || !ClickControl(templateId, buttonId)) return false;
  if (!driver_.WaitFor([&] { return std::optional<Seen>(driver_.Window(templateId).value_or(Seen{})); },
                       [](const Seen& w) { return !w.shown; }, kStepTimeout)) {
    Fail("window " + std::to_string(templateId) + " did not close by its button");
    return false;
  }
  return true;
}

bool WindowsSession::OpenMenuWindow(char menu, char item, int templateId) {
  if (!Activate(kTemplateMain)) return false;
  driver_.Key(std::string("alt+") + menu);
  Pause(kMenuOpening);
  driver_.Key(std::string(1, item));
  if (!driver_.WaitFor([&] { return driver_.Window(templateId); },
                       [](const Seen& w) { return w.shown; }, kStepTimeout)) {
    Fail(std::string("the menu of Alt+") + menu + " did not open window " + std::to_string(templateId));
    return false;
  }
  return true;
}

// The pictures of the Live menu's windows while the monitor polls: the chart
// with three items ticked from the keyboard, drawing for a few seconds, then
// the error history above it. Each is raised and closed by its Close button.
bool WindowsSession::ShowLiveWindows() {
  if (!OpenMenuWindow('l', 'c', kTemplateLiveChart)) return false;
  for (const char* key : {"Down", "space", "Down", "space", "Down", "space"}) driver_.Key(key);
  Pause(kChartTime);
  Shot("03b-live-chart.png");
  if (!OpenMenuWindow('l', 'e', kTemplateErrorHistory)) return false;
  Pause(kMenuOpening);
  Shot("03a-error-history.png");
  return CloseWindow(kTemplateErrorHistory, ui::kIdCancel) &&
         CloseWindow(kTemplateLiveChart, ui::kIdCancel);
}

// Help > About, pictured and closed by its OK button.
bool WindowsSession::ShowAbout() {
  if (!OpenMenuWindow('h', 'a', kTemplateAbout)) return false;
  Pause(kMenuOpening);
  Shot("03c-about.png");
  return CloseWindow(kTemplateAbout, ui::kIdOk);
}

bool WindowsSession::Run(const std::string& program, Process& app, Figures* figures) {
  // On a wine desktop of the display's size, so that windows have title bars
  // and screen coordinates are the display's.
  if (!driver_.StartProgram(app, {"explorer", "/desktop=tarn," + desktop_, program})) return false;
  if (!WaitBox(kMsgStartWarning)) {
    Fail("the warning did not appear");
    return false;
  }
  Shot("01-warning.png");
  sim_.ResetCounters();
  const auto yes = driver_.BoxButton(kIdYes);
  if (!yes) return false;
  driver_.Click(*yes);
  const auto clicked = Clock::now();
  const auto first = WaitControl(kTemplateVehicle, SlotEditId(0),
                                 [](const Seen& edit) { return edit.shown && !edit.text.empty(); });
  if (!first) {
    Fail("the vehicle page did not show its values");
    return false;
  }
  figures->startUp = std::chrono::duration<double>(Clock::now() - clicked).count();
  figures->bound = StartUpBound(sim_, &figures->wireBytes);
  if (!VehicleValuesShown()) return false;
  Shot("02-vehicle-page.png");
  if (!shots_.empty()) ShowFileMenu();

  // The monitor for two seconds: it polls and says so in green.
  if (!ClickControl(kTemplateMain, kIdMonitor)) return false;
  if (!WaitControl(kTemplateMonitor, kMonitorStatusBoxId,
                   [](const Seen& box) { return box.shown && box.text == "Success!"; })) {
    Fail("the monitor did not poll");
    return false;
  }
  const auto polling = Clock::now();
  driver_.WaitFor([] { return std::optional<Seen>(Seen{}); },
                  [&](const Seen&) { return Clock::now() - polling >= kMonitorTime; },
                  kStepTimeout);
  figures->polls = sim_.RequestCount(kCommandLiveData1);
  Shot("03-monitor-page.png");
  if (!shots_.empty() && !(ShowLiveWindows() && ShowAbout())) return false;
  const auto read = driver_.Control(kTemplateMain, kIdRead);
  if (!read || read->enabled) Fail("Read is not disabled on the monitor page");

  // Back to the vehicle page, then the zero-point dialog, closed with Esc.
  if (!ClickControl(kTemplateMain, kIdVehicle)) return false;
  if (!ClickControl(kTemplateVehicle, kIdReadZero)) return false;
  if (!ClickControl(kTemplateReadZero, kIdZeroRead)) return false;
  if (!WaitControl(kTemplateReadZero, 1350, [](const Seen& e) { return !e.text.empty(); })) {
    Fail("the zero-point dialog read nothing");
    return false;
  }
  Shot("04-zero-point-dialog.png");
  driver_.Key("Escape");
  const auto closed = driver_.WaitFor(
      [&]() -> std::optional<Seen> {
        return driver_.Window(kTemplateReadZero) ? std::nullopt : std::optional<Seen>(Seen{});
      },
      [](const Seen&) { return true; }, kStepTimeout);
  if (!closed) {
    Fail("Esc did not close the zero-point dialog");
    return false;
  }

  // Write, and its message; the status line says so.
  if (!ClickControl(kTemplateMain, kIdWrite)) return false;
  if (!AnswerBox(kMsgWriteDone, kIdOkButton, "05-write-done.png")) return false;
  if (!WaitControl(kTemplateMain, kIdStatus,
                   [](const Seen& s) { return s.text == "Write success!"; })) {
    Fail("the status line does not say Write success!");
  }
  Shot("06-after-write.png");

  if (!ClickControl(kTemplateMain, kIdQuit)) return false;
  // The program's windows go; the wine desktop that held them stays until
  // the prefix's processes are ended.
  const auto gone = driver_.WaitFor(
      [&]() -> std::optional<Seen> {
        return driver_.Window(kTemplateMain) ? std::nullopt : std::optional<Seen>(Seen{});
      },
      [](const Seen&) { return true; }, kProgramEnd);
  if (!gone) Fail("the main window did not close after Quit");
  return gone.has_value();
}

void CompareTraffic(const Frames& windows, const Frames& linux, int windowsPolls) {
  int allPolls = 0;
  int linuxPolls = 0;
  const Frames a = Folded(windows, &allPolls);
  const Frames b = Folded(linux, &linuxPolls);
  std::printf("wire: %zu requests from the Windows program, %zu from the Linux program\n",
              windows.size(), linux.size());
  std::printf("monitor polls in two seconds: %d (Windows), %d (Linux)\n", windowsPolls,
              linuxPolls);
  if (windowsPolls < kMinimumPolls) Fail("too few monitor polls under wine");
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] != b[i]) {
      Fail("request " + std::to_string(i) + " differs: Windows " + Hex(a[i]) + ", Linux " +
           Hex(b[i]));
      return;
    }
  }
  if (a.size() != b.size()) {
    Fail("the Windows program sent " + std::to_string(a.size()) + " folded requests, Linux " +
         std::to_string(b.size()));
  }
}

// Ends every wine process of the build's prefix (the desktop, a program that
// hung); the prefix is ours alone.
// Runs a Windows program of the build against the paced simulator on COM1.
int RunOnCom1(const std::string& scripts, const std::string& build, const std::string& program,
              const std::vector<std::string>& arguments) {
  sim::Simulator sim;  // paced at the line rate, as a real controller
  if (!sim.Start()) {
    Fail("the simulated controller: " + sim.LastError());
    return 1;
  }
  Com1 com1(build, sim.SlavePath());
  if (!com1.ok()) {
    Fail("cannot link COM1 to " + sim.SlavePath());
    return 1;
  }
  setenv("TARN_TEST_COM_PORT", "COM1", 1);
  setenv("WINEDEBUG", "-all", 1);
  // wine passes the Linux environment on to the Windows program.
  std::vector<std::string> command = {scripts + "/wine-run.sh", build, build + "/" + program};
  command.insert(command.end(), arguments.begin(), arguments.end());
  Process run;
  const bool started = run.Start(command, false);
  const std::optional<int> status = started ? run.Wait(kProgramRun) : std::nullopt;
  if (status != 0) Fail(program + " did not end well");
  if (sim.TotalRequests() == 0) Fail("the controller on COM1 saw no request");
  return failures == 0 ? 0 : 1;
}

int RunSession(const std::string& scripts, const std::string& build, const std::string& shots) {
  const Frames linux = ReferenceTraffic();
  if (linux.empty()) Fail("the Linux program's session sent nothing");
  sim::Simulator sim;  // paced at 19200 baud for the figures
  if (!sim.Start()) {
    Fail("the simulated controller: " + sim.LastError());
    return 1;
  }
  Com1 com1(build, sim.SlavePath());
  Driver driver(scripts, build);
  if (!com1.ok() || !driver.StartProbe()) {
    Fail("cannot link COM1 or start the probe");
    return 1;
  }
  if (!shots.empty()) std::filesystem::create_directories(shots);
  Figures figures;
  const char* desktop = std::getenv("TARN_WINE_DESKTOP");
  WindowsSession session(driver, sim, shots, desktop != nullptr ? desktop : "1280x1024");
  Process app;
  const bool ran = session.Run(build + "/tarn-user-app.exe", app, &figures);
  driver.StopProbe();
  // The desktop ends with the program after Quit; a session that failed half
  // way leaves it open. Only this session's own process is ended: other
  // suites of the prefix may be running beside it.
  if (!app.Wait(seconds(10))) app.Kill();
  if (ran) {
    std::printf(
        "under wine: Yes at the warning -> vehicle page with its values: %.3f s; start-up's bound "
        "on the wire %.3f s (%ld bytes at 19200 baud + mandated waits + quiet times); over the bound %.3f s "
        "(target within %.2f s)\n",
        figures.startUp, figures.bound, figures.wireBytes, figures.startUp - figures.bound,
        kStartUpSlack);
    Frames windows = sim.Requests();
    // The counters were reset at Yes; what came before it was nothing.
    CompareTraffic(windows, linux, figures.polls);
    // The controller's quiet time and the mandated waits hold for the
    // Windows program as for the Linux one.
    for (const std::string& fault : sim::QuietTimeFaults(sim.Timings())) Fail(fault);
    for (const std::string& fault : sim::MandatedWaitFaults(sim.Timings())) Fail(fault);
  } else {
    Fail("the session did not run to its end");
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace tarn::wine

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tarn-wine-session serial|bench|session|reconnect <build-win64> [--screenshots DIR]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string build = std::filesystem::absolute(argv[2]).string();
  std::string shots;
  if (argc >= 5 && std::string(argv[3]) == "--screenshots") {
    shots = std::filesystem::absolute(argv[4]).string();
  }
  // A probe that died is reported as a failed step, not by a signal.
  signal(SIGPIPE, SIG_IGN);
  const std::string scripts = TARN_SOURCE_DIR "/scripts";
  setenv("WINEPREFIX", (build + "/wineprefix").c_str(), 1);
  if (mode == "serial") {
    return tarn::wine::RunOnCom1(scripts, build, "tests/windows/wine_serial.exe",
                                 {"--gtest_brief=1"});
  }
  if (mode == "bench") {
    return tarn::wine::RunOnCom1(scripts, build, "bench/windows/bench_wine_monitor.exe", {});
  }
  if (mode == "session") return tarn::wine::RunSession(scripts, build, shots);
  if (mode == "reconnect") return tarn::wine::RunReconnect(scripts, build);
  std::fprintf(stderr, "tarn-wine-session: unknown mode %s\n", mode.c_str());
  return 2;
}
