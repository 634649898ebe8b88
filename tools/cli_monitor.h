// tarn-cli monitor: the monitor page's poll from a command line, printing a
// line per poll or recording the polls into a CSV file.
#pragma once

#include <iosfwd>
#include <stop_token>
#include <string>

namespace tarn {

struct MonitorOptions {
  std::string csvPath;  // empty: print a line per poll
  int seconds = 0;      // poll for this long (5 polls a second); 0: until stopped
};

// Polls the controller as the monitor page does until `stop` is requested or
// the seconds are over; every poll taken is printed or recorded. Exit status:
// 0 done, 1 failed (the last line on `err` says why).
int RunMonitor(const MonitorOptions& options, std::ostream& out, std::ostream& err,
               std::stop_token stop);

// The command's own argument reading: [--csv FILE] [--seconds N]. False with
// *problem set for anything else.
bool ParseMonitorArguments(int argc, char** argv, MonitorOptions* options, std::string* problem);

// The command as tarn-cli runs it: the arguments after its name, exit status
// 2 for bad ones, Ctrl+C as the stop.
int RunMonitorCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tarn
