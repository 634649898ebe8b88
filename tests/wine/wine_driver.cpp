#include "wine_driver.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <thread>

extern char** environ;

namespace tarn::wine {
namespace {

constexpr std::chrono::milliseconds kPollInterval{4};
constexpr std::chrono::seconds kProbeAnswerTimeout{30};
constexpr std::chrono::seconds kToolTimeout{30};
// The wine desktop the session's program runs on.
constexpr char kDesktop[] = "tarn";

std::vector<char*> Arguments(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  return args;
}

std::string Decimal(int value) {
  return std::to_string(value);
}

std::string g_link;  // removed on every way out

void RemoveLink() {
  if (!g_link.empty()) unlink(g_link.c_str());
}

void OnSignal(int signal) {
  RemoveLink();
  _exit(128 + signal);
}

}  // namespace

Com1::Com1(const std::string& build, const std::string& pty) {
  g_link = build + "/ttySIM0";
  std::atexit(RemoveLink);
  signal(SIGINT, OnSignal);
  signal(SIGTERM, OnSignal);
  ok_ = Link(pty);
}

Com1::~Com1() {
  RemoveLink();
}

void Com1::Remove() {
  RemoveLink();
}

bool Com1::Link(const std::string& pty) {
  RemoveLink();
  return symlink(pty.c_str(), g_link.c_str()) == 0;
}

Process::~Process() {
  Kill();
  if (in_ >= 0) close(in_);
  if (out_ >= 0) close(out_);
}

bool Process::Start(const std::vector<std::string>& argv, bool pipes) {
  int toChild[2] = {-1, -1};
  int fromChild[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (pipes) {
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
  }
  std::vector<char*> args = Arguments(argv);
  const int failed = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (pipes) {
    close(toChild[0]);
    close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
  }
  if (failed != 0) pid_ = -1;
  return failed == 0;
}

std::optional<int> Process::Wait(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (pid_ > 0) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(kPollInterval);
  }
  return std::nullopt;
}

void Process::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

bool Process::WriteLine(const std::string& line) {
  const std::string text = line + "\n";
  return in_ >= 0 && write(in_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

std::optional<std::string> Process::ReadLine() {
  const auto deadline = Clock::now() + kProbeAnswerTimeout;
  while (true) {
    const std::size_t end = buffered_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (out_ < 0 || left <= 0) return std::nullopt;
    pollfd ready{out_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left)) <= 0) return std::nullopt;
    char chunk[4096];
    const ssize_t got = read(out_, chunk, sizeof chunk);
    if (got <= 0) return std::nullopt;
    buffered_.append(chunk, static_cast<std::size_t>(got));
  }
}

int Run(const std::vector<std::string>& argv) {
  Process process;
  if (!process.Start(argv, false)) return -1;
  return process.Wait(kToolTimeout).value_or(-1);
}

Driver::Driver(std::string scripts, std::string build)
    : scripts_(std::move(scripts)), build_(std::move(build)) {}

bool Driver::StartProgram(Process& process, const std::vector<std::string>& argv) const {
  std::vector<std::string> command = {scripts_ + "/wine-run.sh", build_};
  command.insert(command.end(), argv.begin(), argv.end());
  return process.Start(command, false);
}

bool Driver::StartProbe() {
  std::vector<std::string> command = {scripts_ + "/wine-run.sh", build_,
                                      build_ + "/tests/windows/tarn-wine-probe.exe", kDesktop};
  return probe_.Start(command, true);
}

void Driver::StopProbe() {
  probe_.WriteLine("quit");
  if (!probe_.Wait(std::chrono::seconds(5))) probe_.Kill();
}

// "x y w h shown [enabled] text..." into a Seen; "none" into nothing.
std::optional<Seen> Driver::Ask(const std::string& command, bool withEnabled) {
  if (!probe_.WriteLine(command)) return std::nullopt;
  const std::optional<std::string> line = probe_.ReadLine();
  if (!line || *line == "none") return std::nullopt;
  std::istringstream in(*line);
  Seen seen;
  int shown = 0;
  int enabled = 1;
  if (!(in >> seen.x >> seen.y >> seen.width >> seen.height)) return std::nullopt;
  if (command.rfind("box", 0) != 0 || command.rfind("boxbutton", 0) == 0) in >> shown;
  if (withEnabled) in >> enabled;
  seen.shown = shown != 0;
  seen.enabled = enabled != 0;
  std::getline(in >> std::ws, seen.text);
  return seen;
}

std::optional<Seen> Driver::Window(int templateId) {
  return Ask("window " + Decimal(templateId), false);
}

std::optional<Seen> Driver::Raise(int templateId) {
  return Ask("raise " + Decimal(templateId), false);
}

std::optional<Seen> Driver::Control(int templateId, int id) {
  return Ask("control " + Decimal(templateId) + " " + Decimal(id), true);
}

std::optional<Seen> Driver::Box() {
  std::optional<Seen> box = Ask("box", false);
  if (box) box->shown = true;
  return box;
}

std::optional<Seen> Driver::BoxButton(int id) {
  return Ask("boxbutton " + Decimal(id), true);
}

std::optional<Seen> Driver::StatusBar(int templateId) {
  return Ask("statusbar " + Decimal(templateId), true);
}

bool Driver::Done(const std::string& command) {
  return probe_.WriteLine(command) && probe_.ReadLine() == "ok";
}

bool Driver::Unlist(const std::string& port) {
  return Done("unlist " + port);
}

bool Driver::Relist() {
  return Done("relist");
}

std::optional<Seen> Driver::WaitFor(const std::function<std::optional<Seen>()>& probe,
                                    const std::function<bool(const Seen&)>& accept,
                                    std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (true) {
    const std::optional<Seen> seen = probe();
    if (seen && accept(*seen)) return seen;
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(kPollInterval);
  }
}

void Driver::Click(const Seen& target) {
  Run({"xdotool", "mousemove", "--sync", Decimal(target.CenterX()), Decimal(target.CenterY()),
       "click", "1"});
}

void Driver::Key(const std::string& key) {
  Run({"xdotool", "key", key});
}

bool Driver::Screenshot(const std::string& path) {
  return Run({"import", "-window", "root", path}) == 0;
}

}  // namespace tarn::wine
