// The Windows serial backend's pieces that need no controller: the device
// path of a port name, the system's error texts, and the port list read from
// a registry key that the test fills itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/port_list_win32.h"
#include "link/serial_port_win32.h"

namespace tarn::testing {
namespace {

TEST(DevicePath, ThePrefixIsAddedOnceAndOnlyToAPlainName) {
  struct Case {
    const char* name;
    const wchar_t* path;
  };
  const Case cases[] = {
      {"COM1", L"\\\\.\\COM1"},
      {"COM10", L"\\\\.\\COM10"},
      {"\\\\.\\COM10", L"\\\\.\\COM10"},
      {"\\\\?\\usb#vid_0403", L"\\\\?\\usb#vid_0403"},
      {"\\\\.COM3", L"\\\\.\\\\\\.COM3"},  // not a device path: prefixed like any name
  };
  for (const Case& c : cases) EXPECT_EQ(DevicePathOf(c.name), c.path) << c.name;
}

// The text as UTF-16; nothing when it is not valid UTF-8.
std::wstring Utf16Of(const std::string& text) {
  const int length = static_cast<int>(text.size());
  const int size =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), size);
  return wide;
}

// A Russian system's texts reach the user in Cyrillic, whatever the ANSI
// code page of the process (an ANSI call would give question marks here, or
// code page 1251 bytes that are no UTF-8).
TEST(SystemErrorText, IsUtf8WithoutItsLineEndInTheUsersLanguage) {
  const DWORD russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
  for (const DWORD code :
       {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_SEM_TIMEOUT}}) {
    const std::string text = SystemErrorText(code, russian);
    const std::wstring wide = Utf16Of(text);
    const bool cyrillic =
        std::any_of(wide.begin(), wide.end(), [](wchar_t c) { return c >= 0x0400 && c <= 0x04FF; });
    EXPECT_TRUE(cyrillic) << code << ": " << text;
    EXPECT_NE(text.back(), '\n') << code;
    EXPECT_NE(text.back(), '\r') << code;
  }
  EXPECT_EQ(SystemErrorText(0x2FFFFFFF), "error 805306367");
}

// A key of the test's own, in the user's part of the registry, that goes
// when the test ends.
class PortKey : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kPath, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    if (key != nullptr) RegCloseKey(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
  }
  void AddString(const std::wstring& name, const std::wstring& data) {
    const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(data.c_str()), bytes),
              ERROR_SUCCESS);
  }

  static constexpr wchar_t kPath[] = L"Software\\TarnUserAppTest\\SERIALCOMM";
  HKEY key = nullptr;
};

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// A driver's long port name (a virtual port pair, a USB adapter's own name)
// does not hide the ports listed after it, a value name past the classic 260
// characters is read too, and values without a port name are left out.
TEST_F(PortKey, EveryPortIsListedWhateverTheLengthOfItsNameOrData) {
  AddString(L"\\Device\\Serial0", L"COM1");
  AddString(L"\\Device\\VirtualPair10", L"VIRTUAL_PAIR_PORT_0");
  AddString(L"\\Device\\Serial1", L"COM2");
  AddString(L"\\Device\\" + std::wstring(300, L'u'), L"COM33");
  AddString(L"\\Device\\VCP0", L"COM12345678901");
  AddString(L"\\Device\\Empty", L"");
  const DWORD number = 7;
  ASSERT_EQ(RegSetValueExW(key, L"\\Device\\Number", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&number), sizeof number),
            ERROR_SUCCESS);
  const std::vector<std::string> names = PortNamesInKey(key);
  EXPECT_EQ(Sorted(names), (std::vector<std::string>{"COM1", "COM12345678901", "COM2", "COM33",
                                                     "VIRTUAL_PAIR_PORT_0"}));
}

}  // namespace
}  // namespace tarn::testing
