// The one serial link to the controller: request/reply frames with an 8-bit
// sum, exchanged strictly in turn.
//
// Thread safety: Exchange() may be called from any thread; it holds the link's
// mutex for the whole exchange (purge, send, wait, receive, copying the reply
// out), so two exchanges never overlap. SetPort() and port() are for the
// connection code on the UI thread while no other thread uses the link.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>

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

inline constexpr std::size_t kMaxFrameData = 16;
inline constexpr std::size_t kMaxFrameSize = kMaxFrameData + 3;

// A reply copied out of the receive buffer.
struct Reply {
  std::uint8_t command = 0;
  std::uint8_t length = 0;  // already clamped to 16
  std::array<std::uint8_t, kMaxFrameData> data{};
};

class ControllerLink {
 public:
  ControllerLink();
  ~ControllerLink();
  ControllerLink(const ControllerLink&) = delete;
  ControllerLink& operator=(const ControllerLink&) = delete;

  // One whole exchange under the link's mutex: discard unread input, send the
  // request, wait `wait`, receive the reply. True when a complete reply with a
  // correct checksum arrived; it is copied to *reply. A requested stop ends the
  // receive between attempts with false.
  bool Exchange(std::uint8_t command, std::span<const std::uint8_t> data,
                std::chrono::milliseconds wait, Reply* reply, std::stop_token stop = {});

  void SetPort(std::unique_ptr<SerialPort> port);
  SerialPort* port() const { return port_.get(); }

  // The frame primitives; callers outside the link use Exchange().
  bool SendFrame();
  bool ReceiveFrame(std::stop_token stop = {});

  std::array<std::uint8_t, kMaxFrameSize> TxFrame{};
  std::array<std::uint8_t, kMaxFrameSize> RxFrame{};

 private:
  std::unique_ptr<SerialPort> port_;
  std::mutex mutex_;
  std::uint8_t received_ = 0;
  bool inFrame_ = false;
};

}  // namespace tarn
