// The GUI's figures:
//   - the chart control's cost for a live chart of four series of 300 points
//     (a minute of polls) moved on by a poll five times a second: the time
//     to take the new data and to paint it, and the share of one core;
// and against the simulated controller paced at 19200 baud:
//   - from Yes at the warning to the vehicle page painted with its values
//     (several sessions), against the start-up's bound on the wire: target
//     within 0.15 s of it;
//   - resident memory of the GUI after a minute on the monitor page.
// The simulator runs in a child process, so the memory figures are the GUI's
// alone. TARN_BENCH_MONITOR_SECONDS shortens the minute for a quick look.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/main_dlg.h"
#include "app/session.h"
#include "gui/automation/automation.h"
#include "gui/chart_widget.h"
#include "gui/dialog_units.h"
#include "gui/dialog_view.h"
#include "gui/qt_host.h"
#include "link/controller_link.h"
#include "live/monitor_display.h"
#include "monitor/monitor_page.h"
#include "pages/parameter_page.h"
#include "pages/parameter_pages.h"
#include "sim/simulator.h"
#include "ui/prompter.h"

namespace tarn::gui {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStartUpRuns = 5;
constexpr int kDefaultMonitorSeconds = 60;
// What the start-up cannot go below at 19200 baud (1920 bytes a second):
// the scan's settling time after configuring the port and its Identify
// exchange, the wait after connecting, then the Read: two TransferStart
// exchanges with their waits and 32 ReadBlock exchanges, each of those but
// the last followed by the controller's quiet time before the next request.
constexpr double kBytesPerSecond = 1920.0;
constexpr double kSettleAfterConfigure = 0.020;
constexpr int kIdentifyBytes = 3 + 6;  // request, reply with 3 data bytes
constexpr double kWaitAfterConnect = 0.100;
constexpr int kTransferStartBytes = 2 * (3 + 3);
constexpr double kTransferStartWaits = 2 * 0.050;
constexpr int kReadBlocks = 32;
constexpr int kReadBlockBytes = kReadBlocks * (6 + 19);
constexpr double kQuietTime = std::chrono::duration<double>(kLineQuietTime).count();
constexpr double kStartUpBound =
    kSettleAfterConfigure + kWaitAfterConnect + kTransferStartWaits +
    (kIdentifyBytes + kTransferStartBytes + kReadBlockBytes) / kBytesPerSecond +
    (kReadBlocks - 1) * kQuietTime;
constexpr double kStartUpAllowance = 0.15;
constexpr double kTargetSeconds = kStartUpBound + kStartUpAllowance;
constexpr std::chrono::seconds kSessionSlack(30);

// The live chart: four series, a minute of polls at 5 per second, in a
// control of 390 x 200 dialog units of the dialog font.
constexpr int kChartSeries = 4;
constexpr int kChartPoints = 300;
constexpr double kPollSeconds = 0.2;
constexpr int kPollsPerSecond = 5;
constexpr int kChartFrames = 1500;  // five minutes of polls
constexpr int kChartWidthUnits = 390;
constexpr int kChartHeightUnits = 200;

double Percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
  return values[at];
}

double Mean(const std::vector<double>& values) {
  double sum = 0;
  for (const double value : values) sum += value;
  return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

// A value that moves like a live reading: a slow wave with a faster ripple.
double Reading(int series, int poll) {
  const double t = poll * kPollSeconds;
  return 50 + 40 * std::sin(t / (3.0 + series)) + 5 * std::sin(t * 2.7 + series);
}

ui::ChartData FirstChart() {
  const ui::Rgb colors[kChartSeries] = {ui::kRed, ui::kBlue, ui::MakeRgb(0, 160, 0),
                                        ui::MakeRgb(200, 120, 0)};
  ui::ChartData chart;
  chart.spanSeconds = kChartPoints * kPollSeconds;
  chart.endSeconds = (kChartPoints - 1) * kPollSeconds;
  for (int k = 0; k < kChartSeries; ++k) {
    ui::ChartSeries series{
        u"Значение " + std::u16string(1, char16_t(u'1' + k)), colors[k], 0, 100, {}};
    for (int poll = 0; poll < kChartPoints; ++poll) {
      series.points.push_back({poll * kPollSeconds, Reading(k, poll)});
    }
    chart.series.push_back(std::move(series));
  }
  return chart;
}

// Each frame is one poll: the oldest point of every series goes, a new one
// comes, the chart takes the data (Show) and paints it into an image of its
// size, as the window's backing store would be painted.
void ReportChartPaint() {
  const DialogUnits units = DialogUnits::OnScreen(ui::DialogTemplate{}, *qApp->primaryScreen());
  ChartWidget chart(nullptr);
  chart.setFont(DialogFont(ui::DialogTemplate{}));
  chart.resize(units.ToPixels(kChartWidthUnits, kChartHeightUnits));
  ui::ChartData data = FirstChart();
  QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
  std::vector<double> showMs;
  std::vector<double> paintMs;
  for (int frame = 0; frame < kChartFrames; ++frame) {
    const int poll = kChartPoints + frame;
    data.endSeconds = poll * kPollSeconds;
    for (int k = 0; k < kChartSeries; ++k) {
      auto& points = data.series[static_cast<std::size_t>(k)].points;
      points.erase(points.begin());
      points.push_back({data.endSeconds, Reading(k, poll)});
    }
    const auto start = Clock::now();
    chart.Show(data);
    const auto shown = Clock::now();
    chart.render(&image);
    const auto painted = Clock::now();
    showMs.push_back(std::chrono::duration<double, std::milli>(shown - start).count());
    paintMs.push_back(std::chrono::duration<double, std::milli>(painted - shown).count());
  }
  const double perPoll = Mean(showMs) + Mean(paintMs);
  std::printf("Live chart, %d series x %d points, %dx%d pixels, %d polls:\n", kChartSeries,
              kChartPoints, chart.width(), chart.height(), kChartFrames);
  constexpr double kMicrosPerMilli = 1000;
  std::printf("  take the data: mean %.1f us, p99 %.1f us\n", Mean(showMs) * kMicrosPerMilli,
              Percentile(showMs, 0.99) * kMicrosPerMilli);
  std::printf("  paint: mean %.3f ms, median %.3f ms, p99 %.3f ms, max %.3f ms\n", Mean(paintMs),
              Percentile(paintMs, 0.5), Percentile(paintMs, 0.99),
              *std::max_element(paintMs.begin(), paintMs.end()));
  std::printf("  at %d polls a second: %.2f %% of one core\n", kPollsPerSecond,
              perPoll * kPollsPerSecond / 10.0);
}

// The child process: the simulator until the parent goes away.
pid_t StartSimulator(std::string& port) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    // Goes with the parent, also when the benchmark dies before its SIGTERM.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    close(pipeEnds[0]);
    sim::Simulator simulator(sim::Options{.pacing = true});
    if (!simulator.Start()) _exit(1);
    const std::string path = simulator.SlavePath() + "\n";
    if (write(pipeEnds[1], path.data(), path.size()) < 0) _exit(1);
    close(pipeEnds[1]);
    pause();  // until the parent's SIGTERM
    _exit(0);
  }
  close(pipeEnds[1]);
  char buffer[256] = {};
  const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer - 1);
  close(pipeEnds[0]);
  if (got <= 0) return -1;
  port.assign(buffer, static_cast<std::size_t>(got));
  port.erase(port.find('\n'));
  return child;
}

// Resident and peak resident memory of this process, in KiB.
std::pair<long, long> ResidentKiB() {
  std::ifstream status("/proc/self/status");
  long rss = 0;
  long peak = 0;
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") status >> rss;
    if (key == "VmHWM:") status >> peak;
  }
  return {rss, peak};
}

// Notes when the vehicle page's first slot has been painted with a value:
// the time is taken once the paint that carried it has finished.
class PaintWatch : public QObject {
 public:
  std::optional<Clock::time_point> painted;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() != QEvent::Paint || painted || timeQueued_) return false;
    auto* edit = qobject_cast<QLineEdit*>(object);
    if (edit == nullptr || edit->text().isEmpty() ||
        edit->objectName() != QStringLiteral("control-%1").arg(SlotEditId(0))) {
      return false;
    }
    const auto* view = dynamic_cast<DialogView*>(edit->parentWidget());
    if (view == nullptr || view->templateId() != kTemplateVehicle) return false;
    timeQueued_ = true;
    QTimer::singleShot(0, this, [this] { painted = Clock::now(); });
    return false;
  }

 private:
  bool timeQueued_ = false;
};

void AnswerWarning(Scenario& scenario, std::optional<Clock::time_point>& yes) {
  scenario.Then(
      "the warning", [] { return OpenMessageId() == kMsgStartWarning; },
      [&yes] {
        yes = Clock::now();
        AnswerMessage(QMessageBox::Yes);
      });
}

void QuitSession(Scenario& scenario) {
  scenario.Then(
      "Quit", [] { return FindControl(kTemplateMain, ui::kIdCancel) != nullptr; },
      [] { Click(FindControl(kTemplateMain, ui::kIdCancel)); });
}

bool RunSession(QtHost& host, Scenario& scenario, std::chrono::seconds timeout) {
  Session session;
  scenario.Start(timeout);
  CQelmUserAppApp(host, session).InitInstance();
  if (scenario.Failed() || !scenario.Finished()) {
    std::fprintf(stderr, "bench_gui: gave up waiting for %s\n", qPrintable(scenario.FailedStep()));
    return false;
  }
  return true;
}

std::optional<double> StartUpSeconds(QtHost& host) {
  PaintWatch watch;
  qApp->installEventFilter(&watch);
  std::optional<Clock::time_point> yes;
  Scenario scenario(host);
  AnswerWarning(scenario, yes);
  scenario.Then("the vehicle page painted", [&watch] { return watch.painted.has_value(); });
  QuitSession(scenario);
  const bool ran = RunSession(host, scenario, kSessionSlack);
  qApp->removeEventFilter(&watch);
  if (!ran || !yes || !watch.painted) return std::nullopt;
  return std::chrono::duration<double>(*watch.painted - *yes).count();
}

void ReportStartUp(QtHost& host) {
  std::vector<double> seconds;
  for (int run = 0; run < kStartUpRuns; ++run) {
    if (const auto measured = StartUpSeconds(host)) seconds.push_back(*measured);
  }
  if (seconds.empty()) {
    std::printf("start-up: no session reached the vehicle page\n");
    return;
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  std::printf(
      "Yes at the warning -> vehicle page painted with its values (19200 baud, %zu runs):\n",
      seconds.size());
  std::printf(
      "  min %.3f s, median %.3f s, max %.3f s; bound on the wire %.3f s, target < %.3f s: %s\n",
      seconds.front(), median, seconds.back(), kStartUpBound, kTargetSeconds,
      seconds.back() < kTargetSeconds ? "met" : "MISSED");
}

void ReportMonitorMemory(QtHost& host, int monitorSeconds) {
  std::optional<Clock::time_point> yes;
  std::optional<Clock::time_point> polling;
  std::pair<long, long> onVehiclePage{};
  std::pair<long, long> afterMonitor{};
  Scenario scenario(host);
  AnswerWarning(scenario, yes);
  scenario
      .Then(
          "the vehicle page", [] { return FindView(kTemplateVehicle) != nullptr; },
          [&] {
            onVehiclePage = ResidentKiB();
            Click(FindControl(kTemplateMain, kIdMonitor));
          })
      .Then("the monitor polling",
            [&] {
              const QWidget* status = FindControl(kTemplateMonitor, kMonitorStatusBoxId);
              if (status == nullptr || ShownText(status) != u"Success!") return false;
              polling = Clock::now();
              return true;
            })
      .Then(
          "a while on the monitor",
          [&] { return Clock::now() - *polling >= std::chrono::seconds(monitorSeconds); },
          [&] {
            afterMonitor = ResidentKiB();
            Click(FindControl(kTemplateMain, kIdVehicle));
          })
      .Then("back on the vehicle page", [] { return FindView(kTemplateVehicle) != nullptr; });
  QuitSession(scenario);
  if (!RunSession(host, scenario, std::chrono::seconds(monitorSeconds) + kSessionSlack)) return;
  std::printf(
      "Resident memory of the GUI (KiB): on the vehicle page %ld; after %d s on the monitor %ld"
      " (peak %ld)\n",
      onVehiclePage.first, monitorSeconds, afterMonitor.first, afterMonitor.second);
}

int MonitorSeconds() {
  const char* text = std::getenv("TARN_BENCH_MONITOR_SECONDS");
  const int seconds = text != nullptr ? std::atoi(text) : 0;
  return seconds > 0 ? seconds : kDefaultMonitorSeconds;
}

}  // namespace
}  // namespace tarn::gui

int main(int argc, char** argv) {
  std::string port;
  const pid_t simulator = tarn::gui::StartSimulator(port);
  if (simulator < 0) {
    std::fprintf(stderr, "bench_gui: the simulated controller did not start\n");
    return 1;
  }
  setenv("TARN_PORTS", port.c_str(), 1);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int status = 0;
  {
    QApplication application(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    tarn::gui::ReportChartPaint();
    tarn::gui::QtHost host;
    tarn::gui::ReportStartUp(host);
    tarn::gui::ReportMonitorMemory(host, tarn::gui::MonitorSeconds());
  }
  kill(simulator, SIGTERM);
  waitpid(simulator, &status, 0);
  return 0;
}
