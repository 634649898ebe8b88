// One definition row at a time, so that libFuzzer runs tens of thousands of
// inputs a second: the first byte says where the row goes, the rest is the row.
//   first byte % 3 == 0: a row of a page text, loaded with an image of the
//                        voltage class the first byte / 3 picks, then
//                        formatted and stored on that image;
//                    1: a row of the monitor text's [Dat] section;
//                    2: a row of its [Err] section.
// The seeds are the rows of the built-in texts, one per file
// (fuzz/make-row-seeds.sh).
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "codec_exercise.h"
#include "model/definition_loader.h"

namespace {

enum Place { kPageRow = 0, kDataRow = 1, kErrorRow = 2, kPlaces = 3 };

constexpr std::string_view kDataSection = "[Dat]#\n";
constexpr std::string_view kErrorSection = "[Err]#\n";
// Voltage classes of module names, and one that names none.
constexpr std::array<std::string_view, 5> kVoltageClasses = {"24", "48", "72", "96", "x?"};
constexpr std::size_t kVoltageClassAt = 3;  // module name "AQX48B01": bytes 3-4

std::vector<std::uint8_t> InSection(std::string_view section, std::span<const std::uint8_t> row) {
  std::vector<std::uint8_t> text(section.begin(), section.end());
  text.insert(text.end(), row.begin(), row.end());
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t selector = data[0];
  const std::span<const std::uint8_t> row(data + 1, size - 1);
  static auto defs = std::make_unique<tarn::DefinitionSet>();
  switch (selector % kPlaces) {
    case kPageRow: {
      tarn::ParameterImage image;
      const std::string_view voltage =
          kVoltageClasses[(selector / kPlaces) % kVoltageClasses.size()];
      image[kVoltageClassAt] = static_cast<std::uint8_t>(voltage[0]);
      image[kVoltageClassAt + 1] = static_cast<std::uint8_t>(voltage[1]);
      tarn::LoadPageRows(row, image, *defs);
      tarn::fuzz::ExerciseCodec(*defs, image);
      break;
    }
    case kDataRow:
      tarn::LoadMonitorRows(InSection(kDataSection, row), *defs);
      break;
    default:
      tarn::LoadMonitorRows(InSection(kErrorSection, row), *defs);
      break;
  }
  return 0;
}
