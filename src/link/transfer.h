// Reading and writing the whole calibration image, and whether the controller
// on the line is the one an image belongs to.
#pragma once

#include "link/controller_link.h"
#include "model/parameter_image.h"

namespace tarn {

enum class Identity { Same, Unreadable, Different };

// Replaces `image` only when all 512 bytes were read; a failed read leaves it
// exactly as it was.
bool ReadImage(ControllerLink& link, ParameterImage& image);
bool WriteImage(ControllerLink& link, const ParameterImage& image);
Identity CheckIdentity(ControllerLink& link, const ParameterImage& image);

}  // namespace tarn
