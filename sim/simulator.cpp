#include "sim/simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>

#include "link/controller_link.h"
#include "sim/live_data.h"

namespace tarn::sim {
namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr int kNoFd = -1;
// One byte on the line at 19200 baud 8N1: start bit, 8 data bits, stop bit.
constexpr auto kByteTime = std::chrono::nanoseconds(1'000'000'000LL * 10 / 19200);
// A request left unfinished this long is dropped: the tool sends whole frames.
constexpr auto kRequestGapLimit = std::chrono::milliseconds(100);
constexpr int kIdlePollMs = 50;
constexpr std::size_t kReadChunk = 256;
constexpr std::size_t kMaxData = 16;
constexpr std::size_t kModuleNameBytes = 8;
constexpr std::uint8_t kChecksumSpoiler = 0x5A;
constexpr unsigned kByteBits = 8;

std::uint8_t Sum(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint8_t>(sum);
}

Bytes Frame(std::uint8_t command, std::span<const std::uint8_t> data) {
  Bytes frame{command, static_cast<std::uint8_t>(data.size())};
  frame.insert(frame.end(), data.begin(), data.end());
  frame.push_back(Sum(frame));
  return frame;
}

void SleepUnlessStopped(Clock::time_point until, std::stop_token stop) {
  std::mutex mutex;
  std::condition_variable_any wake;
  std::unique_lock lock(mutex);
  wake.wait_until(lock, stop, until, [] { return false; });
}

bool MakeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  cfsetispeed(&tio, B19200);
  cfsetospeed(&tio, B19200);
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// How one reply goes out.
struct Plan {
  Bytes bytes;
  bool send = false;
  std::chrono::milliseconds late{0};
  std::size_t pieceBytes = 0;
  std::chrono::milliseconds gap{0};
  bool pacing = false;
  bool hangUp = false;
};

}  // namespace

class Simulator::Impl {
 public:
  explicit Impl(Options options) : faults(options.faults), options_(std::move(options)) {}
  ~Impl() { Stop(); }

  bool Start();
  void Stop();

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  Image image = DefaultImage();
  Faults faults;
  int sinceFaults = 0;
  bool pacing = true;
  ReplyHook hook;
  std::optional<LiveData> fixedLive;
  std::optional<std::uint16_t> errorWord;
  std::deque<ZeroPointReading> zeroQueue;
  std::map<std::uint8_t, int> counts;
  std::vector<Bytes> log;
  std::vector<LineTiming> timings;
  int resets = 0;  // ResetCounters() calls, so a reply never lands in a new log
  int replies = 0;
  long replyBytes = 0;
  bool hungUp = false;
  std::string slavePath;
  std::string error;
  Options options_;

 private:
  bool OpenTerminal();
  void Run(std::stop_token stop);
  void TakeBytes(std::span<const std::uint8_t> bytes, std::stop_token stop);
  void Handle(const Bytes& request, Clock::time_point started, std::stop_token stop);
  Plan PlanReply(const Bytes& request, const std::optional<Bytes>& raw);
  void NoteReplyEnd(std::size_t entry, int resetsThen, std::size_t bytes,
                    Clock::time_point end);
  Bytes BuildReply(const Bytes& request);
  Bytes ReadBlockReply(std::span<const std::uint8_t> data);
  Bytes WriteBlockReply(std::span<const std::uint8_t> data);
  Bytes LiveDataReply(std::uint8_t command);
  Bytes ZeroPointReply();
  void SaveImage();
  void Send(const Plan& plan, Clock::time_point start, std::stop_token stop);
  void WriteAll(std::span<const std::uint8_t> bytes);
  void CloseTerminal();

  int master_ = kNoFd;
  int slave_ = kNoFd;  // kept open so the master never sees a hang-up between opens
  int wake_[2] = {kNoFd, kNoFd};
  Bytes pending_;
  Clock::time_point pendingSince_;  // the first pending byte arrived
  Clock::time_point lastWriteStart_;
  Clock::time_point lastByte_;
  Clock::time_point started_ = Clock::now();
  std::uint32_t noise_ = 1;
  std::jthread thread_;
};

bool Simulator::Impl::OpenTerminal() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    error = std::string("pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  const char* name = ptsname(master_);
  slave_ = name != nullptr ? ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : kNoFd;
  if (slave_ < 0 || !MakeRaw(slave_) || ::pipe(wake_) != 0) {
    error = std::string("pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  slavePath = name;
  return true;
}

bool Simulator::Impl::Start() {
  if (!options_.imageFile.empty()) {
    std::ifstream file(options_.imageFile, std::ios::binary);
    if (!file) {
      error = options_.imageFile + ": " + std::strerror(errno);
      return false;
    }
    Image loaded{};
    file.read(reinterpret_cast<char*>(loaded.data()), loaded.size());
    if (!file || file.peek() != std::char_traits<char>::eof()) {
      error = options_.imageFile + ": not a 512-byte image";
      return false;
    }
    image = loaded;
  }
  pacing = options_.pacing;
  if (!OpenTerminal()) {
    CloseTerminal();
    return false;
  }
  started_ = Clock::now();
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  return true;
}

void Simulator::Impl::Stop() {
  if (thread_.joinable()) {
    thread_.request_stop();
    if (wake_[1] != kNoFd) {
      const char byte = 0;
      [[maybe_unused]] ssize_t n = ::write(wake_[1], &byte, 1);
    }
    thread_.join();
  }
  CloseTerminal();
}

void Simulator::Impl::CloseTerminal() {
  for (int* fd : {&master_, &slave_, &wake_[0], &wake_[1]}) {
    if (*fd != kNoFd) ::close(*fd);
    *fd = kNoFd;
  }
}

void Simulator::Impl::Run(std::stop_token stop) {
  std::array<std::uint8_t, kReadChunk> buffer{};
  while (!stop.stop_requested() && master_ != kNoFd) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, kIdlePollMs) < 0 && errno != EINTR) break;
    if (fds[1].revents != 0) break;
    if ((fds[0].revents & POLLIN) == 0) continue;
    ssize_t n = ::read(master_, buffer.data(), buffer.size());
    if (n <= 0) continue;
    TakeBytes(std::span(buffer).first(static_cast<std::size_t>(n)), stop);
  }
}

// Splits the incoming bytes into request frames. A frame with a length above
// 16 cannot be a request: its first byte is dropped to find the next one. A
// frame with a wrong checksum drops everything received so far.
void Simulator::Impl::TakeBytes(std::span<const std::uint8_t> bytes, std::stop_token stop) {
  const auto now = Clock::now();
  if (!pending_.empty() && now - lastByte_ > kRequestGapLimit) pending_.clear();
  if (pending_.empty()) pendingSince_ = now;
  lastByte_ = now;
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  while (pending_.size() >= 2 && master_ != kNoFd) {
    const std::size_t length = pending_[1];
    if (length > kMaxData) {
      pending_.erase(pending_.begin());
      continue;
    }
    if (pending_.size() < length + 3) break;
    Bytes request(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length + 3));
    if (Sum(std::span(request).first(length + 2)) != request.back()) {
      pending_.clear();
      break;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length + 3));
    const Clock::time_point started = pendingSince_;
    pendingSince_ = now;  // bytes left over came in the same read
    Handle(request, started, stop);
  }
}

void Simulator::Impl::Handle(const Bytes& request, Clock::time_point started,
                             std::stop_token stop) {
  // On a real line the request has only just finished arriving.
  const Clock::time_point arrived =
      Clock::now() + kByteTime * static_cast<std::int64_t>(request.size());
  ReplyHook replyHook;
  {
    std::lock_guard lock(mutex);
    replyHook = hook;
  }
  // The hook runs without the lock: it may call back into the simulator.
  std::optional<Bytes> raw;
  if (replyHook) raw = replyHook(request);
  Plan plan;
  std::size_t entry = 0;
  int resetsThen = 0;
  {
    std::lock_guard lock(mutex);
    entry = timings.size();
    resetsThen = resets;
    timings.push_back({request[0], started, std::nullopt});
    plan = PlanReply(request, raw);
  }
  if (plan.send && !plan.bytes.empty()) {
    Send(plan, plan.pacing ? arrived : Clock::now(), stop);
    NoteReplyEnd(entry, resetsThen, plan.bytes.size(), lastWriteStart_);
  }
  changed.notify_all();
  if (plan.hangUp) {
    std::lock_guard lock(mutex);
    hungUp = true;
    ::close(master_);
    ::close(slave_);
    master_ = slave_ = kNoFd;
  }
}

void Simulator::Impl::NoteReplyEnd(std::size_t entry, int resetsThen, std::size_t bytes,
                                   Clock::time_point end) {
  std::lock_guard lock(mutex);
  ++replies;
  replyBytes += static_cast<long>(bytes);
  if (resets == resetsThen && entry < timings.size()) timings[entry].replyEnd = end;
}

Plan Simulator::Impl::PlanReply(const Bytes& request, const std::optional<Bytes>& raw) {
  const std::uint8_t command = request[0];
  ++counts[command];
  log.push_back(request);
  const int n = ++sinceFaults;
  Faults& f = faults;
  Plan plan;
  plan.pacing = pacing;
  // The line goes dead when the next request arrives, so every answered
  // reply has been read by the time the tool sees the hang-up.
  plan.hangUp = f.hangUpAfter > 0 && n > f.hangUpAfter;
  if (plan.hangUp) return plan;
  bool silent = f.silent || f.silentOn == n;
  if (!silent && f.silentCount > 0 && f.silentCommand == command) {
    --f.silentCount;
    silent = true;
  }
  if (silent) return plan;
  plan.bytes = raw ? *raw : BuildReply(request);
  plan.send = !plan.bytes.empty();
  if (!plan.send) return plan;
  if (f.badChecksumOn == n) plan.bytes.back() ^= kChecksumSpoiler;
  if (f.strayByteOn == n) plan.bytes.insert(plan.bytes.begin(), f.strayByte);
  if (f.lateReplyMs > 0 && (f.lateReplyOn == 0 || f.lateReplyOn == n)) {
    plan.late = std::chrono::milliseconds(f.lateReplyMs);
  }
  plan.pieceBytes = static_cast<std::size_t>(std::max(f.splitPieceBytes, 0));
  plan.gap = std::chrono::milliseconds(f.splitGapMs);
  return plan;
}

Bytes Simulator::Impl::BuildReply(const Bytes& request) {
  const std::uint8_t command = request[0];
  const std::span<const std::uint8_t> data(request.data() + 2, request[1]);
  switch (command) {
    case kCommandIdentify: {
      std::array<std::uint8_t, kMaxData> reply{image[16], image[17],
                                               static_cast<std::uint8_t>(faults.identifyByte2)};
      const auto length = static_cast<std::size_t>(std::clamp(faults.identifyDataLength, 0, 16));
      return Frame(command, std::span(reply).first(length));
    }
    case kCommandTransferStart:
      return Frame(command, {});
    case kCommandReadBlock:
      return ReadBlockReply(data);
    case kCommandWriteBlock:
      return WriteBlockReply(data);
    case kCommandWriteEnd:
      SaveImage();
      return Frame(command, {});
    case kCommandReadZeroPoints:
      return ZeroPointReply();
    case kCommandLiveData1:
    case kCommandLiveData2:
    case kCommandLiveData3:
      return LiveDataReply(command);
    default:
      return {};  // not a command this controller knows
  }
}

// Address low, count, address high. A request outside the image gets an
// empty reply.
Bytes Simulator::Impl::ReadBlockReply(std::span<const std::uint8_t> data) {
  if (data.size() < 3) return Frame(kCommandReadBlock, {});
  const std::size_t address = data[0] | (std::size_t{data[2]} << kByteBits);
  const std::size_t count = data[1];
  if (count > kMaxData || address + count > kImageBytes) return Frame(kCommandReadBlock, {});
  std::array<std::uint8_t, kMaxData> block{};
  std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(address), count, block.begin());
  if (address == 0 && !faults.moduleName.empty()) {
    std::string name = faults.moduleName;
    name.resize(kModuleNameBytes, ' ');
    std::copy_n(name.begin(), std::min(count, kModuleNameBytes), block.begin());
  }
  const std::size_t length =
      std::min(count, static_cast<std::size_t>(std::clamp(faults.readBlockDataLength, 0, 16)));
  return Frame(kCommandReadBlock, std::span(block).first(length));
}

// Address low, count, address high, count bytes. A malformed block is not
// acknowledged, so the tool cannot count it as written.
Bytes Simulator::Impl::WriteBlockReply(std::span<const std::uint8_t> data) {
  if (data.size() < 3) return {};
  const std::size_t address = data[0] | (std::size_t{data[2]} << kByteBits);
  const std::size_t count = data[1];
  if (data.size() != 3 + count || address + count > kImageBytes) return {};
  std::copy_n(data.begin() + 3, count, image.begin() + static_cast<std::ptrdiff_t>(address));
  return Frame(kCommandWriteBlock, {});
}

Bytes Simulator::Impl::LiveDataReply(std::uint8_t command) {
  const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
  LiveData live = fixedLive ? *fixedLive : MovingLiveData(seconds);
  if (errorWord) {
    live[16] = static_cast<std::uint8_t>(*errorWord >> kByteBits);
    live[17] = static_cast<std::uint8_t>(*errorWord);
  }
  const std::size_t third = static_cast<std::size_t>(command - kCommandLiveData1);
  return Frame(command, std::span(live).subspan(third * kMaxData, kMaxData));
}

Bytes Simulator::Impl::ZeroPointReply() {
  ZeroPointReading reading{};
  if (!zeroQueue.empty()) {
    reading = zeroQueue.front();
    zeroQueue.pop_front();
  } else {
    reading = NoisyZeroPoints(noise_);
  }
  std::array<std::uint8_t, 2 * kZeroPointCount> data{};
  for (std::size_t i = 0; i < kZeroPointCount; ++i) {
    data[2 * i] = static_cast<std::uint8_t>(reading[i] >> kByteBits);
    data[2 * i + 1] = static_cast<std::uint8_t>(reading[i]);
  }
  return Frame(kCommandReadZeroPoints, data);
}

void Simulator::Impl::SaveImage() {
  if (!options_.saveBack || options_.imageFile.empty()) return;
  const std::string temporary = options_.imageFile + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(image.data()), image.size());
    if (!file) return;
  }
  std::rename(temporary.c_str(), options_.imageFile.c_str());
}

void Simulator::Impl::WriteAll(std::span<const std::uint8_t> bytes) {
  // Taken before the write: the tool cannot have these bytes any earlier.
  lastWriteStart_ = Clock::now();
  while (!bytes.empty() && master_ != kNoFd) {
    ssize_t n = ::write(master_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
}

// Paced, each byte leaves when its stop bit would end on a real line.
void Simulator::Impl::Send(const Plan& plan, Clock::time_point start, std::stop_token stop) {
  auto next = start + plan.late;
  if (plan.late.count() > 0) SleepUnlessStopped(next, stop);
  const std::span<const std::uint8_t> bytes(plan.bytes);
  const std::size_t piece = plan.pieceBytes > 0 ? plan.pieceBytes : bytes.size();
  for (std::size_t offset = 0; offset < bytes.size() && !stop.stop_requested(); offset += piece) {
    if (offset > 0 && plan.gap.count() > 0) {
      next = std::max(next, Clock::now()) + plan.gap;
      SleepUnlessStopped(next, stop);
    }
    const auto chunk = bytes.subspan(offset, std::min(piece, bytes.size() - offset));
    if (!plan.pacing) {
      WriteAll(chunk);
      continue;
    }
    for (std::size_t k = 0; k < chunk.size(); ++k) {
      next += kByteTime;
      std::this_thread::sleep_until(next);
      WriteAll(chunk.subspan(k, 1));
    }
  }
}

}  // namespace tarn::sim

namespace tarn::sim {

Simulator::Simulator(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}
Simulator::~Simulator() = default;

bool Simulator::Start() {
  return impl_->Start();
}
void Simulator::Stop() {
  impl_->Stop();
}

std::string Simulator::SlavePath() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->slavePath;
}

std::string Simulator::LastError() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->error;
}

bool Simulator::HungUp() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->hungUp;
}

Image Simulator::GetImage() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->image;
}

void Simulator::SetImage(const Image& image) {
  std::lock_guard lock(impl_->mutex);
  impl_->image = image;
}

void Simulator::SetImageBytes(std::size_t address, std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(impl_->mutex);
  const std::size_t count = std::min(bytes.size(), kImageBytes - std::min(address, kImageBytes));
  std::copy_n(bytes.begin(), count, impl_->image.begin() + static_cast<std::ptrdiff_t>(address));
}

void Simulator::SetFaults(const Faults& faults) {
  std::lock_guard lock(impl_->mutex);
  impl_->faults = faults;
  impl_->sinceFaults = 0;
}

void Simulator::SetPacing(bool on) {
  std::lock_guard lock(impl_->mutex);
  impl_->pacing = on;
}

void Simulator::SetReplyHook(ReplyHook hook) {
  std::lock_guard lock(impl_->mutex);
  impl_->hook = std::move(hook);
}

void Simulator::SetLiveData(std::optional<LiveData> data) {
  std::lock_guard lock(impl_->mutex);
  impl_->fixedLive = data;
}

void Simulator::SetErrorWord(std::optional<std::uint16_t> word) {
  std::lock_guard lock(impl_->mutex);
  impl_->errorWord = word;
}

void Simulator::QueueZeroPoints(std::vector<ZeroPointReading> readings) {
  std::lock_guard lock(impl_->mutex);
  impl_->zeroQueue.insert(impl_->zeroQueue.end(), readings.begin(), readings.end());
}

int Simulator::RequestCount(std::uint8_t command) const {
  std::lock_guard lock(impl_->mutex);
  auto it = impl_->counts.find(command);
  return it == impl_->counts.end() ? 0 : it->second;
}

int Simulator::TotalRequests() const {
  std::lock_guard lock(impl_->mutex);
  return static_cast<int>(impl_->log.size());
}

int Simulator::RepliesSent() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->replies;
}

long Simulator::ReplyBytesSent() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->replyBytes;
}

std::vector<std::vector<std::uint8_t>> Simulator::Requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->log;
}

std::vector<LineTiming> Simulator::Timings() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->timings;
}

void Simulator::ResetCounters() {
  std::lock_guard lock(impl_->mutex);
  impl_->counts.clear();
  impl_->log.clear();
  impl_->timings.clear();
  ++impl_->resets;
  impl_->replies = 0;
  impl_->replyBytes = 0;
}

bool Simulator::WaitForReplies(int count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->changed.wait_for(lock, timeout, [&] { return impl_->replies >= count; });
}

}  // namespace tarn::sim
