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

// The fixed link that the prefix maps to COM1 (scripts/wine-env.sh), to a
// simulated controller's terminal. It is removed on every way out, so COM1
// never leads to a terminal number that another program may own by then.
class Com1 {
 public:
  Com1(const std::string& build, const std::string& pty);
  ~Com1();
  Com1(const Com1&) = delete;
  Com1& operator=(const Com1&) = delete;
  bool ok() const { return ok_; }
  // The adapter pulled: COM1 leads nowhere.
  void Remove();
  // To another terminal (a controller that came back on a new one).
  bool Link(const std::string& pty);

 private:
  bool ok_ = false;
};

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
  // The status bar below the window's dialog, its text the one it draws.
  std::optional<Seen> StatusBar(int templateId);
  // Takes the port out of the system's port list (SERIALCOMM) and puts it
  // back, as a USB adapter's driver does when it is pulled and plugged in.
  bool Unlist(const std::string& port);
  bool Relist();

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
  bool Done(const std::string& command);

  std::string scripts_;
  std::string build_;
  Process probe_;
};

}  // namespace tarn::wine
