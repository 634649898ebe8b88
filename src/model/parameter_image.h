// The tool's copy of the controller's 512-byte calibration image.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn {

inline constexpr std::size_t kImageSize = 512;

// Fixed addresses the program uses apart from what the definition texts lay out.
inline constexpr int kAddrModuleName = 0;      // 8 ASCII bytes, 1-2 model code, 3-4 voltage class
inline constexpr int kAddrModelCode = 1;
inline constexpr int kAddrVoltageClass = 3;
inline constexpr int kAddrCustomer = 8;        // 4 ASCII bytes
inline constexpr int kAddrSerialNumber = 12;   // 4 bytes
inline constexpr int kAddrVersion = 16;        // 4 bytes, 16-17 select the definitions
inline constexpr int kAddrFlags = 20;          // bytes 20 and 21: sixteen feature flags
inline constexpr int kAddrControllerVoltage = 23;  // 2 bytes
inline constexpr int kAddrHardwareCode = 84;   // 2 ASCII bytes
inline constexpr std::size_t kModuleNameSize = 8;
inline constexpr std::size_t kSerialNumberFieldSize = 4;
inline constexpr std::size_t kVersionFieldSize = 4;
// Bytes 0-19 say which controller the image belongs to: module name (with the
// model code and the voltage class), customer, serial number and version.
inline constexpr std::size_t kIdentityHeaderSize = 20;

struct ParameterImage {
  std::array<std::uint8_t, kImageSize> bytes;

  ParameterImage() { bytes.fill(0xFF); }

  std::uint8_t& operator[](std::size_t address) { return bytes[address]; }
  std::uint8_t operator[](std::size_t address) const { return bytes[address]; }

  // Big-endian value of `count` (1..4) bytes at `address`; the lowest address is
  // the most significant byte. The caller keeps address + count within the image.
  std::uint32_t ReadBigEndian(std::size_t address, std::size_t count) const {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      value = (value << 8) | bytes[address + i];
    }
    return value;
  }

  void WriteBigEndian(std::size_t address, std::size_t count, std::uint32_t value) {
    for (std::size_t i = 0; i < count; ++i) {
      bytes[address + i] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
    }
  }
};

// The bytes at `address` in upper-case hexadecimal, two digits each, as
// serial numbers and software versions are shown.
inline std::string HexBytes(const ParameterImage& image, std::size_t address, std::size_t count) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  constexpr unsigned kNibble = 4;
  constexpr unsigned kLowNibble = 0xF;
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t byte = image[address + i];
    text += kDigits[byte >> kNibble];
    text += kDigits[byte & kLowNibble];
  }
  return text;
}

}  // namespace tarn
