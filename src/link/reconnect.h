// Getting the controller back after its port went away (a USB adapter pulled
// out and put back): the same port name, or the adapter's stable name, opened
// again about once a second, and work goes on by itself only when the
// controller behind it is the one whose image the tool holds.
//
// Nothing here scans: only the names given are opened, so no other port
// sees a byte unless the user asks for a scan.
//
// Threading: LinkWatch runs its attempts on a thread of its own. Expect(),
// Pause(), Resume() and Stop() are for one controlling thread (the UI thread);
// the sink runs on the watch thread and must only hand the event on.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "link/controller_link.h"
#include "model/parameter_image.h"

namespace tarn {

// How often a gone port is tried again.
inline constexpr std::chrono::milliseconds kReopenInterval{1000};
// How soon the watch notices that the link lost its port.
inline constexpr std::chrono::milliseconds kWatchSlice{50};

// Which controller an image belongs to: its module name and serial number.
struct ControllerIdentity {
  std::array<std::uint8_t, kModuleNameSize> moduleName{};
  std::array<std::uint8_t, kSerialNumberFieldSize> serialNumber{};

  static ControllerIdentity Of(std::span<const std::uint8_t> header);
  static ControllerIdentity Of(const ParameterImage& image) { return Of(image.bytes); }
  bool operator==(const ControllerIdentity&) const = default;
};

enum class ReopenResult {
  StillGone,      // no name could be opened
  NoController,   // a port opened, but no controller took Identify
  Unreadable,     // the controller answered Identify, its identity block did not come
  Same,           // the controller whose image the tool holds: the link has the port again
  Other,          // another controller: the port was closed again
};

// The names to try for a port that went away: its stable alias, when it had
// one, else the name itself.
std::vector<std::string> ReopenNames(const std::string& port, const std::string& stableName);

// One attempt: opens the first of `names` that opens, configures it as the
// scan does, sends Identify and reads the identity block (two TransferStart,
// ReadBlock at 0) on a link of its own. On Same the port goes to `link`;
// otherwise it is closed. `*opened` names the port that opened. A stop
// request is looked at between the exchanges.
ReopenResult TryReopen(ControllerLink& link, const std::vector<std::string>& names,
                       const ControllerIdentity& expected, std::string* opened,
                       std::stop_token stop = {});

class LinkWatch {
 public:
  enum class Event {
    Lost,      // the link's port went away
    Restored,  // the same controller answers again on the port
    Other,     // another controller answered; attempts stop until Expect()
  };
  using Sink = std::function<void(Event event, const std::string& port)>;

  explicit LinkWatch(ControllerLink& link);
  ~LinkWatch();
  LinkWatch(const LinkWatch&) = delete;
  LinkWatch& operator=(const LinkWatch&) = delete;

  // Starts the watch thread; false when it already runs or `sink` is empty.
  bool Start(Sink sink);
  // The port in use and its stable alias, and the controller expected on it.
  // Also ends the stop after Other.
  void Expect(const std::string& port, const std::string& stableName,
              const ControllerIdentity& identity);
  // Holds the attempts (waits for one in progress to end) while the caller
  // opens ports itself, as a scan does; Resume() lets them go on.
  void Pause();
  void Resume();
  void Stop();

 private:
  void Run(std::stop_token stop);
  // One look at the link; an attempt when its port is gone and one is due.
  void Step(std::stop_token stop, bool* reported, std::chrono::steady_clock::time_point* due);

  ControllerLink& link_;
  Sink sink_;
  std::mutex mutex_;  // held for the whole of an attempt
  std::vector<std::string> names_;
  std::string port_;
  ControllerIdentity expected_{};
  bool paused_ = false;
  bool waitingForUser_ = false;  // after Other
  std::jthread thread_;
};

}  // namespace tarn
