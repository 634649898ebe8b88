// tarn-cli's command line: the commands, their arguments and their help,
// parsed with CLI11. Every command is one entry of the table in cli_app.cpp.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tarn {

// Runs the command that `args` name (the arguments after the program's
// name). Exit status: 0 done, 1 failed (the last line on `err` says why),
// 2 usage. `tarn-cli --help` prints the overview, `tarn-cli COMMAND --help`
// the command's own help.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The overview of every command, as `tarn-cli --help` prints it.
std::string CliOverview();

}  // namespace tarn
