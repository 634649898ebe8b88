// Ctrl+C as a request to stop instead of the end of the program, so that a
// command that runs until interrupted can finish its file and leave the port
// as it found it.
#pragma once

#include <memory>
#include <stop_token>

namespace tarn {

// While one lives, Ctrl+C (and SIGTERM on POSIX systems) requests a stop of
// `source`. Create it before the command starts any thread: on POSIX systems
// the signals are blocked in the creating thread, every thread started later
// inherits that, and one watching thread takes them.
class StopOnInterrupt {
 public:
  explicit StopOnInterrupt(std::stop_source source);
  ~StopOnInterrupt();
  StopOnInterrupt(const StopOnInterrupt&) = delete;
  StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;

  // The signal that requested the stop (SIGINT for Ctrl+C on Windows too);
  // 0 while none came.
  int Signal() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The exit status of a command ended by signal `number`, as a shell reports a
// program killed by it: 128 + the signal's number (130 for Ctrl+C).
int InterruptedExitStatus(int number);

}  // namespace tarn
