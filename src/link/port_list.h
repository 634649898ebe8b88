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

// The ports TARN_PORTS names, split at PortListSeparator(); nothing when the
// variable is unset or empty.
std::optional<std::vector<std::string>> PortsNamedByUser();

}  // namespace tarn
