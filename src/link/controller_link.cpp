#include "link/controller_link.h"

#include <algorithm>
#include <thread>

namespace tarn {
namespace {

// Sleeps for `wait`, or less when a stop is requested. Waits in short slices that look at the stop request between them, rather
// than on a condition variable woken through a stop callback: in the Windows
// build a stop request that meets a wait ending at the same moment could hang
// in the callback's hand-over. A stop is noticed within one slice.
void WaitUnlessStopped(std::chrono::milliseconds wait, std::stop_token stop) {
  constexpr std::chrono::milliseconds kSlice{5};
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (auto now = std::chrono::steady_clock::now(); now < deadline && !stop.stop_requested();
       now = std::chrono::steady_clock::now()) {
    SleepUntil(std::min(deadline, now + kSlice));
  }
}

}  // namespace

void SleepUntil(std::chrono::steady_clock::time_point deadline) {
  for (auto now = std::chrono::steady_clock::now(); now < deadline;
       now = std::chrono::steady_clock::now()) {
    std::this_thread::sleep_for(deadline - now);
  }
}

ControllerLink::ControllerLink() = default;
ControllerLink::~ControllerLink() = default;

void ControllerLink::SetPort(std::unique_ptr<SerialPort> port) {
  std::lock_guard lock(mutex_);
  if (port) gone_.store(false);
  port_ = std::move(port);
}

std::unique_ptr<SerialPort> ControllerLink::ReleasePort() {
  std::lock_guard lock(mutex_);
  return std::move(port_);
}

bool ControllerLink::CheckPort() {
  std::unique_lock lock(mutex_, std::try_to_lock);
  if (lock.owns_lock() && port_ && port_->IsOpen() && !port_->StillThere()) LosePort();
  return gone_.load();
}

bool ControllerLink::LosePort() {
  port_->Close();
  gone_.store(true);
  return Finish(LinkOutcome::PortGone);
}

bool ControllerLink::Exchange(std::uint8_t command, std::span<const std::uint8_t> data,
                              std::chrono::milliseconds wait, Reply* reply, std::stop_token stop) {
  std::lock_guard lock(mutex_);
  // Without an open port nothing goes out and nothing is waited for.
  if (!port_ || !port_->IsOpen()) {
    return Finish(gone_.load() ? LinkOutcome::PortGone : LinkOutcome::NoAnswer);
  }
  if (data.size() > kMaxFrameData) return Finish(LinkOutcome::NoAnswer);
  TxFrame[kOffsetCommand] = command;
  TxFrame[kOffsetLength] = static_cast<std::uint8_t>(data.size());
  std::copy(data.begin(), data.end(), TxFrame.begin() + kOffsetData);
  AwaitQuietLine();
  // A late reply to an earlier request must not be taken for this one.
  port_->Purge();
  // A failed send shows up as a missing reply; the receive decides.
  SendFrame();
  if (port_->PortGone()) return LosePort();
  WaitForReply(wait, stop);
  const bool received = ReceiveFrame(stop);
  if (port_->PortGone()) return LosePort();
  // Every byte of the reply was already waiting quietTime before the wait
  // ended: the line has been quiet since then.
  if (received && waitingEarly_ && *waitingEarly_ >= bytesTaken_) {
    lineQuietSince_ = waitingEarlyAt_;
  }
  if (!received) return Finish(bytesTaken_ == 0 ? LinkOutcome::NoAnswer : LinkOutcome::BadReply);
  if (reply != nullptr) {
    reply->command = RxFrame[kOffsetCommand];
    reply->length = RxFrame[kOffsetLength];
    std::copy_n(RxFrame.begin() + kOffsetData, kMaxFrameData, reply->data.begin());
  }
  return Finish(LinkOutcome::Answered);
}

void ControllerLink::AwaitQuietLine() const {
  const Clock::time_point quietEnough = lineQuietSince_ + quietTime;
  // Not cut short by a stop request: the silence is the controller's due.
  SleepUntil(quietEnough);
}

void ControllerLink::WaitForReply(std::chrono::milliseconds wait, std::stop_token stop) {
  waitingEarly_.reset();
  if (wait <= quietTime) {
    WaitUnlessStopped(wait, stop);
    return;
  }
  WaitUnlessStopped(wait - quietTime, stop);
  waitingEarlyAt_ = Clock::now();
  waitingEarly_ = port_->BytesWaiting();
  WaitUnlessStopped(quietTime, stop);
}

bool ControllerLink::SendFrame() {
  if (!port_) return false;
  AwaitQuietLine();
  const std::size_t length = std::min<std::size_t>(TxFrame[kOffsetLength], kMaxFrameData);
  TxFrame[kOffsetLength] = static_cast<std::uint8_t>(length);
  const std::span<const std::uint8_t> frame(TxFrame.data(), length + kFrameOverhead);
  TxFrame[kFrameHeaderSize + length] = FrameChecksum(frame.first(kFrameHeaderSize + length));
  return port_->Write(frame);
}

bool ControllerLink::ReceiveAttempt(FrameResult* result) {
  ReadWindow window;
  window.deadline = Clock::now() +
                    std::chrono::milliseconds(timeouts.readTotalMultiplierMs) * kMaxFrameSize +
                    std::chrono::milliseconds(timeouts.readTotalConstantMs);
  window.interval = std::chrono::milliseconds(timeouts.readIntervalMs);
  FrameBuffer chunk{};
  for (;;) {
    const std::size_t wanted = assembler_.Missing();
    std::size_t got = 0;
    if (!port_->ReadWithin(std::span(chunk).first(wanted), &got, window)) return false;
    bytesTaken_ += got;
    *result = assembler_.Take(std::span(chunk).first(got));
    if (*result != FrameResult::Incomplete || got < wanted) return true;
  }
}

bool ControllerLink::ReceiveFrame(std::stop_token stop) {
  assembler_.Reset();
  bytesTaken_ = 0;
  if (!port_) return false;
  const bool complete = ReceiveAttempts(stop);
  // Whatever came, came before now.
  lineQuietSince_ = Clock::now();
  return complete;
}

bool ControllerLink::ReceiveAttempts(std::stop_token stop) {
  for (int attempt = 0; attempt < kReceiveAttempts; ++attempt) {
    if (stop.stop_requested()) return false;
    SleepFor(attemptWait);
    FrameResult result = FrameResult::Incomplete;
    if (!ReceiveAttempt(&result)) return false;
    if (result != FrameResult::Incomplete) return result == FrameResult::Complete;
  }
  return false;
}

}  // namespace tarn
