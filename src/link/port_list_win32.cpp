// The serial port list on Windows: TARN_PORTS (';' between the names) when set,
// otherwise the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM in the
// registry's enumeration order.
#include <windows.h>

#include "link/port_list.h"
#include "link/serial_port.h"

namespace tarn {
namespace {

constexpr char kPortsSeparator = ';';
constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr DWORD kMaxValueName = 260;
constexpr DWORD kMaxValueDataBytes = 20;  // 10 UTF-16 units with the terminator

std::string Narrow(const wchar_t* text, std::size_t length) {
  if (length == 0) return {};
  int size =
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), narrow.data(), size, nullptr,
                      nullptr);
  return narrow;
}

}  // namespace

char PortListSeparator() {
  return kPortsSeparator;
}

std::vector<std::string> ListSerialPorts() {
  if (auto named = PortsNamedByUser()) return *named;
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return names;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t valueName[kMaxValueName] = {};
    wchar_t data[kMaxValueDataBytes / sizeof(wchar_t)] = {};
    DWORD nameLength = kMaxValueName;
    DWORD dataBytes = kMaxValueDataBytes;
    // A value whose data does not fit ends the list, as the first failure does.
    if (RegEnumValueW(key, index, valueName, &nameLength, nullptr, nullptr,
                      reinterpret_cast<BYTE*>(data), &dataBytes) != ERROR_SUCCESS) {
      break;
    }
    if (nameLength == 0 || dataBytes == 0) continue;
    std::size_t units = dataBytes / sizeof(wchar_t);
    while (units > 0 && data[units - 1] == L'\0') --units;
    names.push_back(Narrow(data, units));
  }
  RegCloseKey(key);
  return names;
}

}  // namespace tarn

namespace tarn {

// Access to a COM port is not a matter of group membership.
std::string PortOwnerGroup(const std::string&) {
  return {};
}

}  // namespace tarn
