// Frame format and the receive state of one reply: command, length (0..16),
// data, 8-bit sum of everything before it. Pure byte logic, no I/O, so it can
// be fed arbitrary input (the fuzz target does).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarn {

inline constexpr std::size_t kMaxFrameData = 16;
inline constexpr std::size_t kFrameOverhead = 3;  // command, length, checksum
inline constexpr std::size_t kMaxFrameSize = kMaxFrameData + kFrameOverhead;
inline constexpr std::size_t kFrameHeaderSize = 2;  // command, length
inline constexpr std::size_t kOffsetCommand = 0;
inline constexpr std::size_t kOffsetLength = 1;
inline constexpr std::size_t kOffsetData = 2;

using FrameBuffer = std::array<std::uint8_t, kMaxFrameSize>;

// 8-bit sum modulo 256, no seed, no complement.
std::uint8_t FrameChecksum(std::span<const std::uint8_t> bytes);

enum class FrameResult { Incomplete, Complete, BadChecksum };

// Collects one reply into `frame`. The length byte is clamped to 16 as soon as
// it is stored, so a frame is never longer than the buffer. Not thread-safe.
class FrameAssembler {
 public:
  explicit FrameAssembler(FrameBuffer& frame) : frame_(frame) {}

  // Forget any partial frame; the next byte taken starts a new one.
  void Reset();
  // Takes bytes in order until a frame ends. Complete or BadChecksum report
  // the end of a frame; bytes after it are not taken (*used says how many
  // were). Incomplete means every byte was taken and more are needed.
  FrameResult Take(std::span<const std::uint8_t> bytes, std::size_t* used = nullptr);
  // How many more bytes the frame needs at least: the header first, then the
  // rest of the frame its length byte declares. Never 0.
  std::size_t Missing() const;

  std::uint8_t received() const { return received_; }
  bool inFrame() const { return inFrame_; }

 private:
  FrameResult TakeByte(std::uint8_t byte);

  FrameBuffer& frame_;
  std::uint8_t received_ = 0;
  bool inFrame_ = false;
};

}  // namespace tarn
