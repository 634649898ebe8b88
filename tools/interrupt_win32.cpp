#include <windows.h>

#include <mutex>

#include "tools/interrupt.h"

namespace tarn {
namespace {

std::mutex sourceMutex;
std::stop_source* interruptSource = nullptr;

// Runs on a thread of its own that the system starts for the console event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  std::lock_guard lock(sourceMutex);
  if (interruptSource == nullptr) return FALSE;
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
  }
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopOnInterrupt::~StopOnInterrupt() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  std::lock_guard lock(sourceMutex);
  interruptSource = nullptr;
}

}  // namespace tarn
