// tarn-cli show and set: the parameters of an image as the pages show them,
// and values stored into an image file with the pages' range check. Backups
// become readable and editable without a controller.
#pragma once

#include <iosfwd>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "model/parameter_image.h"

namespace tarn {

struct DefinitionSet;

// The image of the controller on the first serial port that answers; says
// where it came from on `out`, why not on `err`.
// A requested `stop` ends the read (nothing is returned; the caller says so).
std::optional<ParameterImage> ReadImageFromController(std::ostream& out, std::ostream& err,
                                                      std::stop_token stop = {});

// Chooses and loads the definitions for the image as the tool does; prints
// the tool's message when the controller is refused.
bool LoadFor(const ParameterImage& image, DefinitionSet& defs, std::ostream& err);

//   show [FILE]    FILE: a 512-byte image; without it the image is read from
//                  the controller on the first serial port that answers.
//   set FILE LABEL-OR-ADDRESS=VALUE...
//                  stores every value or, if any is refused, none: the file
//                  is then left unchanged. Flags take on/off (or 1/0) and are
//                  addressed as ADDRESS.BIT (20.3) or by label. A read-only
//                  FILE is refused unless `force`.
//
// Labels and values are written as UTF-8. Exit status: 0 done, 1 refused or
// failed, 2 usage (an assignment without '=').
// Exit status 130 when interrupted.
int RunShow(const std::optional<std::string>& file, std::ostream& out, std::ostream& err,
            std::stop_token stop = {});
int RunSet(const std::string& file, const std::vector<std::string>& assignments, bool force,
           std::ostream& out, std::ostream& err, std::stop_token stop = {});

}  // namespace tarn
