#include "link/port_list.h"

#include <cstdlib>

#include "link/serial_port.h"

namespace tarn {

std::vector<std::string> SplitPortList(std::string_view text, char separator) {
  std::vector<std::string> names;
  while (!text.empty()) {
    const std::size_t end = text.find(separator);
    const std::string_view entry = text.substr(0, end);
    if (!entry.empty()) names.emplace_back(entry);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return names;
}

std::optional<std::vector<std::string>> PortsNamedByUser() {
  const char* named = std::getenv(kPortsVariable);
  if (named == nullptr || *named == '\0') return std::nullopt;
  return SplitPortList(named, PortListSeparator());
}

}  // namespace tarn
