// Window text crosses between the dialog layer's UTF-16 strings and the wide
// strings of the Windows API; on Windows both hold the same UTF-16 units.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarn::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

inline std::wstring ToWide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

inline std::u16string FromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

// The text a window shows, as the dialog layer keeps it.
std::u16string WindowText(HWND window);

}  // namespace tarn::win32
