// The serial port list on Windows: TARN_PORTS (';' between the names) when set,
// otherwise the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM in the
// registry's enumeration order.
#include "link/port_list_win32.h"

#include <algorithm>

#include "link/port_list.h"
#include "link/serial_port.h"

namespace tarn {
namespace {

constexpr char kPortsSeparator = ';';
constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
// Room for a name of the classic length and a port name of ten characters
// when the key cannot say what it holds; more as the key asks for it.
constexpr DWORD kFirstNameRoom = 260;
constexpr DWORD kFirstDataRoom = 20;
// A value that still does not fit after this many larger buffers is skipped.
constexpr int kMaxGrowths = 8;

std::string Narrow(const wchar_t* text, std::size_t length) {
  if (length == 0) return {};
  int size =
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), narrow.data(), size, nullptr,
                      nullptr);
  return narrow;
}

// The longest value name (in characters, with the terminator) and value data
// (in bytes) of `key`.
struct ValueRoom {
  DWORD nameChars = kFirstNameRoom;
  DWORD dataBytes = kFirstDataRoom;
};

ValueRoom RoomFor(HKEY key) {
  DWORD longestName = 0;
  DWORD longestData = 0;
  ValueRoom room;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       &longestName, &longestData, nullptr, nullptr) == ERROR_SUCCESS) {
    room.nameChars = std::max(room.nameChars, longestName + 1);
    room.dataBytes = std::max(room.dataBytes, longestData + static_cast<DWORD>(sizeof(wchar_t)));
  }
  return room;
}

// A string value's text without its terminators; nothing for other types.
std::string PortNameOf(DWORD type, const std::vector<wchar_t>& data, DWORD dataBytes) {
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
  std::size_t units = std::min<std::size_t>(dataBytes / sizeof(wchar_t), data.size());
  while (units > 0 && data[units - 1] == L'\0') --units;
  return Narrow(data.data(), units);
}

}  // namespace

char PortListSeparator() {
  return kPortsSeparator;
}

std::vector<std::string> PortNamesInKey(HKEY key) {
  std::vector<std::string> names;
  ValueRoom room = RoomFor(key);
  std::vector<wchar_t> valueName;
  std::vector<wchar_t> data;
  int growths = 0;
  for (DWORD index = 0;;) {
    valueName.assign(room.nameChars, L'\0');
    data.assign(room.dataBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD nameLength = room.nameChars;
    DWORD dataBytes = room.dataBytes;
    DWORD type = REG_NONE;
    const LONG status = RegEnumValueW(key, index, valueName.data(), &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &dataBytes);
    if (status == ERROR_MORE_DATA && growths < kMaxGrowths) {
      // A value added since the key was measured: grow and read it again.
      ++growths;
      room.nameChars *= 2;
      room.dataBytes = std::max<DWORD>(room.dataBytes * 2, dataBytes + sizeof(wchar_t));
      continue;
    }
    growths = 0;
    ++index;
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS: every value read
    std::string name = PortNameOf(type, data, dataBytes);
    if (nameLength > 0 && !name.empty()) names.push_back(std::move(name));
  }
  return names;
}

std::vector<std::string> SystemSerialPorts() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return {};
  }
  std::vector<std::string> names = PortNamesInKey(key);
  RegCloseKey(key);
  return names;
}

std::vector<std::string> ListSerialPorts() {
  if (auto named = PortsNamedByUser()) return *named;
  return SystemSerialPorts();
}

}  // namespace tarn

namespace tarn {

// Access to a COM port is not a matter of group membership.
std::string PortOwnerGroup(const std::string&) {
  return {};
}

}  // namespace tarn
