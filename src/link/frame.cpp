#include "link/frame.h"

namespace tarn {

std::uint8_t FrameChecksum(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (std::uint8_t byte : bytes) sum = static_cast<std::uint8_t>(sum + byte);
  return sum;
}

void FrameAssembler::Reset() {
  inFrame_ = false;
  received_ = 0;
  frame_[kOffsetLength] = 0;
}

FrameResult FrameAssembler::TakeByte(std::uint8_t byte) {
  if (!inFrame_) {
    // The first byte after the request is the reply's command byte: there is
    // no start marker to look for.
    inFrame_ = true;
    received_ = 0;
    frame_[kOffsetLength] = 0;
  }
  if (received_ < kMaxFrameSize) frame_[received_++] = byte;
  if (frame_[kOffsetLength] > kMaxFrameData) frame_[kOffsetLength] = kMaxFrameData;
  const std::size_t length = frame_[kOffsetLength];
  if (received_ < length + kFrameOverhead) return FrameResult::Incomplete;
  inFrame_ = false;
  const std::uint8_t sum = FrameChecksum(std::span(frame_).first(kFrameHeaderSize + length));
  return sum == frame_[kFrameHeaderSize + length] ? FrameResult::Complete
                                                  : FrameResult::BadChecksum;
}

FrameResult FrameAssembler::Take(std::span<const std::uint8_t> bytes, std::size_t* used) {
  std::size_t taken = 0;
  FrameResult result = FrameResult::Incomplete;
  while (taken < bytes.size() && result == FrameResult::Incomplete) {
    result = TakeByte(bytes[taken++]);
  }
  if (used != nullptr) *used = taken;
  return result;
}

std::size_t FrameAssembler::Missing() const {
  if (!inFrame_ || received_ < kFrameHeaderSize)
    return kFrameHeaderSize - (inFrame_ ? received_ : 0);
  return frame_[kOffsetLength] + kFrameOverhead - received_;
}

}  // namespace tarn
