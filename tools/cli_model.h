// tarn-cli show and set: the parameters of an image as the pages show them,
// and values stored into an image file with the pages' range check. Backups
// become readable and editable without a controller.
#pragma once

#include <iosfwd>

namespace tarn {

// argv[0] .. argv[argc - 1] are the arguments after the subcommand's name.
//
//   show [FILE]    FILE: a 512-byte image; without it the image is read from
//                  the controller on the first serial port that answers.
//   set FILE LABEL-OR-ADDRESS=VALUE...
//                  stores every value or, if any is refused, none: the file
//                  is then left unchanged. Flags take on/off (or 1/0) and are
//                  addressed as ADDRESS.BIT (20.3) or by label.
//
// Exit status: 0 done, 1 refused or failed, 2 usage.
int RunShow(int argc, char** argv);
int RunSet(int argc, char** argv);

// The same, writing to the given streams (labels and values as UTF-8).
int RunShow(int argc, char** argv, std::ostream& out, std::ostream& err);
int RunSet(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tarn
