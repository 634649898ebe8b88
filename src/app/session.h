// The process-wide state of one run of the tool: the link, the image, the
// definitions and the flags. One instance, created by the application and
// passed by reference to the windows that use it.
#pragma once

#include <array>
#include <cstdint>

#include "app/transfer_commands.h"
#include "link/controller_link.h"
#include "model/definitions.h"
#include "model/parameter_image.h"

namespace tarn {

struct Session {
  ControllerLink link;
  ParameterImage image;
  // The image as last read from or written to the controller: what differs
  // from it on a page is not yet written.
  ParameterImage controllerImage;
  TransferFlags flags;        // imageRead, imageWritten
  bool connected = false;     // mirrors Connection::connected after start-up
  DefinitionSet defs;         // written once at start-up, read afterwards
  bool definitionsLoaded = false;
  std::array<std::int32_t, 5> zeroPoints{};  // current A, B; resistance A, B, C
  bool zeroPointsRead = false;               // a reading has counted in this run
};

}  // namespace tarn
