// Times the Read and Write commands against the simulated controller paced at
// 19200 baud, next to their lower bound: the bytes on the wire at 1920 bytes a
// second, the waits the protocol demands, and the controller's quiet time in
// front of every request that follows a reply without such a wait. The bound
// of the line alone is printed beside it. Also times the scan of a port on
// which nothing answers.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "app/connect_commands.h"
#include "app/transfer_commands.h"
#include "sim/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kRuns = 5;
constexpr double kBytesPerSecond = 1920.0;  // 19200 baud, 10 bits a byte
constexpr double kWaitAfterTransferStart = 0.050;
constexpr double kWaitAfterWriteEnd = 0.200;
constexpr double kQuietTime = Seconds(tarn::kLineQuietTime).count();
constexpr double kTargetRatio = 1.03;

class QuietPrompter final : public tarn::Prompter {
 public:
  tarn::MsgAnswer ShowMessage(int id, tarn::MsgButtons, tarn::MsgIcon) override {
    if (id != tarn::kMsgWriteDone) std::fprintf(stderr, "unexpected message %d\n", id);
    return tarn::MsgAnswer::Cancel;
  }
  tarn::MsgAnswer ShowText(std::u16string_view, tarn::MsgButtons, tarn::MsgIcon) override {
    return tarn::MsgAnswer::Cancel;
  }
};

class QuietStatus final : public tarn::StatusLine {
 public:
  void SetStatus(tarn::TransferOutcome) override {}
};

struct Figures {
  double best = 0;
  double median = 0;
  double bound = 0;      // line, mandated waits and quiet times
  double lineBound = 0;  // line and mandated waits only
  int exchanges = 0;
  int quietGaps = 0;
  long wireBytes = 0;
};

double MandatedWait(std::uint8_t command) {
  if (command == tarn::kCommandTransferStart) return kWaitAfterTransferStart;
  if (command == tarn::kCommandWriteEnd) return kWaitAfterWriteEnd;
  return 0;
}

// The bounds of one run: what crossed the line, plus the waits after the
// TransferStart and WriteEnd frames, plus (for the new bound) the quiet time
// after each reply that the next request follows without such a wait.
void BoundsOf(const tarn::sim::Simulator& sim, Figures* figures) {
  long bytes = sim.ReplyBytesSent();
  double waits = 0;
  const auto requests = sim.Requests();
  figures->quietGaps = 0;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    bytes += static_cast<long>(requests[i].size());
    const double wait = MandatedWait(requests[i][0]);
    waits += wait;
    if (i + 1 < requests.size() && wait == 0) ++figures->quietGaps;
  }
  figures->wireBytes = bytes;
  figures->exchanges = static_cast<int>(requests.size());
  figures->lineBound = static_cast<double>(bytes) / kBytesPerSecond + waits;
  figures->bound = figures->lineBound + figures->quietGaps * kQuietTime;
}

Figures Measure(tarn::sim::Simulator& sim, const std::function<bool()>& command) {
  Figures figures;
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    // The quiet time after the previous run's last reply belongs to that run.
    std::this_thread::sleep_for(tarn::kLineQuietTime);
    sim.ResetCounters();
    const auto start = Clock::now();
    if (!command()) std::fprintf(stderr, "run %d failed\n", run);
    times.push_back(Seconds(Clock::now() - start).count());
    BoundsOf(sim, &figures);
  }
  std::sort(times.begin(), times.end());
  figures.best = times.front();
  figures.median = times[times.size() / 2];
  return figures;
}

void Print(const char* name, const Figures& f) {
  std::printf(
      "%-14s time %.3f s (best of %d; median %.3f s)  bound %.3f s  ratio %.3f"
      "  [line-only bound %.3f s, ratio %.3f; %d exchanges, %ld bytes on the wire,"
      " %d quiet gaps]\n",
      name, f.best, kRuns, f.median, f.bound, f.median / f.bound, f.lineBound,
      f.median / f.lineBound, f.exchanges, f.wireBytes, f.quietGaps);
}

double TimeSilentScan() {
  tarn::sim::Simulator silent(tarn::sim::Options{.faults = {.silent = true}});
  if (!silent.Start()) return -1;
  ::setenv("TARN_PORTS", silent.SlavePath().c_str(), 1);
  tarn::ControllerLink link;
  QuietPrompter prompter;
  tarn::Connection connection(link, prompter);
  const auto start = Clock::now();
  connection.Connect();
  return Seconds(Clock::now() - start).count();
}

}  // namespace

int main() {
  tarn::sim::Simulator sim;  // paced at the line rate
  if (!sim.Start()) {
    std::fprintf(stderr, "simulator: %s\n", sim.LastError().c_str());
    return 1;
  }
  tarn::ControllerLink link;
  auto port = tarn::MakeSerialPort();
  if (!port->Open(sim.SlavePath()) || !port->Configure({}, {})) {
    std::fprintf(stderr, "port: %s\n", port->LastError().c_str());
    return 1;
  }
  link.SetPort(std::move(port));
  QuietPrompter prompter;
  QuietStatus status;
  tarn::ParameterImage image;
  tarn::TransferFlags flags;

  const Figures read = Measure(sim, [&] {
    tarn::ReadCommand(link, image, flags, prompter, status);
    return flags.imageRead;
  });
  const Figures write = Measure(sim, [&] {
    tarn::WriteCommand(link, image, flags, prompter, status);
    return flags.imageWritten;
  });
  std::printf(
      "Against the simulated controller at 19200 baud 8N1; bound: line time, mandated waits"
      " and %.0f ms quiet time after each reply no wait covers (target ratio <= %.2f):\n",
      kQuietTime * 1000, kTargetRatio);
  Print("Read command", read);
  Print("Write command", write);
  std::printf("%-14s %.3f s for one port on which nothing answers (target about 1.6 s)\n",
              "Silent scan", TimeSilentScan());
  return 0;
}
