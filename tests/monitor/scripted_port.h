// A serial port for the monitor tests that answers like a controller from a
// script: a reply frame per command, silence on demand, and a count of the
// requests it saw. Safe to script from the test thread while the poll thread
// exchanges.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "link/serial_port.h"

namespace tarn::testing {

class ScriptedPort : public SerialPort {
 public:
  using Frame = std::vector<std::uint8_t>;

  // A well-formed reply: command, length, data, 8-bit sum.
  static Frame MakeFrame(std::uint8_t command, const std::vector<std::uint8_t>& data) {
    Frame frame{command, static_cast<std::uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(static_cast<std::uint8_t>(std::accumulate(frame.begin(), frame.end(), 0)));
    return frame;
  }

  void SetReply(std::uint8_t command, Frame frame) {
    std::lock_guard lock(mutex_);
    replies_[command] = std::move(frame);
  }
  void SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
  }
  int Requests(std::uint8_t command) const {
    std::lock_guard lock(mutex_);
    const auto found = requests_.find(command);
    return found == requests_.end() ? 0 : found->second;
  }
  int TotalRequests() const {
    std::lock_guard lock(mutex_);
    int total = 0;
    for (const auto& [command, count] : requests_) total += count;
    return total;
  }
  // Calls running right now on any thread.
  int CallsInside() const {
    std::lock_guard lock(mutex_);
    return inside_;
  }

  bool Open(const std::string&) override { return true; }
  bool IsOpen() const override { return true; }
  bool Configure(const PortSettings&, const PortTimeouts&) override { return true; }
  bool Purge() override {
    std::lock_guard lock(mutex_);
    pending_.clear();
    return true;
  }
  bool Write(std::span<const std::uint8_t> bytes) override {
    std::lock_guard lock(mutex_);
    if (bytes.empty()) return true;
    ++requests_[bytes[0]];
    const auto found = replies_.find(bytes[0]);
    if (!silent_ && found != replies_.end()) pending_ = found->second;
    return true;
  }
  bool Read(std::span<std::uint8_t> buffer, std::size_t* received) override {
    Enter();
    bool idle = false;
    {
      std::lock_guard lock(mutex_);
      const std::size_t count = std::min(buffer.size(), pending_.size());
      std::copy_n(pending_.begin(), count, buffer.begin());
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
      *received = count;
      idle = count == 0;
    }
    // A read with nothing to deliver returns after a short time-out, so a
    // silent controller costs little test time.
    if (idle) std::this_thread::sleep_for(kIdleReadTimeout);
    Leave();
    return true;
  }
  bool ReadWithin(std::span<std::uint8_t> buffer, std::size_t* received, ReadWindow&) override {
    return Read(buffer, received);
  }
  void Close() override {}
  std::string LastError() const override { return {}; }

 private:
  static constexpr std::chrono::milliseconds kIdleReadTimeout{1};

  void Enter() {
    std::lock_guard lock(mutex_);
    ++inside_;
  }
  void Leave() {
    std::lock_guard lock(mutex_);
    --inside_;
  }

  mutable std::mutex mutex_;
  std::map<std::uint8_t, Frame> replies_;
  std::map<std::uint8_t, int> requests_;
  Frame pending_;
  bool silent_ = false;
  int inside_ = 0;
};

}  // namespace tarn::testing
