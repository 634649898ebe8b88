// tarn-cli ports, identity, read and write: the tool's own connection and
// transfer code run from a command line, with its message texts on stderr
// and no retry prompts.
#pragma once

#include <iosfwd>

namespace tarn {

// argv holds the arguments after the subcommand's name. Exit status: 0 done,
// 1 failed (one line on `err` says why), 2 usage.
int RunPorts(int argc, char** argv, std::ostream& out, std::ostream& err);
int RunIdentity(int argc, char** argv, std::ostream& out, std::ostream& err);
//   read FILE: reads the controller's image into FILE, replacing it whole.
int RunRead(int argc, char** argv, std::ostream& out, std::ostream& err);
//   write [--no-verify] FILE: checks the controller's module name against the
//   file's bytes 0-7, writes the image, reads it back and compares.
int RunWrite(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tarn
