#include "live/monitor_display.h"

#include <algorithm>

#include "model/text_numbers.h"

namespace tarn {

namespace {

using numbers::DecimalText;

constexpr int kBitsPerByte = 8;

// Width in bytes of the item's value, 0 for a storage the page does not read.

std::u16string LowerHex(std::uint32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  constexpr int kNibbleBits = 4;
  constexpr std::uint32_t kNibbleMask = 0xF;
  std::u16string text;
  do {
    text.insert(text.begin(), kDigits[value & kNibbleMask]);
    value >>= kNibbleBits;
  } while (value != 0);
  return text;
}

// `value` of `bytes` bytes read as a two's-complement number of that width.
std::int32_t SignExtend(std::uint32_t value, int bytes) {
  const int shift = (kMaxNumberBytes - bytes) * kBitsPerByte;
  return static_cast<std::int32_t>(value << shift) >> shift;
}

std::u16string Characters(const MonitorItemDef& item, const MonitorBlock& block) {
  std::u16string text;
  const int count = ItemBytes(item);
  for (int i = 0; i < count; ++i) {
    const std::uint8_t byte = block[static_cast<std::size_t>(item.offset + i)];
    if (byte == 0) break;
    text.push_back(static_cast<char16_t>(byte));
  }
  return text;
}

std::optional<std::u16string> FormatByte(const MonitorItemDef& item, std::uint8_t byte) {
  switch (item.format) {
    case Format::Unsigned:
      return DecimalText(byte);
    case Format::Signed:
      return DecimalText(static_cast<std::int8_t>(byte));
    case Format::Hex:
      return LowerHex(byte);
    case Format::Characters:
      // A zero byte gives an empty text, as a window text ends at a NUL.
      return byte == 0 ? std::u16string() : std::u16string(1, static_cast<char16_t>(byte));
    case Format::Unknown:
      break;
  }
  return std::nullopt;
}

std::optional<std::u16string> FormatGroup(const MonitorItemDef& item, const MonitorBlock& block) {
  switch (item.format) {
    case Format::Unsigned:
      return DecimalText(static_cast<std::int32_t>(ReadWord(item, block)));
    case Format::Signed:
      return DecimalText(SignExtend(ReadWord(item, block), ItemBytes(item)));
    case Format::Characters:
      return Characters(item, block);
    case Format::Hex:  // the error word, shown by the rotation
    case Format::Unknown:
      break;
  }
  return std::nullopt;
}

}  // namespace

int MonitorSlotOfEdit(int id) {
  const int delta = id - kFirstSlotEdit;
  if (delta < 0 || delta % kSlotIdStep != 0) return -1;
  const int slot = delta / kSlotIdStep;
  return slot < kMonitorSlotCount ? slot : -1;
}

int ItemBytes(const MonitorItemDef& item) {
  if (item.storage == Storage::Byte) return 1;
  if (item.storage == Storage::Group && item.pos >= 0) return item.pos + 1;
  return 0;
}

bool ItemFits(const MonitorItemDef& item) {
  const int bytes = ItemBytes(item);
  if (bytes == 0 || item.offset < 0) return false;
  if (static_cast<std::size_t>(item.offset) + static_cast<std::size_t>(bytes) > kMonitorBlockSize) {
    return false;
  }
  const int limit = item.format == Format::Characters ? kMaxTextChars : kMaxNumberBytes;
  return bytes <= limit;
}

bool IsErrorItem(const MonitorItemDef& item) {
  return item.storage == Storage::Group && item.format == Format::Hex;
}

std::uint32_t ReadWord(const MonitorItemDef& item, const MonitorBlock& block) {
  const int count = std::min(ItemBytes(item), kMaxNumberBytes);
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) {
    value = (value << kBitsPerByte) | block[static_cast<std::size_t>(item.offset + i)];
  }
  return value;
}

std::optional<std::u16string> FormatItem(const MonitorItemDef& item, const MonitorBlock& block) {
  if (!ItemFits(item)) return std::nullopt;
  if (item.storage == Storage::Byte) {
    return FormatByte(item, block[static_cast<std::size_t>(item.offset)]);
  }
  return FormatGroup(item, block);
}

std::optional<std::u16string> ErrorRotation::Step(std::uint32_t word,
                                                  std::span<const ErrorBitDef> bits) {
  constexpr int kWordBits = 32;
  if (word == 0) return std::u16string(u" ");
  const int count = static_cast<int>(std::min<std::size_t>(bits.size(), kWordBits));
  std::optional<std::u16string> text;
  int next = count;
  for (int k = index_; k < count; ++k) {
    if ((word >> k) & 1U) {
      text = bits[static_cast<std::size_t>(k)].name;
      next = k + 1;
      break;
    }
  }
  index_ = next >= count ? 0 : static_cast<std::uint8_t>(next);
  return text;
}

}  // namespace tarn
