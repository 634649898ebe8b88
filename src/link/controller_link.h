// The one serial link to the controller: request/reply frames with an 8-bit
// sum, exchanged strictly in turn.
//
// The controller gets at least kLineQuietTime of silence after each reply
// before the next request: the wait sits in front of the next send, so an
// exchange still returns as soon as its reply is complete.
//
// A reply is the answer to a request only when it carries the request's
// command byte. Anything else that arrives in the receive window (a reply the
// tool stopped waiting for, coming late) is dropped and the wait goes on. After
// an exchange that failed, the next one first lets the line fall quiet and
// discards what came, so a late reply cannot be taken for the next one.
//
// An exchange, once begun, runs to its reply or to the end of its receive
// window: the controller answers every request, and a port released in the
// middle would leave that answer to whoever opens the port next. A caller that
// wants to stop (Ctrl-C, a page being left) stops between exchanges.
//
// Thread safety: Exchange() may be called from any thread; it holds the link's
// mutex for the whole exchange (quiet time, purge, send, wait, receive, copying
// the reply out), so two exchanges never overlap. SetPort() and port() are for the
// connection code on the UI thread while no other thread uses the link.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include "link/frame.h"
#include "link/serial_port.h"

namespace tarn {

inline constexpr std::uint8_t kCommandIdentify = 0x11;
inline constexpr std::uint8_t kCommandTransferStart = 0xF1;
inline constexpr std::uint8_t kCommandReadBlock = 0xF2;
inline constexpr std::uint8_t kCommandWriteBlock = 0xF3;
inline constexpr std::uint8_t kCommandWriteEnd = 0xF4;
inline constexpr std::uint8_t kCommandReadZeroPoints = 0x35;
inline constexpr std::uint8_t kCommandLiveData1 = 0x3A;
inline constexpr std::uint8_t kCommandLiveData2 = 0x3B;
inline constexpr std::uint8_t kCommandLiveData3 = 0x3C;

// The receive window of one reply: ten attempts, each a short wait and one
// read of up to a whole frame under the port's time-outs.
inline constexpr int kReceiveAttempts = 10;
inline constexpr std::chrono::milliseconds kAttemptWait{5};
// The least silence between the end of a reply and the next request. A read
// under the port's time-outs always ended this long after the last byte, so
// controller firmware may count on it (to re-arm its receiver, or to finish
// what it acknowledged).
inline constexpr std::chrono::milliseconds kLineQuietTime{kReadIntervalTimeoutMs};

// What became of an exchange. The three failures ask for different things of
// the caller: a gone port for waiting until the device is back, a silent
// controller for a look at its power and cable, a bad reply for a retry.
enum class LinkOutcome {
  Answered,  // a complete reply with a correct checksum
  PortGone,  // the device left the system (or never was); the port is closed
  NoAnswer,  // the line stayed silent
  BadReply,  // bytes came, but no acceptable reply
};

// A reply copied out of the receive buffer.
struct Reply {
  std::uint8_t command = 0;
  std::uint8_t length = 0;  // already clamped to 16
  std::array<std::uint8_t, kMaxFrameData> data{};
};

// Sleeps until `deadline` has passed on the steady clock. A single sleep may
// end early where the system sleeps in whole milliseconds (a Windows build's
// sleep rounds down), which would cut the controller's waits short.
void SleepUntil(std::chrono::steady_clock::time_point deadline);
inline void SleepFor(std::chrono::steady_clock::duration wait) {
  SleepUntil(std::chrono::steady_clock::now() + wait);
}

class ControllerLink {
 public:
  ControllerLink();
  ~ControllerLink();
  ControllerLink(const ControllerLink&) = delete;
  ControllerLink& operator=(const ControllerLink&) = delete;

  // One whole exchange under the link's mutex: let the line rest for the quiet
  // time (after a failed exchange: until it has been quiet that long), discard
  // unread input, send the request, wait `wait`, receive the reply. True when
  // a complete reply with a correct checksum and the request's command byte
  // arrived; it is copied to *reply.
  bool Exchange(std::uint8_t command, std::span<const std::uint8_t> data,
                std::chrono::milliseconds wait, Reply* reply);

  // Replaces (and so closes) the port; nullptr leaves the link without one.
  // A new port ends the gone state; nullptr leaves it as it was.
  void SetPort(std::unique_ptr<SerialPort> port);
  SerialPort* port() const { return port_.get(); }
  // Hands the port over and leaves the link without one, gone state unchanged.
  std::unique_ptr<SerialPort> ReleasePort();

  // What the last exchange gave. May be read from any thread; with two
  // threads on the link it is the outcome of whichever exchange ended last.
  LinkOutcome LastOutcome() const { return lastOutcome_.load(); }
  // True from the exchange that found the device gone until SetPort() gives
  // the link a new port. The gone port is closed at once, so that the system
  // can hand its name to the device when it comes back. Any thread.
  bool PortGone() const { return gone_.load(); }
  // Between exchanges: asks the port, without traffic, whether its device is
  // still there, and closes it when not. Does nothing while an exchange runs
  // (that exchange finds out itself) or when there is no open port. Returns
  // PortGone(). Any thread.
  bool CheckPort();

  // The frame primitives; callers outside the link use Exchange(). SendFrame
  // waits out the quiet time, writes the checksum into TxFrame and sends
  // command, length, data and checksum. ReceiveFrame collects the reply to
  // TxFrame's request into RxFrame: true for a complete frame with TxFrame's
  // command byte and a correct checksum; false on a failed read, a wrong
  // checksum (at once), or ten attempts without such a frame. Frames with
  // another command byte are dropped whole.
  bool SendFrame();
  bool ReceiveFrame();

  // Frames dropped for another command byte since the link was made.
  int droppedFrames() const { return droppedFrames_.load(); }

  // Time-outs the receive window is computed from; the connection configures
  // the port with the same values.
  PortTimeouts timeouts;
  // The pause before each read attempt. Only a stand-in port without a line
  // behind it (the fuzz target's) has a reason to shorten it.
  std::chrono::milliseconds attemptWait = kAttemptWait;
  // The silence kept in front of each request; likewise only a stand-in port
  // may shorten it.
  std::chrono::milliseconds quietTime = kLineQuietTime;

  std::array<std::uint8_t, kMaxFrameSize> TxFrame{};
  std::array<std::uint8_t, kMaxFrameSize> RxFrame{};

 private:
  // One attempt: reads until the frame is complete or the attempt's window
  // closes, asking the port only for the bytes the frame still needs. False
  // when the read itself failed.
  bool ReceiveAttempt(FrameResult* result);
  // Up to ten attempts; true for a complete frame with a correct checksum.
  bool ReceiveAttempts();
  // Closes the port whose device left and notes it; returns false.
  bool LosePort();
  bool Finish(LinkOutcome outcome) {
    lastOutcome_.store(outcome);
    return outcome == LinkOutcome::Answered;
  }
  // Sleeps until the line has been quiet for quietTime since the last reply.
  void AwaitQuietLine() const;
  // After a failed exchange: reads and drops whatever still comes until the
  // line has been quiet for quietTime, for at most one receive window.
  void SettleLine();
  // The longest a ReceiveFrame can take without a failing read.
  std::chrono::milliseconds ReceiveWindow() const;
  // The caller's wait between request and reply. When the wait is longer than
  // the quiet time, notes how many bytes were already there quietTime before
  // its end, so that a reply complete by then need not be waited out again.
  void WaitForReply(std::chrono::milliseconds wait);

  using Clock = std::chrono::steady_clock;

  std::unique_ptr<SerialPort> port_;
  std::mutex mutex_;
  std::atomic<LinkOutcome> lastOutcome_{LinkOutcome::Answered};
  std::atomic<bool> gone_{false};
  FrameAssembler assembler_{RxFrame};
  // When the line last carried (or may have carried) a reply byte.
  Clock::time_point lineQuietSince_{};
  std::size_t bytesTaken_ = 0;  // by the last ReceiveFrame
  std::optional<std::size_t> waitingEarly_;
  Clock::time_point waitingEarlyAt_{};
  // The last exchange failed: its reply may still be on the way.
  bool lineUnsettled_ = false;
  std::atomic<int> droppedFrames_{0};
};

}  // namespace tarn
