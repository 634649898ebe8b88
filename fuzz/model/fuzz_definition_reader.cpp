// Feeds arbitrary bytes to the definition reader as a page text and as a
// monitor text, then formats and stores every loaded row on an image, so that
// a row the codec cannot hold shows up as an out-of-bounds access.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "model/definition_loader.h"
#include "model/definition_reader.h"
#include "model/value_codec.h"

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

void ExerciseCodec(const tarn::DefinitionSet& defs, tarn::ParameterImage& image) {
  for (int i = 0; i < defs.paramCount; ++i) {
    const tarn::ParamDef& def = defs.params[static_cast<std::size_t>(i)];
    const std::u16string text = tarn::FormatValue(def, image);
    (void)tarn::StoreText(def, text, image);
    (void)tarn::StoreText(def, def.name, image);
    tarn::SetFlag(def, image, !tarn::GetFlag(def, image));
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
  ExerciseCodec(*defs, image);
  return 0;
}
