#include "link/transfer.h"

#include <algorithm>
#include <array>

namespace tarn {
namespace {

constexpr std::chrono::milliseconds kNoWait{0};
constexpr std::chrono::milliseconds kWaitAfterTransferStart{50};
constexpr std::chrono::milliseconds kWaitAfterWriteEnd{200};

constexpr std::size_t kReadBlockSize = 16;
constexpr std::size_t kWriteBlockSize = 13;
constexpr unsigned kByteBits = 8;
constexpr unsigned kByteMask = 0xFF;

// Block requests carry the address low byte, the count, the address high byte.
constexpr std::size_t kBlockHeaderSize = 3;

std::array<std::uint8_t, kMaxFrameData> BlockRequest(std::size_t address, std::size_t count) {
  return {static_cast<std::uint8_t>(address & kByteMask), static_cast<std::uint8_t>(count),
          static_cast<std::uint8_t>(address >> kByteBits)};
}

bool TransferStart(ControllerLink& link) {
  return link.Exchange(kCommandTransferStart, {}, kWaitAfterTransferStart, nullptr);
}

// The controller answers the first of two TransferStart frames unreliably, so
// its reply is not looked at; the second one counts.
bool OpenTransfer(ControllerLink& link) {
  TransferStart(link);
  return TransferStart(link);
}

// One ReadBlock of 16 bytes. A reply with fewer data bytes fails the block
// instead of leaving stale receive-buffer bytes in the image.
bool ReadBlock(ControllerLink& link, std::size_t address, Reply* reply) {
  const auto request = BlockRequest(address, kReadBlockSize);
  return link.Exchange(kCommandReadBlock, std::span(request).first(kBlockHeaderSize), kNoWait,
                       reply) &&
         reply->length >= kReadBlockSize;
}

bool WriteBlock(ControllerLink& link, const ParameterImage& image, std::size_t address) {
  const std::size_t count = std::min(kWriteBlockSize, kImageSize - address);
  auto request = BlockRequest(address, count);
  std::copy_n(image.bytes.begin() + static_cast<std::ptrdiff_t>(address), count,
              request.begin() + kBlockHeaderSize);
  return link.Exchange(kCommandWriteBlock, std::span(request).first(kBlockHeaderSize + count),
                       kNoWait, nullptr);
}

}  // namespace

// Read into an image of its own and taken whole: a read cut short must not
// leave an image that is partly the controller's and partly what was edited.
bool ReadImage(ControllerLink& link, ParameterImage& image) {
  if (!OpenTransfer(link)) return false;
  ParameterImage fresh;
  for (std::size_t address = 0; address < kImageSize; address += kReadBlockSize) {
    Reply reply;
    if (!ReadBlock(link, address, &reply)) return false;
    std::copy_n(reply.data.begin(), kReadBlockSize,
                fresh.bytes.begin() + static_cast<std::ptrdiff_t>(address));
  }
  image = fresh;
  return true;
}

bool WriteImage(ControllerLink& link, const ParameterImage& image) {
  if (!TransferStart(link)) return false;
  // 39 blocks of 13 bytes, then the last 5 bytes (507-511).
  for (std::size_t address = 0; address < kImageSize; address += kWriteBlockSize) {
    if (!WriteBlock(link, image, address)) return false;
  }
  return link.Exchange(kCommandWriteEnd, {}, kWaitAfterWriteEnd, nullptr);
}

Identity CheckIdentity(ControllerLink& link, const ParameterImage& image) {
  if (!OpenTransfer(link)) return Identity::Unreadable;
  Reply reply;
  if (!ReadBlock(link, kAddrModuleName, &reply)) return Identity::Unreadable;
  const auto name = image.bytes.begin() + kAddrModuleName;
  return std::equal(name, name + kModuleNameSize, reply.data.begin()) ? Identity::Same
                                                                      : Identity::Different;
}

}  // namespace tarn
