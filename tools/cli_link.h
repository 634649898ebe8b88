// tarn-cli ports, identity, read and write: the tool's own connection and
// transfer code run from a command line, with its message texts on stderr
// and no retry prompts.
#pragma once

#include <iosfwd>
#include <stop_token>
#include <string>

namespace tarn {

// Exit status: 0 done, 1 failed (the last line on `err` says why).
// A requested `stop` (Ctrl+C) ends a command at its next exchange with exit
// status 130; the port is left as it was found either way.
int RunPorts(std::ostream& out, std::ostream& err);
int RunIdentity(std::ostream& out, std::ostream& err, std::stop_token stop = {});
//   read [--force] FILE: reads the controller's image into FILE, replacing it
//   whole; a read-only FILE only with `force`.
int RunRead(const std::string& path, bool force, std::ostream& out, std::ostream& err,
            std::stop_token stop = {});
//   write [--no-verify] FILE: refuses a file with a value outside the range
//   its page allows, checks the controller's module name against the file's
//   bytes 0-7, writes the image and, when `verify`, reads it back and
//   compares.
int RunWrite(const std::string& path, bool verify, std::ostream& out, std::ostream& err,
             std::stop_token stop = {});

}  // namespace tarn
