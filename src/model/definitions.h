// Parsed rows of the definition texts and the set the pages and the monitor
// work from. Tables have fixed capacities; rows beyond them are dropped.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarn {

inline constexpr int kParamCapacity = 512;
inline constexpr int kMonitorItemCapacity = 128;
inline constexpr int kErrorBitCapacity = 32;

// How a value lies in the image or the live-data block: the texts' `pro` code
// (0, 1, 2), decoded once when the row is stored.
enum class Storage {
  Bit,      // one bit of a byte; `pos` is the bit number
  Byte,     // one byte
  Group,    // pos + 1 bytes, most significant first
  Unknown,  // any other code: no value is read or written
};

// How a value is shown and typed: the texts' `sw` code ("uo", "so", "h",
// "a", compared exactly), decoded once when the row is stored.
enum class Format {
  Unsigned,    // "uo"
  Signed,      // "so"
  Hex,         // "h"
  Characters,  // "a"
  Unknown,     // any other text
};

// One row of a page text.
struct ParamDef {
  std::int32_t address = 0;
  std::int32_t pro = 0;   // as written in the text; `storage` says what it means
  std::int32_t pos = 0;   // bit number of a Bit, byte count - 1 of a Group
  std::int32_t show = 0;  // 1: gets a slot on its page
  std::int32_t en = 0;    // 0: read-only; 1: range-checked when stored
  std::u16string sw;      // as written in the text; `format` says what it means
  std::u16string name;
  std::int32_t rangeL = 0;
  std::int32_t rangeH = 0;
  std::u16string tips;
  Storage storage = Storage::Unknown;
  Format format = Format::Unknown;
  // False for a row whose value would lie outside the image or outside what the
  // codec can hold (a number over 4 bytes, text over 19): never shown or stored.
  bool usable = true;
};

// One [Dat] row of the monitor text.
struct MonitorItemDef {
  std::int32_t offset = 0;
  std::int32_t pro = 0;  // as written; see `storage`
  std::int32_t pos = 0;
  std::u16string sw;  // as written; see `format`
  std::u16string name;
  std::int32_t min = 0;
  std::int32_t max = 0;
  std::uint8_t show = 0;
  std::uint32_t rgb = 0;
  std::u16string tips;
  Storage storage = Storage::Unknown;
  Format format = Format::Unknown;
};

// One [Err] row of the monitor text.
struct ErrorBitDef {
  std::int32_t bit = 0;
  std::u16string name;
};

struct DefinitionSet {
  std::array<ParamDef, kParamCapacity> params{};
  std::int32_t paramCount = 0;
  std::int32_t controlStart = 0;
  std::int32_t motorStart = 0;
  std::int32_t comStart = 0;
  std::array<MonitorItemDef, kMonitorItemCapacity> monitorItems{};
  std::int32_t monitorCount = 0;
  std::array<ErrorBitDef, kErrorBitCapacity> errorBits{};
  std::int32_t errorCount = 0;
  int pageTextId = 0;  // which page text was loaded (140, 153, 162, 165), 0 before
};

}  // namespace tarn
