// The serial port list on POSIX systems: TARN_PORTS (':' between the names)
// when set, otherwise the serial devices under /dev; and the group that owns a
// port's device. Nothing here opens a device.
#include <grp.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "link/port_list.h"
#include "link/serial_port.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;

constexpr char kPortsSeparator = ':';
constexpr char kDeviceDir[] = "/dev";
constexpr char kTtyClassDir[] = "/sys/class/tty";

// Prefixes of devices that are serial ports whenever they exist (USB adapters,
// CDC modems, the macOS call-out devices).
constexpr std::string_view kSerialPrefixes[] = {"ttyUSB", "ttyACM", "cu."};
// Built-in UARTs: the kernel creates many of these names; only those with a
// real port behind them count.
constexpr std::string_view kUartPrefix = "ttyS";
constexpr int kUnknownPortType = 0;

// A ttyS device is real when sysfs shows a device behind it whose port type
// is known; the placeholders of an 8250 driver report type 0.
bool IsRealUart(const std::string& name) {
  std::error_code ec;
  const fs::path entry = fs::path(kTtyClassDir) / name;
  if (!fs::exists(entry / "device", ec)) return false;
  std::ifstream typeFile(entry / "type");
  int type = kUnknownPortType;
  if (!(typeFile >> type)) return true;  // no type attribute: trust the device link
  return type != kUnknownPortType;
}

bool IsSerialDevice(const std::string& name) {
  for (std::string_view prefix : kSerialPrefixes) {
    if (name.starts_with(prefix)) return true;
  }
  return name.starts_with(kUartPrefix) && IsRealUart(name);
}

std::vector<std::string> ScanDevices() {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(kDeviceDir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (IsSerialDevice(name)) names.push_back(it->path().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

char PortListSeparator() {
  return kPortsSeparator;
}

std::vector<std::string> ListSerialPorts() {
  if (auto named = PortsNamedByUser()) return *named;
  return ScanDevices();
}

}  // namespace tarn

namespace tarn {

std::string PortOwnerGroup(const std::string& name) {
  constexpr std::size_t kGroupBufferSize = 4096;
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) return {};
  group entry{};
  group* found = nullptr;
  std::vector<char> buffer(kGroupBufferSize);
  if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr) {
    return {};
  }
  return found->gr_name;
}

}  // namespace tarn
