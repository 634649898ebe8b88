// Driving Windows programs under wine from Linux: a program started in the
// build's private prefix, the probe that finds our windows from outside, and
// real input through xdotool on the virtual display.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarn::wine {

using Clock = std::chrono::steady_clock;

// A window or control as the probe sees it, in screen pixels.
struct Seen {
  int x = 0, y = 0, width = 0, height = 0;
  bool shown = false;
  bool enabled = false;
  std::string text;  // UTF-8; line breaks as "\n"
  int CenterX() const { return x + width / 2; }
  int CenterY() const { return y + height / 2; }
};

// A child process; ended by its process id when the object goes.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  // Starts `argv`; with `pipes` its standard input and output are ours.
  bool Start(const std::vector<std::string>& argv, bool pipes);
  // Waits up to `timeout` for the end; the exit status, or nothing.
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  void Kill();
  bool WriteLine(const std::string& line);
  std::optional<std::string> ReadLine();

 private:
  pid_t pid_ = -1;
  int in_ = -1;   // the child's standard input
  int out_ = -1;  // the child's standard output
  std::string buffered_;
};

// Runs argv to its end; its exit status (-1 when it could not start).
int Run(const std::vector<std::string>& argv);

class Driver {
 public:
  // `scripts` holds wine-run.sh; `build` is the Windows build folder.
  Driver(std::string scripts, std::string build);

  // Starts a Windows program (a path under the build folder) with arguments.
  bool StartProgram(Process& process, const std::vector<std::string>& argv) const;
  bool StartProbe();
  void StopProbe();

  std::optional<Seen> Window(int templateId);
  // Puts the window above the others; what Window() gives.
  std::optional<Seen> Raise(int templateId);
  std::optional<Seen> Control(int templateId, int id);
  std::optional<Seen> Box();
  std::optional<Seen> BoxButton(int id);

  // Polls `probe` every few milliseconds until it gives a result that
  // `accept` takes; nothing on time-out.
  std::optional<Seen> WaitFor(const std::function<std::optional<Seen>()>& probe,
                              const std::function<bool(const Seen&)>& accept,
                              std::chrono::milliseconds timeout);

  // Real input on the display.
  void Click(const Seen& target);
  void Key(const std::string& key);
  bool Screenshot(const std::string& path);

 private:
  std::optional<Seen> Ask(const std::string& command, bool withEnabled);

  std::string scripts_;
  std::string build_;
  Process probe_;
};

}  // namespace tarn::wine
