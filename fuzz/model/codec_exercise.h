// What the definition fuzz targets do with the rows they loaded: format and
// store every row on an image, so that a row the codec cannot hold shows up
// as an out-of-bounds access.
#pragma once

#include <string>

#include "model/definitions.h"
#include "model/parameter_image.h"
#include "model/value_codec.h"

namespace tarn::fuzz {

inline void ExerciseCodec(const DefinitionSet& defs, ParameterImage& image) {
  for (int i = 0; i < defs.paramCount; ++i) {
    const ParamDef& def = defs.params[static_cast<std::size_t>(i)];
    const std::u16string text = FormatValue(def, image);
    (void)StoreText(def, text, image);
    (void)StoreText(def, def.name, image);
    SetFlag(def, image, !GetFlag(def, image));
  }
}

}  // namespace tarn::fuzz
