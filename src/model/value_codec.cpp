#include "model/value_codec.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "model/text_numbers.h"

namespace tarn {

namespace {

using numbers::DecimalText;

constexpr std::int32_t kEnChecked = 1;
constexpr std::int32_t kHighestBit = 7;
constexpr std::int32_t kMaxNumberBytes = 4;
constexpr std::int32_t kMaxTextBytes = 19;
constexpr std::size_t kHexDigitsPerByte = 2;
constexpr unsigned kBitsPerByte = 8;
constexpr unsigned kByteMask = 0xFF;
// Room for any 32-bit hexadecimal text and its terminator.
constexpr std::size_t kNumberBufferSize = 24;
constexpr std::int32_t kImageBytes = static_cast<std::int32_t>(kImageSize);

bool IsNumeric(Format format) {
  return format == Format::Unsigned || format == Format::Signed || format == Format::Hex;
}

bool CanUse(const ParamDef& def) {
  return def.usable && DefinitionUsable(def);
}

std::size_t Address(const ParamDef& def) {
  return static_cast<std::size_t>(def.address);
}

std::size_t GroupBytes(const ParamDef& def) {
  return static_cast<std::size_t>(def.pos) + 1;
}

std::u16string Widen(const char* ascii) {
  std::u16string out;
  for (; *ascii != '\0'; ++ascii) {
    out += static_cast<char16_t>(static_cast<unsigned char>(*ascii));
  }
  return out;
}

// A byte shown as the character of the same code; byte 0 ends the text.
std::u16string ByteCharacters(const ParameterImage& image, std::size_t address, std::size_t count) {
  std::u16string out;
  for (std::size_t i = 0; i < count && image[address + i] != 0; ++i) {
    out += static_cast<char16_t>(image[address + i]);
  }
  return out;
}

std::u16string FormatByte(const ParamDef& def, const ParameterImage& image) {
  const std::uint8_t byte = image[Address(def)];
  switch (def.format) {
    case Format::Signed:
      return DecimalText(static_cast<std::int8_t>(byte));
    case Format::Hex: {
      char buffer[kNumberBufferSize];
      std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(byte));
      return Widen(buffer);
    }
    case Format::Characters:
      return ByteCharacters(image, Address(def), 1);
    case Format::Unsigned:
    case Format::Unknown:
      // A byte of an unknown format is stored back from decimal text, so it
      // is shown in decimal: leaving the page keeps the byte as it was.
      break;
  }
  return DecimalText(byte);
}

// Two's complement of the field's own width.
std::int32_t SignExtend(std::uint32_t value, std::size_t bytes) {
  const unsigned unusedBits = static_cast<unsigned>(kMaxNumberBytes - bytes) * kBitsPerByte;
  return static_cast<std::int32_t>(value << unusedBits) >> unusedBits;
}

std::u16string FormatGroup(const ParamDef& def, const ParameterImage& image) {
  const std::size_t bytes = GroupBytes(def);
  if (def.format == Format::Characters) {
    return ByteCharacters(image, Address(def), bytes);
  }
  // A group of an unknown format is never stored; up to 4 bytes it is shown
  // in decimal so that the page at least tells what the controller holds.
  if (bytes > static_cast<std::size_t>(kMaxNumberBytes)) {
    return {};
  }
  const std::uint32_t value = image.ReadBigEndian(Address(def), bytes);
  if (def.format == Format::Unsigned || def.format == Format::Unknown) {
    return DecimalText(static_cast<std::int32_t>(value));
  }
  if (def.format == Format::Signed) {
    return DecimalText(SignExtend(value, bytes));
  }
  // Two lower-case hex digits per byte, most significant first, so that the
  // text reads back byte by byte.
  char buffer[kNumberBufferSize];
  std::snprintf(buffer, sizeof buffer, "%0*x", static_cast<int>(bytes * kHexDigitsPerByte),
                static_cast<unsigned>(value));
  return Widen(buffer);
}

std::uint8_t LowByte(std::uint32_t value) {
  return static_cast<std::uint8_t>(value & kByteMask);
}

std::uint8_t HexPiece(std::u16string_view text, std::size_t index) {
  const std::size_t start = index * kHexDigitsPerByte;
  if (start >= text.size()) {
    return 0;
  }
  return LowByte(numbers::HexValue(text.substr(start, kHexDigitsPerByte)));
}

StoreResult StoreByte(const ParamDef& def, std::u16string_view text, ParameterImage& image) {
  std::uint8_t byte = 0;
  switch (def.format) {
    case Format::Characters:
      byte = text.empty() ? 0 : LowByte(text.front());
      break;
    case Format::Hex:
      byte = HexPiece(text, 0);
      break;
    default:
      byte = LowByte(static_cast<std::uint32_t>(numbers::DecimalValue(text)));
      break;
  }
  // The check is made on the byte after truncation, as a number 0 to 255.
  if (def.en == kEnChecked && (byte < def.rangeL || byte > def.rangeH)) {
    return StoreResult::OutOfRange;
  }
  image[Address(def)] = byte;
  return StoreResult::Stored;
}

StoreResult StoreNumber(const ParamDef& def, std::u16string_view text, ParameterImage& image) {
  const auto value = static_cast<std::uint32_t>(numbers::DecimalValue(text));
  // Compared as unsigned 32-bit numbers: a negative value counts as a large one.
  if (def.en == kEnChecked && (value < static_cast<std::uint32_t>(def.rangeL) ||
                               value > static_cast<std::uint32_t>(def.rangeH))) {
    return StoreResult::OutOfRange;
  }
  image.WriteBigEndian(Address(def), GroupBytes(def), value);
  return StoreResult::Stored;
}

void StoreHex(const ParamDef& def, std::u16string_view text, ParameterImage& image) {
  for (std::size_t i = 0; i < GroupBytes(def); ++i) {
    image[Address(def) + i] = HexPiece(text, i);
  }
}

// A text shorter than its field clears the rest of the field, so the stored
// text always ends at a zero byte and no stale characters stay behind it.
// The display stops at the first zero byte, so an unchanged text leaves the
// field as it is: bytes behind a zero that nobody could see (in the module
// name, for instance) are never rewritten by merely leaving a page.
void StoreCharacters(const ParamDef& def, std::u16string_view text, ParameterImage& image) {
  if (text == ByteCharacters(image, Address(def), GroupBytes(def))) {
    return;
  }
  for (std::size_t i = 0; i < GroupBytes(def); ++i) {
    image[Address(def) + i] = i < text.size() ? LowByte(text[i]) : 0;
  }
}

StoreResult StoreGroup(const ParamDef& def, std::u16string_view text, ParameterImage& image) {
  switch (def.format) {
    case Format::Unsigned:
    case Format::Signed:
      return StoreNumber(def, text, image);
    case Format::Hex:
      StoreHex(def, text, image);
      break;
    case Format::Characters:
      StoreCharacters(def, text, image);
      break;
    case Format::Unknown:
      break;
  }
  return StoreResult::Stored;
}

}  // namespace

bool DefinitionUsable(const ParamDef& def) {
  if (def.address < 0 || def.address >= kImageBytes) {
    return false;
  }
  switch (def.storage) {
    case Storage::Bit:
      return def.pos >= 0 && def.pos <= kHighestBit;
    case Storage::Byte:
      return true;
    case Storage::Group: {
      const bool text = def.format == Format::Characters;
      const std::int32_t limit = text ? kMaxTextBytes - 1 : kMaxNumberBytes - 1;
      const bool fitsCodec = !(IsNumeric(def.format) || text) || def.pos <= limit;
      return def.pos >= 0 && def.pos < kImageBytes - def.address && fitsCodec;
    }
    case Storage::Unknown:
      break;
  }
  return false;
}

std::u16string FormatValue(const ParamDef& def, const ParameterImage& image) {
  if (!CanUse(def)) {
    return {};
  }
  if (def.storage == Storage::Byte) {
    return FormatByte(def, image);
  }
  if (def.storage == Storage::Group) {
    return FormatGroup(def, image);
  }
  return {};
}

StoreResult StoreText(const ParamDef& def, std::u16string_view text, ParameterImage& image) {
  if (!CanUse(def)) {
    return StoreResult::Stored;
  }
  if (def.storage == Storage::Byte) {
    return StoreByte(def, text, image);
  }
  if (def.storage == Storage::Group) {
    return StoreGroup(def, text, image);
  }
  return StoreResult::Stored;
}

ValueBytes BytesOf(const ParamDef& def) {
  if (!CanUse(def)) {
    return {};
  }
  switch (def.storage) {
    case Storage::Bit:
      return {Address(def), 1, static_cast<std::uint8_t>(1U << def.pos)};
    case Storage::Byte:
      return {Address(def), 1, kByteMask};
    case Storage::Group:
      return {Address(def), GroupBytes(def), kByteMask};
    case Storage::Unknown:
      break;
  }
  return {};
}

// The text goes through the same store as a page's save, so the verdict is
// the page's own, truncation and unsigned comparison included.
bool PassesRangeCheck(const ParamDef& def, const ParameterImage& image) {
  if (def.storage != Storage::Byte && def.storage != Storage::Group) {
    return true;
  }
  ParameterImage scratch = image;
  return StoreText(def, FormatValue(def, image), scratch) == StoreResult::Stored;
}

bool GetFlag(const ParamDef& def, const ParameterImage& image) {
  if (!CanUse(def) || def.storage != Storage::Bit) {
    return false;
  }
  return ((image[Address(def)] >> def.pos) & 1U) != 0;
}

void SetFlag(const ParamDef& def, ParameterImage& image, bool value) {
  if (!CanUse(def) || def.storage != Storage::Bit) {
    return;
  }
  const auto mask = static_cast<std::uint8_t>(1U << def.pos);
  std::uint8_t& byte = image[Address(def)];
  byte = value ? static_cast<std::uint8_t>(byte | mask) : static_cast<std::uint8_t>(byte & ~mask);
}

}  // namespace tarn
