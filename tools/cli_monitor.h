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
// the seconds are over; every poll taken is printed or recorded, and a
// recording ends with a summary that counts the failed polls. Exit status:
// 0 every poll succeeded, 1 some polls failed (the recording is still
// complete), 2 trouble: no controller, no image, the output failed (the last
// line on `err` says why).
int RunMonitor(const MonitorOptions& options, std::ostream& out, std::ostream& err,
               std::stop_token stop);

// The longest run --seconds may ask for.
inline constexpr int kMonitorMaxSeconds = 24 * 60 * 60 * 365;

// RunMonitor with Ctrl+C as the stop, as tarn-cli runs it.
int RunMonitorUntilInterrupted(const MonitorOptions& options, std::ostream& out,
                               std::ostream& err);

}  // namespace tarn
