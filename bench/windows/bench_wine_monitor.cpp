// The monitor's poll under wine: the real monitor page polls the simulated
// controller on a COM port (TARN_TEST_COM_PORT, mapped by tarn-wine-session)
// for TARN_BENCH_MONITOR_SECONDS (default 20) and prints the tick period and
// the worst lateness against the 200 ms grid, as bench_monitor does on Linux.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/session.h"
#include "link/serial_port.h"
#include "link/transfer.h"
#include "model/definition_loader.h"
#include "monitor/monitor_page.h"
#include "ui/headless_host.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPeriod{200};
constexpr int kDefaultSeconds = 20;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Notes when each poll starts: the moment its LiveData1 request is written.
class TimedPort final : public tarn::SerialPort {
 public:
  explicit TimedPort(std::unique_ptr<tarn::SerialPort> inner) : inner_(std::move(inner)) {}
  bool Open(const std::string& name) override { return inner_->Open(name); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  bool Configure(const tarn::PortSettings& s, const tarn::PortTimeouts& t) override {
    return inner_->Configure(s, t);
  }
  bool Purge() override { return inner_->Purge(); }
  bool Write(std::span<const std::uint8_t> bytes) override {
    if (!bytes.empty() && bytes[0] == tarn::kCommandLiveData1) {
      const std::lock_guard lock(mutex_);
      starts_.push_back(Clock::now());
    }
    return inner_->Write(bytes);
  }
  bool Read(std::span<std::uint8_t> buffer, std::size_t* received) override {
    return inner_->Read(buffer, received);
  }
  bool ReadWithin(std::span<std::uint8_t> buffer, std::size_t* received,
                  tarn::ReadWindow& window) override {
    return inner_->ReadWithin(buffer, received, window);
  }
  void Close() override { inner_->Close(); }
  std::string LastError() const override { return inner_->LastError(); }
  std::vector<Clock::time_point> Starts() {
    const std::lock_guard lock(mutex_);
    return starts_;
  }

 private:
  std::unique_ptr<tarn::SerialPort> inner_;
  std::mutex mutex_;
  std::vector<Clock::time_point> starts_;
};

int Seconds() {
  const char* text = std::getenv("TARN_BENCH_MONITOR_SECONDS");
  const int seconds = text != nullptr ? std::atoi(text) : 0;
  return seconds > 0 ? seconds : kDefaultSeconds;
}

}  // namespace

int main() {
  const char* name = std::getenv("TARN_TEST_COM_PORT");
  if (name == nullptr) {
    std::fprintf(stderr, "bench_wine_monitor: TARN_TEST_COM_PORT is not set\n");
    return 1;
  }
  auto inner = tarn::MakeSerialPort();
  tarn::Session session;
  if (!inner->Open(name) || !inner->Configure(tarn::PortSettings{}, tarn::PortTimeouts{})) {
    std::fprintf(stderr, "cannot open %s: %s\n", name, inner->LastError().c_str());
    return 1;
  }
  auto timed = std::make_unique<TimedPort>(std::move(inner));
  TimedPort& port = *timed;
  session.link.SetPort(std::move(timed));
  if (!tarn::ReadImage(session.link, session.image) ||
      tarn::LoadDefinitionSet(session.image, session.defs) != tarn::LoadResult::Loaded) {
    std::fprintf(stderr, "bench_wine_monitor: no image from the controller\n");
    return 1;
  }
  session.flags.imageRead = true;
  tarn::ui::HeadlessHost host;
  tarn::CMonitor1Dlg monitor(host, session);
  const int seconds = Seconds();
  const auto shown = Clock::now();
  monitor.Show(true);
  host.WaitUntil([] { return false; }, std::chrono::seconds(seconds));
  monitor.Show(false);

  const std::vector<Clock::time_point> starts = port.Starts();
  if (starts.size() < 2) {
    std::printf("under wine: too few ticks (%zu)\n", starts.size());
    return 1;
  }
  double worstLate = 0;
  double shortest = 1e9;
  double longest = 0;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const Clock::time_point due = shown + kPeriod * static_cast<int>(k + 1);
    worstLate = std::max(worstLate, Ms(starts[k] - due));
    if (k > 0) {
      shortest = std::min(shortest, Ms(starts[k] - starts[k - 1]));
      longest = std::max(longest, Ms(starts[k] - starts[k - 1]));
    }
  }
  const double mean = Ms(starts.back() - starts.front()) / static_cast<double>(starts.size() - 1);
  std::printf("under wine, %d s on the monitor page against the controller on %s at 19200 baud:\n",
              seconds, name);
  std::printf("  ticks: %zu; period mean %.3f ms, shortest %.3f ms, longest %.3f ms\n",
              starts.size(), mean, shortest, longest);
  std::printf("  worst lateness against the 200 ms grid: %.3f ms\n", worstLate);
  return 0;
}
