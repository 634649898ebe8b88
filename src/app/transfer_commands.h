// The Read and Write commands: the link's whole-image transfers with their
// retry questions, messages and status line.
#pragma once

#include "app/status.h"
#include "link/controller_link.h"
#include "link/transfer.h"
#include "model/parameter_image.h"
#include "ui/prompter.h"

namespace tarn {

struct TransferFlags {
  bool imageRead = false;
  bool imageWritten = false;
};

// ReadImage with message 151 (Retry/Cancel); sets imageRead to the outcome
// and the status. `image` changes only when the read succeeded.
void ReadCommand(ControllerLink& link, ParameterImage& image, TransferFlags& flags,
                 Prompter& prompter, StatusLine& status);
// CheckIdentity (163, 161), WriteImage with 152 (Retry/Cancel), status and 153.
void WriteCommand(ControllerLink& link, const ParameterImage& image, TransferFlags& flags,
                  Prompter& prompter, StatusLine& status);

}  // namespace tarn
