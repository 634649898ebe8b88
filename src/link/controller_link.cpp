#include "link/controller_link.h"

#include <algorithm>
#include <thread>

namespace tarn {

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
  // A new port starts with a line of its own.
  lineUnsettled_ = false;
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
                              std::chrono::milliseconds wait, Reply* reply) {
  std::lock_guard lock(mutex_);
  // Without an open port nothing goes out and nothing is waited for.
  if (!port_ || !port_->IsOpen()) {
    return Finish(gone_.load() ? LinkOutcome::PortGone : LinkOutcome::NoAnswer);
  }
  if (data.size() > kMaxFrameData) return Finish(LinkOutcome::NoAnswer);
  TxFrame[kOffsetCommand] = command;
  TxFrame[kOffsetLength] = static_cast<std::uint8_t>(data.size());
  std::copy(data.begin(), data.end(), TxFrame.begin() + kOffsetData);
  if (lineUnsettled_) SettleLine();
  AwaitQuietLine();
  // A late reply to an earlier request must not be taken for this one.
  port_->Purge();
  // A failed send shows up as a missing reply; the receive decides.
  SendFrame();
  if (port_->PortGone()) return LosePort();
  WaitForReply(wait);
  const bool received = ReceiveFrame();
  if (port_->PortGone()) return LosePort();
  lineUnsettled_ = !received;
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
  // Not cut short by anything: the silence is the controller's due.
  SleepUntil(quietEnough);
}

std::chrono::milliseconds ControllerLink::ReceiveWindow() const {
  const std::chrono::milliseconds attempt =
      std::chrono::milliseconds(timeouts.readTotalMultiplierMs) * kMaxFrameSize +
      std::chrono::milliseconds(timeouts.readTotalConstantMs);
  return kReceiveAttempts * (attemptWait + attempt);
}

// The bytes read here are the tail of an answer the tool gave up on; the
// controller sends nothing unasked, so once the line has been quiet for the
// quiet time nothing more of it is coming. A line that never falls quiet is
// given up on after one receive window: the next reply's command byte still
// tells its own answer from noise.
void ControllerLink::SettleLine() {
  const Clock::time_point giveUp = Clock::now() + ReceiveWindow();
  Clock::time_point quietSince = Clock::now();
  FrameBuffer chunk{};
  for (Clock::time_point now = quietSince; now < giveUp; now = Clock::now()) {
    if (now - quietSince >= quietTime) break;
    ReadWindow window;
    window.deadline = std::min(giveUp, quietSince + quietTime);
    window.interval = quietTime;
    std::size_t got = 0;
    if (!port_->ReadWithin(chunk, &got, window)) break;
    if (got > 0) {
      quietSince = Clock::now();
      lineQuietSince_ = quietSince;
    }
  }
  lineUnsettled_ = false;
}

void ControllerLink::WaitForReply(std::chrono::milliseconds wait) {
  waitingEarly_.reset();
  if (wait <= quietTime) {
    SleepFor(wait);
    return;
  }
  SleepFor(wait - quietTime);
  waitingEarlyAt_ = Clock::now();
  waitingEarly_ = port_->BytesWaiting();
  SleepFor(quietTime);
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
    if (*result != FrameResult::Incomplete && RxFrame[kOffsetCommand] != TxFrame[kOffsetCommand]) {
      // Whole, but the answer to some other request: noise for this one. Only
      // the bytes the frame declared were read, so what follows is untouched.
      ++droppedFrames_;
      assembler_.Reset();
      *result = FrameResult::Incomplete;
    }
    if (*result != FrameResult::Incomplete || got < wanted) return true;
  }
}

bool ControllerLink::ReceiveFrame() {
  assembler_.Reset();
  bytesTaken_ = 0;
  if (!port_) return false;
  const bool complete = ReceiveAttempts();
  // Whatever came, came before now.
  lineQuietSince_ = Clock::now();
  return complete;
}

bool ControllerLink::ReceiveAttempts() {
  for (int attempt = 0; attempt < kReceiveAttempts; ++attempt) {
    SleepFor(attemptWait);
    FrameResult result = FrameResult::Incomplete;
    if (!ReceiveAttempt(&result)) return false;
    if (result != FrameResult::Incomplete) return result == FrameResult::Complete;
  }
  return false;
}

}  // namespace tarn
