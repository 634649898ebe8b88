// Feeds arbitrary bytes to the definition reader as a page text and as a
// monitor text, then formats and stores every loaded row on an image, so that
// a row the codec cannot hold shows up as an out-of-bounds access. Whole texts
// are slow to run; fuzz_definition_row takes one row at a time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "codec_exercise.h"
#include "model/definition_loader.h"
#include "model/definition_reader.h"

namespace {

constexpr const char* kKeys[] = {"pro",    "pos",  "show", "en",  "sw",  "name", "rangeL",
                                 "rangeH", "tips", "min",  "max", "rgb", ""};

void ScanRows(std::span<const std::uint8_t> text) {
  tarn::RowScanner scanner(text);
  std::string row;
  while (scanner.Next(row)) {
    for (const char* key : kKeys) {
      (void)tarn::FieldValue(row, key);
    }
    (void)tarn::RowTag(row);
    (void)tarn::RowSection(row);
    (void)tarn::HexField(row, "rgb");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> text(data, size);
  ScanRows(text);
  static auto defs = std::make_unique<tarn::DefinitionSet>();
  tarn::ParameterImage image;
  tarn::LoadPageRows(text, image, *defs);
  tarn::LoadMonitorRows(text, *defs);
  tarn::fuzz::ExerciseCodec(*defs, image);
  return 0;
}
