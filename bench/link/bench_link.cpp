// Times the Read and Write commands against the simulated controller paced at
// 19200 baud, next to their physical lower bound: the bytes on the wire at
// 1920 bytes a second plus the waits the protocol demands. Also times the
// scan of a port on which nothing answers.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "link/connection.h"
#include "link/transfer.h"
#include "sim/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kRuns = 5;
constexpr double kBytesPerSecond = 1920.0;  // 19200 baud, 10 bits a byte
constexpr double kWaitAfterTransferStart = 0.050;
constexpr double kWaitAfterWriteEnd = 0.200;

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
  void SetStatus(std::u16string_view) override {}
};

struct Figures {
  double best = 0;
  double median = 0;
  double bound = 0;
  int exchanges = 0;
  long wireBytes = 0;
};

// The bound of one run: what crossed the line, plus the waits for the
// TransferStart and WriteEnd frames among the requests.
double BoundOf(const tarn::sim::Simulator& sim, long* wireBytes) {
  long bytes = sim.ReplyBytesSent();
  double waits = 0;
  for (const auto& request : sim.Requests()) {
    bytes += static_cast<long>(request.size());
    if (request[0] == tarn::kCommandTransferStart) waits += kWaitAfterTransferStart;
    if (request[0] == tarn::kCommandWriteEnd) waits += kWaitAfterWriteEnd;
  }
  *wireBytes = bytes;
  return static_cast<double>(bytes) / kBytesPerSecond + waits;
}

Figures Measure(tarn::sim::Simulator& sim, const std::function<bool()>& command) {
  Figures figures;
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    sim.ResetCounters();
    const auto start = Clock::now();
    if (!command()) std::fprintf(stderr, "run %d failed\n", run);
    times.push_back(Seconds(Clock::now() - start).count());
    figures.bound = BoundOf(sim, &figures.wireBytes);
    figures.exchanges = sim.TotalRequests();
  }
  std::sort(times.begin(), times.end());
  figures.best = times.front();
  figures.median = times[times.size() / 2];
  return figures;
}

void Print(const char* name, const Figures& f) {
  std::printf(
      "%-14s time %.3f s (best of %d; median %.3f s)  bound %.3f s  ratio %.3f"
      "  [%d exchanges, %ld bytes on the wire]\n",
      name, f.best, kRuns, f.median, f.bound, f.median / f.bound, f.exchanges, f.wireBytes);
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
  std::printf("Against the simulated controller at 19200 baud 8N1 (target ratio <= 1.10):\n");
  Print("Read command", read);
  Print("Write command", write);
  std::printf("%-14s %.3f s for one port on which nothing answers (target about 1.6 s)\n",
              "Silent scan", TimeSilentScan());
  return 0;
}
