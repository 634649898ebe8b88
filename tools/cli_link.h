// tarn-cli ports, identity, read and write: the tool's own connection and
// transfer code run from a command line, with its message texts on stderr
// and no retry prompts.
#pragma once

#include <iosfwd>
#include <string>

namespace tarn {

// Exit status: 0 done, 1 failed (the last line on `err` says why).
int RunPorts(std::ostream& out, std::ostream& err);
int RunIdentity(std::ostream& out, std::ostream& err);
//   read FILE: reads the controller's image into FILE, replacing it whole.
int RunRead(const std::string& path, std::ostream& out, std::ostream& err);
//   write [--no-verify] FILE: checks the controller's module name against the
//   file's bytes 0-7, writes the image and, when `verify`, reads it back and
//   compares.
int RunWrite(const std::string& path, bool verify, std::ostream& out, std::ostream& err);

}  // namespace tarn
