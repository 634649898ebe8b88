#include "model/image_compare.h"

#include "model/value_codec.h"

namespace tarn {

namespace {

bool Differs(const ValueBytes& value, const ParameterImage& a, const ParameterImage& b) {
  for (std::size_t i = 0; i < value.count; ++i) {
    const std::size_t at = value.address + i;
    if (((a[at] ^ b[at]) & value.mask) != 0) {
      return true;
    }
  }
  return false;
}

bool InIdentity(const ValueBytes& value) {
  return value.address < kIdentityHeaderSize;
}

Taking TakingOf(const ShownRow& row, const ParameterImage& other) {
  if (InIdentity(BytesOf(*row.def))) {
    return Taking::Identity;
  }
  if (!row.editable) {
    return Taking::ReadOnly;
  }
  if (!PassesRangeCheck(*row.def, other)) {
    return Taking::OutOfRange;
  }
  return Taking::Allowed;
}

}  // namespace

std::vector<Difference> CompareImages(const DefinitionSet& defs, const ParameterImage& controller,
                                      const ParameterImage& other) {
  std::vector<Difference> differences;
  for (const ShownRow& row : ShownRows(defs)) {
    if (row.shows == Shows::Nothing || !Differs(BytesOf(*row.def), controller, other)) {
      continue;
    }
    differences.push_back(
        {row, ShownValue(row, controller), ShownValue(row, other), TakingOf(row, other)});
  }
  return differences;
}

int ApplyDifferences(std::span<const Difference> chosen, const ParameterImage& other,
                     ParameterImage& image) {
  int taken = 0;
  for (const Difference& difference : chosen) {
    const ShownRow& row = difference.row;
    if (row.shows == Shows::Nothing || TakingOf(row, other) != Taking::Allowed) {
      continue;
    }
    const ValueBytes value = BytesOf(*row.def);
    for (std::size_t i = 0; i < value.count; ++i) {
      const std::size_t at = value.address + i;
      image[at] = static_cast<std::uint8_t>((image[at] & ~value.mask) | (other[at] & value.mask));
    }
    ++taken;
  }
  return taken;
}

}  // namespace tarn
