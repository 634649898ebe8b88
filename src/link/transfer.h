// Reading and writing the whole calibration image, and the Read and Write
// commands with their retry prompts and status texts.
#pragma once

#include "link/controller_link.h"
#include "link/prompts.h"
#include "model/parameter_image.h"

namespace tarn {

struct TransferFlags {
  bool imageRead = false;
  bool imageWritten = false;
};

enum class Identity { Same, Unreadable, Different };

// Replaces `image` only when all 512 bytes were read; a failed read leaves it
// exactly as it was.
bool ReadImage(ControllerLink& link, ParameterImage& image);
bool WriteImage(ControllerLink& link, const ParameterImage& image);
Identity CheckIdentity(ControllerLink& link, const ParameterImage& image);

// ReadImage with message 151 (Retry/Cancel); sets imageRead to the outcome
// and the status. `image` changes only when the read succeeded.
void ReadCommand(ControllerLink& link, ParameterImage& image, TransferFlags& flags,
                 Prompter& prompter, StatusLine& status);
// CheckIdentity (163, 161), WriteImage with 152 (Retry/Cancel), status and 153.
void WriteCommand(ControllerLink& link, const ParameterImage& image, TransferFlags& flags,
                  Prompter& prompter, StatusLine& status);

}  // namespace tarn
