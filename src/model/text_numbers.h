// Number conversions shared by the definition reader (byte texts), the value
// codec (typed UTF-16 text) and the dialogs that show numbers. Text to number
// follows the C library's rules for atoi and strtoul: leading white space, an
// optional sign, the longest run of digits. Malformed text is never an error;
// it converts as far as it goes, down to 0.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace tarn::numbers {

inline constexpr int kDecimalBase = 10;
inline constexpr int kHexBase = 16;
inline constexpr int kDecimalDigits = 10;

// The character's code, with plain char taken as an unsigned byte.
template <typename Char>
constexpr char32_t CodeOf(Char c) {
  if constexpr (sizeof(Char) == 1) {
    return static_cast<unsigned char>(c);
  } else {
    return static_cast<char32_t>(c);
  }
}

constexpr bool IsCSpace(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\n' || c == U'\v' || c == U'\f' || c == U'\r';
}

// Value of a digit in `base` (10 or 16), or -1.
constexpr int DigitValue(char32_t c, int base) {
  if (c >= U'0' && c <= U'9') {
    return static_cast<int>(c - U'0');
  }
  if (base == kHexBase && c >= U'a' && c <= U'f') {
    return kDecimalDigits + static_cast<int>(c - U'a');
  }
  if (base == kHexBase && c >= U'A' && c <= U'F') {
    return kDecimalDigits + static_cast<int>(c - U'A');
  }
  return -1;
}

struct ScannedNumber {
  bool negative = false;
  std::uint64_t magnitude = 0;  // saturates at `cap`
};

// Spaces, sign, digits; the magnitude stops growing at `cap` so that any run
// of digits is safe.
template <typename Char>
constexpr ScannedNumber ScanNumber(std::basic_string_view<Char> text, int base, std::uint64_t cap) {
  ScannedNumber result;
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(CodeOf(text[i]))) {
    ++i;
  }
  if (i < text.size() && (CodeOf(text[i]) == U'+' || CodeOf(text[i]) == U'-')) {
    result.negative = CodeOf(text[i]) == U'-';
    ++i;
  }
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(CodeOf(text[i]), base);
    if (digit < 0) {
      break;
    }
    result.magnitude = std::min(cap, result.magnitude * static_cast<std::uint64_t>(base) +
                                         static_cast<std::uint64_t>(digit));
  }
  return result;
}

// Decimal by the atoi rules; a value beyond the signed 32-bit range gives the
// nearer limit.
template <typename Char>
constexpr std::int32_t DecimalValue(std::basic_string_view<Char> text) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  const ScannedNumber scanned = ScanNumber(text, kDecimalBase, static_cast<std::uint64_t>(-kMin));
  const std::int64_t magnitude = static_cast<std::int64_t>(scanned.magnitude);
  const std::int64_t value = scanned.negative ? -magnitude : magnitude;
  return static_cast<std::int32_t>(std::clamp(value, kMin, kMax));
}

// Hexadecimal by the strtoul rules: beyond 32 bits gives 0xFFFFFFFF; a minus
// sign negates modulo 2^32.
template <typename Char>
constexpr std::uint32_t HexValue(std::basic_string_view<Char> text) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  const ScannedNumber scanned = ScanNumber(text, kHexBase, kMax + 1);
  if (scanned.magnitude > kMax) {
    return static_cast<std::uint32_t>(kMax);
  }
  const auto value = static_cast<std::uint32_t>(scanned.magnitude);
  return scanned.negative ? static_cast<std::uint32_t>(0U - value) : value;
}

// A number in decimal as "%d" prints it, as window text.
inline std::u16string DecimalText(std::int64_t value) {
  const std::string ascii = std::to_string(value);
  return {ascii.begin(), ascii.end()};
}

}  // namespace tarn::numbers
