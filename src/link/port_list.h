// What the platforms' port lists share: the ports a user names in TARN_PORTS.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

inline constexpr char kPortsVariable[] = "TARN_PORTS";

// The non-empty entries of `text` between `separator`s, in order.
std::vector<std::string> SplitPortList(std::string_view text, char separator);

// Where Linux keeps a name for each USB serial adapter that stays the same
// whichever ttyUSB number the adapter gets.
inline constexpr char kStableNamesDir[] = "/dev/serial/by-id";

// A stable alias and the device it names now.
struct StablePortName {
  std::string alias;   // /dev/serial/by-id/usb-...
  std::string device;  // /dev/ttyUSB0
};

// The aliases in `dir` with their devices, sorted by alias; empty where the
// directory does not exist (no adapter plugged in, not Linux).
std::vector<StablePortName> ListStablePortNames(const std::string& dir = kStableNamesDir);

// The alias in `dir` that names the same device as `port`, or empty.
std::string StableNameOf(const std::string& port, const std::string& dir = kStableNamesDir);

// The ports TARN_PORTS names, split at PortListSeparator(); nothing when the
// variable is unset or empty.
std::optional<std::vector<std::string>> PortsNamedByUser();

}  // namespace tarn
