#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "tools/interrupt.h"

namespace tarn {

struct StopOnInterrupt::Impl {
  sigset_t signals{};
  sigset_t previous{};
  std::atomic<bool> ending{false};
  std::atomic<int> caught{0};
  std::thread watcher;
};

StopOnInterrupt::StopOnInterrupt(std::stop_source source) : impl_(std::make_unique<Impl>()) {
  sigemptyset(&impl_->signals);
  sigaddset(&impl_->signals, SIGINT);
  sigaddset(&impl_->signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &impl_->signals, &impl_->previous);
  // sigwait takes the signals as plain events on this thread, where a stop
  // request is safe (it is not in a signal handler).
  impl_->watcher = std::thread([impl = impl_.get(), source]() mutable {
    for (;;) {
      int signal = 0;
      if (sigwait(&impl->signals, &signal) != 0) continue;
      if (impl->ending) return;
      int none = 0;
      impl->caught.compare_exchange_strong(none, signal);
      source.request_stop();
    }
  });
}

StopOnInterrupt::~StopOnInterrupt() {
  impl_->ending = true;
  pthread_kill(impl_->watcher.native_handle(), SIGTERM);
  impl_->watcher.join();
  // A Ctrl+C pressed since then now ends the program as usual.
  pthread_sigmask(SIG_SETMASK, &impl_->previous, nullptr);
}

int StopOnInterrupt::Signal() const {
  return impl_->caught;
}

int InterruptedExitStatus(int number) {
  constexpr int kKilledBySignal = 128;
  return kKilledBySignal + (number > 0 ? number : SIGINT);
}

}  // namespace tarn
