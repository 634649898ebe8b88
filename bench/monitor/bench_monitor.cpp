// Measures the monitor poll against the simulated controller paced at 19200
// baud: the tick period and its lateness over a minute with the recording and
// four chart series on, the tool's CPU use while polling, how long hiding the
// page takes while the controller is silent, and the memory of the live data
// after an hour of polls (simulated time, fed as fast as they are taken).
//
// The simulator runs in a child process, so the CPU figure is the tool's
// alone. TARN_BENCH_SECONDS shortens the period run (default 60).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/live_commands.h"
#include "app/session.h"
#include "model/definition_loader.h"
#include "live/live_feed.h"
#include "live/monitor_display.h"
#include "monitor/monitor_page.h"
#include "sim/live_data.h"
#include "sim/simulator.h"
#include "ui/host.h"

namespace tarn {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::duration;
using std::chrono::milliseconds;

constexpr milliseconds kPeriod{200};
constexpr int kDefaultSeconds = 60;
constexpr int kHideTrials = 25;
constexpr milliseconds kHideSpread{150};       // where in the silent exchange a hide lands
constexpr int kChartItems[] = {0, 9, 17, 18};  // TPS, battery, motor speed, phase current
constexpr int kPollsPerHour = 3600 * 5;
constexpr int kPollsPerMinute = 60 * 5;
constexpr double kPercentile = 0.99;

double Ms(Clock::duration d) {
  return duration<double, std::milli>(d).count();
}

// The UI thread of the bench: posted work waits in a queue and runs when the
// main thread pumps it, sleeping in between like an event loop.
class BenchHost : public ui::Host {
 public:
  MsgAnswer ShowMessage(int, MsgButtons, MsgIcon) override { return MsgAnswer::Ok; }
  MsgAnswer ShowText(std::u16string_view, MsgButtons, MsgIcon) override { return MsgAnswer::Ok; }
  int RunModal(ui::Dialog&) override { return ui::kIdCancel; }
  void CreateChild(ui::Dialog& child, ui::Dialog&, const ui::RectDu&) override {
    child.Initialize();
  }
  void DestroyChild(ui::Dialog&) override {}
  std::optional<std::filesystem::path> AskFileToSave(const ui::FileRequest&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> AskFileToOpen(const ui::FileRequest&) override {
    return std::nullopt;
  }
  void ShowModeless(ui::Dialog&, ui::Dialog&) override {}
  void CloseModeless(ui::Dialog&) override {}
  void PostToUi(std::function<void()> work) override {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
    wake_.notify_one();
  }
  // Runs posted work until `until`.
  void Pump(Clock::time_point until) {
    std::unique_lock lock(mutex_);
    while (wake_.wait_until(lock, until, [&] { return !queue_.empty(); })) {
      auto work = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      work();
      lock.lock();
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
};

// The real port with a stopwatch on LiveData1 requests; `swallow` keeps
// requests from the controller, which then stays silent.
class TimedPort : public SerialPort {
 public:
  explicit TimedPort(std::unique_ptr<SerialPort> inner) : inner_(std::move(inner)) {}

  bool Open(const std::string& name) override { return inner_->Open(name); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  bool Configure(const PortSettings& s, const PortTimeouts& t) override {
    return inner_->Configure(s, t);
  }
  bool Purge() override { return inner_->Purge(); }
  bool Write(std::span<const std::uint8_t> bytes) override {
    if (!bytes.empty() && bytes[0] == kCommandLiveData1) {
      std::lock_guard lock(mutex_);
      pollStarts_.push_back(Clock::now());
    }
    return swallow ? true : inner_->Write(bytes);
  }
  bool Read(std::span<std::uint8_t> buffer, std::size_t* received) override {
    return inner_->Read(buffer, received);
  }
  bool ReadWithin(std::span<std::uint8_t> buffer, std::size_t* received,
                  ReadWindow& window) override {
    return inner_->ReadWithin(buffer, received, window);
  }
  void Close() override { inner_->Close(); }
  std::string LastError() const override { return inner_->LastError(); }

  std::vector<Clock::time_point> PollStarts() {
    std::lock_guard lock(mutex_);
    return pollStarts_;
  }
  void ClearPollStarts() {
    std::lock_guard lock(mutex_);
    pollStarts_.clear();
  }

  std::atomic<bool> swallow{false};

 private:
  std::unique_ptr<SerialPort> inner_;
  std::mutex mutex_;
  std::vector<Clock::time_point> pollStarts_;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The child: a paced simulator with moving live data until the parent closes
// the pipe. Writes the port path (or nothing on failure) to `pathOut`.
[[noreturn]] void RunSimulator(int pathOut, int quitIn) {
  sim::Options options;
  options.pacing = true;
  sim::Simulator simulator(options);
  const std::string path = simulator.Start() ? simulator.SlavePath() : std::string();
  if (path.empty()) std::fprintf(stderr, "simulator: %s\n", simulator.LastError().c_str());
  const std::string line = path + "\n";
  (void)!write(pathOut, line.data(), line.size());
  close(pathOut);
  char byte = 0;
  while (read(quitIn, &byte, 1) > 0) {
  }
  simulator.Stop();
  std::_Exit(0);
}

std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') line.push_back(c);
  return line;
}

// Lateness percentiles of `late` (sorted in place), in ms.
void PrintLateness(const char* against, std::vector<double>& late) {
  std::sort(late.begin(), late.end());
  const auto rank = static_cast<std::size_t>(kPercentile * static_cast<double>(late.size() - 1));
  std::printf("lateness against %s: median %.3f ms, p99 %.3f ms, worst %.3f ms\n", against,
              late[late.size() / 2], late[rank], late.back());
}

void PrintPeriod(const std::vector<Clock::time_point>& starts, Clock::time_point shown) {
  if (starts.size() < 2) {
    std::printf("tick period: too few ticks (%zu)\n", starts.size());
    return;
  }
  std::vector<double> sinceShown;
  double shortest = 1e9;
  double longest = 0;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    sinceShown.push_back(Ms(starts[k] - (shown + kPeriod * static_cast<int>(k + 1))));
    if (k > 0) {
      shortest = std::min(shortest, Ms(starts[k] - starts[k - 1]));
      longest = std::max(longest, Ms(starts[k] - starts[k - 1]));
    }
  }
  // The timer's own grid begins when its thread has started, a little after
  // the show; no tick comes before its grid point, so the earliest tick
  // relative to the grid marks where the grid lies.
  const double gridOffset = *std::min_element(sinceShown.begin(), sinceShown.end());
  std::vector<double> sinceGrid;
  for (const double late : sinceShown) sinceGrid.push_back(late - gridOffset);
  const double mean = Ms(starts.back() - starts.front()) / static_cast<double>(starts.size() - 1);
  std::printf("ticks: %zu\n", starts.size());
  std::printf("tick period: mean %.3f ms, shortest %.3f ms, longest %.3f ms\n", mean, shortest,
              longest);
  PrintLateness("the 200 ms grid from the show", sinceShown);
  PrintLateness("the timer's grid", sinceGrid);
}

// The chart and error history windows of the Live menu, open on the feed:
// each redraws itself from every sample it takes, as in the program.
struct LiveWindows {
  LiveWindows(ui::Host& host, const DefinitionSet& defs, LiveFeed& feed)
      : chart(host, defs, feed), history(host, defs, feed) {
    chart.Initialize();
    history.Initialize();
  }
  // The points drawn and the rows listed right now.
  std::size_t Drawn() const {
    std::size_t drawn = 0;
    for (const ui::ChartSeries& line : chart.Chart(kIdChart).series) drawn += line.points.size();
    return drawn + history.List(kIdHistoryList).rows.size();
  }
  CLiveChartDlg chart;
  CErrorHistoryDlg history;
};

long ResidentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE) / 1024;
}

struct Rig {
  BenchHost host;
  std::unique_ptr<Session> session = std::make_unique<Session>();
  TimedPort* port = nullptr;
};

bool SetUp(Rig& rig, const std::string& path) {
  auto inner = MakeSerialPort();
  if (!inner->Open(path) || !inner->Configure(PortSettings{}, rig.session->link.timeouts)) {
    std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), inner->LastError().c_str());
    return false;
  }
  auto timed = std::make_unique<TimedPort>(std::move(inner));
  rig.port = timed.get();
  rig.session->link.SetPort(std::move(timed));
  ParameterImage image;
  const sim::Image defaults = sim::DefaultImage();
  std::copy(defaults.begin(), defaults.end(), image.bytes.begin());
  if (LoadDefinitionSet(image, rig.session->defs) != LoadResult::Loaded) return false;
  rig.session->flags.imageRead = true;
  return true;
}

void MeasurePolling(Rig& rig, CMonitor1Dlg& page, int seconds, const std::string& csv) {
  std::set<std::u16string> speeds;
  LiveFeed& feed = page.Live();
  std::string error;
  if (!feed.StartRecording(csv, &error)) std::printf("recording not started: %s\n", error.c_str());
  feed.Chart().Choose(kChartItems);
  const LiveWindows windows(rig.host, rig.session->defs, feed);
  std::size_t points = 0;
  feed.AddListener([&](const LiveSample&) { points += windows.Drawn(); });
  const double cpuBefore = CpuSeconds();
  const Clock::time_point shown = Clock::now();
  page.Show(true);
  const Clock::time_point end = shown + std::chrono::seconds(seconds);
  for (Clock::time_point t = shown; t < end;) {
    t = std::min(end, t + kPeriod);
    rig.host.Pump(t);
    speeds.insert(page.GetText(SlotEditId(17)));
  }
  page.Show(false);
  const double wall = duration<double>(Clock::now() - shown).count();
  const double cpu = CpuSeconds() - cpuBefore;
  PrintPeriod(rig.port->PollStarts(), shown);
  std::printf("status after the run: %s\n",
              page.GetText(kMonitorStatusBoxId) == u"Success!" ? "Success!" : "Failure!");
  std::printf("distinct values seen in slot 17 (motor speed): %zu\n", speeds.size());
  std::printf("recorded rows: %lld (%s), points and rows drawn by the windows: %zu\n",
              static_cast<long long>(feed.Recording().Rows()),
              feed.RecordingError().empty() ? "no write error" : feed.RecordingError().c_str(),
              points);
  std::printf("CPU of the tool while polling: %.3f s in %.1f s = %.2f %% of one core\n", cpu, wall,
              100.0 * cpu / wall);
  feed.StopRecording();
}

// An hour of polls through the error history, the chart series and the
// recording, as fast as they are taken: the memory after one minute and
// after the hour, and the UI thread's cost per sample.
void MeasureAnHour(const DefinitionSet& defs, const std::string& csv) {
  auto feed = std::make_unique<LiveFeed>(defs);
  std::string error;
  if (!feed->StartRecording(csv, &error)) std::printf("recording not started: %s\n", error.c_str());
  feed->Chart().Choose(kChartItems);
  BenchHost host;
  const LiveWindows windows(host, defs, *feed);
  std::size_t points = 0;
  LiveSample sample;
  sample.accepted = {true, true, true};
  const Clock::time_point start = Clock::now();
  const auto wallStart = std::chrono::system_clock::now();
  long afterMinute = 0;
  const double cpuBefore = CpuSeconds();
  for (int tick = 1; tick <= kPollsPerHour; ++tick) {
    const double seconds = duration<double>(kPeriod * tick).count();
    const sim::LiveData data = sim::MovingLiveData(seconds);
    std::copy(data.begin(), data.end(), sample.block.begin());
    sample.steadyTime = start + kPeriod * tick;
    sample.wallTime = wallStart + kPeriod * tick;
    sample.tick = static_cast<std::uint8_t>(tick);
    feed->Take(sample);
    points += windows.Drawn();
    if (tick == kPollsPerMinute) afterMinute = ResidentKilobytes();
  }
  const double cpu = CpuSeconds() - cpuBefore;
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(csv, ec);
  std::printf(
      "an hour of polls (%d, simulated time): resident memory %ld kB after a minute, "
      "%ld kB after the hour; chart keeps %zu samples; %zu error bits in the history\n",
      kPollsPerHour, afterMinute, ResidentKilobytes(), feed->Chart().Size(),
      feed->History().Records().size());
  std::printf(
      "  recording: %lld rows, %.1f MB on disk; UI-thread cost %.1f us per sample "
      "(history, chart, row written and flushed, chart and history windows redrawn: "
      "%zu points and rows drawn)\n",
      static_cast<long long>(feed->Recording().Rows()), static_cast<double>(ec ? 0 : bytes) / 1e6,
      1e6 * cpu / kPollsPerHour, points);
}

void MeasureSilentHide(Rig& rig, CMonitor1Dlg& page) {
  rig.port->swallow = true;
  double worst = 0;
  double total = 0;
  for (int trial = 0; trial < kHideTrials; ++trial) {
    rig.port->ClearPollStarts();
    page.Show(true);
    // Let a tick start its silent exchange, then hide somewhere inside it.
    while (rig.port->PollStarts().empty()) rig.host.Pump(Clock::now() + milliseconds{1});
    rig.host.Pump(Clock::now() + kHideSpread * trial / kHideTrials);
    const Clock::time_point begin = Clock::now();
    page.Show(false);
    const double took = Ms(Clock::now() - begin);
    worst = std::max(worst, took);
    total += took;
  }
  rig.port->swallow = false;
  std::printf("hiding with the controller silent (%d trials): mean %.3f ms, worst %.3f ms\n",
              kHideTrials, total / kHideTrials, worst);
}

int Run() {
  int pathPipe[2];
  int quitPipe[2];
  if (pipe(pathPipe) != 0 || pipe(quitPipe) != 0) return 1;
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    close(pathPipe[0]);
    close(quitPipe[1]);
    RunSimulator(pathPipe[1], quitPipe[0]);
  }
  close(pathPipe[1]);
  close(quitPipe[0]);
  const std::string path = ReadLine(pathPipe[0]);
  int status = 1;
  if (!path.empty()) {
    Rig rig;
    if (SetUp(rig, path)) {
      const char* env = std::getenv("TARN_BENCH_SECONDS");
      const int seconds = env != nullptr ? std::max(1, std::atoi(env)) : kDefaultSeconds;
      std::printf(
          "monitor poll against the simulator at 19200 baud, %d s, recording and four "
          "chart series on\n",
          seconds);
      const std::string csv = (std::filesystem::temp_directory_path() /
                               ("bench-monitor-" + std::to_string(getpid()) + ".csv"))
                                  .string();
      CMonitor1Dlg page(rig.host, *rig.session);
      MeasurePolling(rig, page, seconds, csv);
      MeasureSilentHide(rig, page);
      MeasureAnHour(rig.session->defs, csv);
      std::filesystem::remove(csv);
      status = 0;
    }
  }
  close(quitPipe[1]);
  waitpid(child, nullptr, 0);
  return status;
}

}  // namespace
}  // namespace tarn

int main() {
  return tarn::Run();
}
