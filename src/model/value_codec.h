// Conversion between one parameter's bytes in the image and its display text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/definitions.h"
#include "model/parameter_image.h"

namespace tarn {

enum class StoreResult { Stored, OutOfRange };

// Display text of a pro 1 or pro 2 parameter.
std::u16string FormatValue(const ParamDef& def, const ParameterImage& image);

// Converts typed text and stores it; on OutOfRange the image is unchanged.
StoreResult StoreText(const ParamDef& def, std::u16string_view text, ParameterImage& image);

// The bit of a pro 0 parameter.
bool GetFlag(const ParamDef& def, const ParameterImage& image);
void SetFlag(const ParamDef& def, ParameterImage& image, bool value);

// The image bits a row's value occupies: `count` bytes from `address`, and of
// each byte the bits in `mask` (one bit for a flag, all eight otherwise).
// Empty (count 0) for a row the codec does not use.
struct ValueBytes {
  std::size_t address = 0;
  std::size_t count = 0;
  std::uint8_t mask = 0;
};
ValueBytes BytesOf(const ParamDef& def);

// Whether the page would accept the value that `image` holds: its shown text
// passes the range check when stored. Always true for a row stored without a
// check and for a flag.
bool PassesRangeCheck(const ParamDef& def, const ParameterImage& image);

// Whether the row's value lies inside the image and within what the codec can
// hold (a bit 0-7, a number of 1 to 4 bytes, a text of at most 19 bytes). The
// loader sets ParamDef::usable from it; the calls above do nothing for a row
// that fails it.
bool DefinitionUsable(const ParamDef& def);

}  // namespace tarn
