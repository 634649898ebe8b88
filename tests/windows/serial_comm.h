// Taking a port out of the system's list of serial ports (SERIALCOMM) and
// putting it back, as pulling a USB adapter and plugging it in again do.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tarn::wine {

// One value of the list: its name and the port it names ("COM1").
struct SerialCommEntry {
  std::wstring name;
  std::wstring port;
};

inline constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Removes the value that names `port` (in any case); the value removed, or
// nothing when the list has none or it could not be removed.
inline std::optional<SerialCommEntry> UnlistPort(const std::wstring& port) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::optional<SerialCommEntry> removed;
  for (DWORD index = 0; !removed; ++index) {
    wchar_t name[256];
    wchar_t data[256];
    DWORD nameLength = 256;
    DWORD dataBytes = sizeof(data);
    DWORD type = REG_NONE;
    if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                      reinterpret_cast<BYTE*>(data), &dataBytes) != ERROR_SUCCESS) {
      break;
    }
    if (type == REG_SZ && lstrcmpiW(data, port.c_str()) == 0 &&
        RegDeleteValueW(key, name) == ERROR_SUCCESS) {
      removed = SerialCommEntry{name, data};
    }
  }
  RegCloseKey(key);
  return removed;
}

// Puts a value that UnlistPort removed back into the list.
inline bool RelistPort(const SerialCommEntry& entry) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    return false;
  }
  const bool ok =
      RegSetValueExW(key, entry.name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(entry.port.c_str()),
                     static_cast<DWORD>((entry.port.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

}  // namespace tarn::wine
