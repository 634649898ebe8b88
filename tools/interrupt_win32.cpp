#include <windows.h>

#include <atomic>
#include <csignal>
#include <mutex>

#include "tools/interrupt.h"

namespace tarn {
namespace {

std::mutex sourceMutex;
std::stop_source* interruptSource = nullptr;
std::atomic<int> interruptSignal{0};

// Runs on a thread of its own that the system starts for the console event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  std::lock_guard lock(sourceMutex);
  if (interruptSource == nullptr) return FALSE;
  interruptSignal = SIGINT;
  interruptSource->request_stop();
  return TRUE;
}

}  // namespace

struct StopOnInterrupt::Impl {
  std::stop_source source;
};

StopOnInterrupt::StopOnInterrupt(std::stop_source source)
    : impl_(std::make_unique<Impl>(Impl{std::move(source)})) {
  {
    std::lock_guard lock(sourceMutex);
    interruptSource = &impl_->source;
    interruptSignal = 0;
  }
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopOnInterrupt::~StopOnInterrupt() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  std::lock_guard lock(sourceMutex);
  interruptSource = nullptr;
}

int StopOnInterrupt::Signal() const {
  return interruptSignal;
}

int InterruptedExitStatus(int number) {
  constexpr int kKilledBySignal = 128;
  return kKilledBySignal + (number > 0 ? number : SIGINT);
}

}  // namespace tarn
