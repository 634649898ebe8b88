#include "link/reconnect.h"

#include <algorithm>

namespace tarn {
namespace {

using Clock = std::chrono::steady_clock;

// The line the scan configures: 19200 baud, one stop bit, 8 data bits, no parity.
constexpr PortSettings kControllerLine{Baud(19200), StopBits::One, 8, Parity::None};
constexpr std::chrono::milliseconds kNoWait{0};
constexpr std::chrono::milliseconds kWaitAfterTransferStart{50};

// Identify is taken, as in the scan, when its data byte 2 is 1 or 2.
constexpr std::size_t kIdentifyByte = 2;
constexpr std::uint8_t kIdentifyAcceptedA = 1;
constexpr std::uint8_t kIdentifyAcceptedB = 2;

// ReadBlock of the identity block: 16 bytes at address 0 (low, count, high).
constexpr std::uint8_t kIdentityBlockRequest[] = {0x00, 16, 0x00};
constexpr std::size_t kIdentityBlockSize = 16;

bool IdentifyAccepted(const Reply& reply) {
  if (reply.length <= kIdentifyByte) return false;
  const std::uint8_t value = reply.data[kIdentifyByte];
  return value == kIdentifyAcceptedA || value == kIdentifyAcceptedB;
}

// The identity check a write begins with: two TransferStart (only the second
// counts), then the first 16 bytes of the image.
std::optional<ControllerIdentity> ReadIdentity(ControllerLink& link, std::stop_token stop) {
  link.Exchange(kCommandTransferStart, {}, kWaitAfterTransferStart, nullptr);
  if (stop.stop_requested() ||
      !link.Exchange(kCommandTransferStart, {}, kWaitAfterTransferStart, nullptr)) {
    return std::nullopt;
  }
  Reply reply;
  if (stop.stop_requested() ||
      !link.Exchange(kCommandReadBlock, kIdentityBlockRequest, kNoWait, &reply) ||
      reply.length < kIdentityBlockSize) {
    return std::nullopt;
  }
  return ControllerIdentity::Of(std::span<const std::uint8_t>(reply.data).first(kIdentityBlockSize));
}

}  // namespace

ControllerIdentity ControllerIdentity::Of(std::span<const std::uint8_t> header) {
  ControllerIdentity identity;
  if (header.size() < kAddrSerialNumber + kSerialNumberFieldSize) return identity;
  std::copy_n(header.begin() + kAddrModuleName, kModuleNameSize, identity.moduleName.begin());
  std::copy_n(header.begin() + kAddrSerialNumber, kSerialNumberFieldSize,
              identity.serialNumber.begin());
  return identity;
}

std::vector<std::string> ReopenNames(const std::string& port, const std::string& stableName) {
  // The stable alias follows the adapter to whatever name the system gives
  // it; the plain name may by then belong to another device.
  if (!stableName.empty()) return {stableName};
  if (port.empty()) return {};
  return {port};
}

ReopenResult TryReopen(ControllerLink& link, const std::vector<std::string>& names,
                       const ControllerIdentity& expected, std::string* opened,
                       std::stop_token stop) {
  ControllerLink trial;
  trial.timeouts = link.timeouts;
  trial.attemptWait = link.attemptWait;
  trial.quietTime = link.quietTime;
  for (const std::string& name : names) {
    std::unique_ptr<SerialPort> port = MakeSerialPort();
    if (!port->Open(name)) continue;
    port->Configure(kControllerLine, link.timeouts);
    trial.SetPort(std::move(port));
    *opened = name;
    break;
  }
  if (trial.port() == nullptr) return ReopenResult::StillGone;
  Reply reply;
  if (!trial.Exchange(kCommandIdentify, {}, kNoWait, &reply) || !IdentifyAccepted(reply)) {
    return trial.PortGone() ? ReopenResult::StillGone : ReopenResult::NoController;
  }
  const std::optional<ControllerIdentity> found = ReadIdentity(trial, stop);
  if (!found && stop.stop_requested()) return ReopenResult::StillGone;
  if (!found) return trial.PortGone() ? ReopenResult::StillGone : ReopenResult::Unreadable;
  if (*found != expected) return ReopenResult::Other;
  // The controller's silence after its last reply is due on the link too,
  // which does not know when that reply came.
  SleepFor(link.quietTime);
  link.SetPort(trial.ReleasePort());
  return ReopenResult::Same;
}

LinkWatch::LinkWatch(ControllerLink& link) : link_(link) {}

LinkWatch::~LinkWatch() {
  Stop();
}

bool LinkWatch::Start(Sink sink) {
  if (thread_.joinable() || !sink) return false;
  sink_ = std::move(sink);
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  return true;
}

void LinkWatch::Expect(const std::string& port, const std::string& stableName,
                       const ControllerIdentity& identity) {
  std::lock_guard lock(mutex_);
  port_ = port;
  names_ = ReopenNames(port, stableName);
  expected_ = identity;
  waitingForUser_ = false;
}

void LinkWatch::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void LinkWatch::Resume() {
  std::lock_guard lock(mutex_);
  paused_ = false;
}

void LinkWatch::Stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
}

void LinkWatch::Run(std::stop_token stop) {
  bool reported = false;
  Clock::time_point due{};
  while (!stop.stop_requested()) {
    Step(stop, &reported, &due);
    SleepFor(kWatchSlice);
  }
}

void LinkWatch::Step(std::stop_token stop, bool* reported, Clock::time_point* due) {
  std::unique_lock lock(mutex_);
  if (!link_.CheckPort()) {
    *reported = false;
    return;
  }
  if (!*reported) {
    *reported = true;
    *due = Clock::now();
    sink_(Event::Lost, port_);
  }
  if (paused_ || waitingForUser_ || names_.empty() || Clock::now() < *due) return;
  *due = Clock::now() + kReopenInterval;
  std::string opened;
  const ReopenResult result = TryReopen(link_, names_, expected_, &opened, stop);
  if (result == ReopenResult::Same) {
    *reported = false;
    sink_(Event::Restored, opened);
  } else if (result == ReopenResult::Other) {
    waitingForUser_ = true;
    sink_(Event::Other, opened);
  }
}

}  // namespace tarn
