#include "link/port_list.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

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

std::vector<StablePortName> ListStablePortNames(const std::string& dir) {
  namespace fs = std::filesystem;
  std::vector<StablePortName> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code linkError;
    if (!it->is_symlink(linkError)) continue;
    const fs::path device = fs::canonical(it->path(), linkError);
    if (linkError) continue;  // a link left behind by a device that went
    names.push_back({it->path().string(), device.string()});
  }
  std::sort(names.begin(), names.end(),
            [](const StablePortName& a, const StablePortName& b) { return a.alias < b.alias; });
  return names;
}

std::string StableNameOf(const std::string& port, const std::string& dir) {
  std::error_code ec;
  const std::filesystem::path device = std::filesystem::canonical(port, ec);
  if (ec) return {};
  for (const StablePortName& name : ListStablePortNames(dir)) {
    if (name.device == device.string()) return name.alias;
  }
  return {};
}

}  // namespace tarn
