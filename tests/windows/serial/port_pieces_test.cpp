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

// The code points of a UTF-8 text; nothing when it is not valid UTF-8.
std::vector<char32_t> CodePoints(const std::string& text) {
  std::vector<char32_t> points;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
                                     : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || at + static_cast<std::size_t>(extra) >= text.size()) return {};
    char32_t point = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80) return {};
      point = (point << 6) | (next & 0x3F);
    }
    points.push_back(point);
    at += static_cast<std::size_t>(extra) + 1;
  }
  return points;
}

bool HasCyrillic(const std::vector<char32_t>& points) {
  return std::any_of(points.begin(), points.end(),
                     [](char32_t p) { return p >= 0x0400 && p <= 0x04FF; });
}

// A Russian system's texts reach the user in Cyrillic, whatever the ANSI
// code page of the process (an ANSI call would give question marks here, or
// code page 1251 bytes that are no UTF-8).
TEST(SystemErrorText, IsUtf8WithoutItsLineEndInTheUsersLanguage) {
  const DWORD russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
  for (const DWORD code : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_ACCESS_DENIED},
                           DWORD{ERROR_SEM_TIMEOUT}}) {
    const std::string text = SystemErrorText(code, russian);
    const std::vector<char32_t> points = CodePoints(text);
    ASSERT_FALSE(points.empty()) << code << ": not UTF-8: " << text;
    EXPECT_TRUE(HasCyrillic(points)) << code << ": " << text;
    EXPECT_NE(text.back(), '\n') << code;
    EXPECT_NE(text.back(), '\r') << code;
  }
  EXPECT_FALSE(CodePoints(SystemErrorText(ERROR_ACCESS_DENIED)).empty());
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
// does not hide the ports listed after it, and a value name past the classic
// 260 characters is read too.
TEST_F(PortKey, EveryPortIsListedWhateverTheLengthOfItsNameOrData) {
  AddString(L"\\Device\\Serial0", L"COM1");
  AddString(L"\\Device\\com0com10", L"CNCA_VIRTUAL_PAIR_PORT_0");
  AddString(L"\\Device\\Serial1", L"COM2");
  AddString(L"\\Device\\" + std::wstring(300, L'u'), L"COM33");
  AddString(L"\\Device\\VCP0", L"COM12345678901");
  const std::vector<std::string> names = PortNamesInKey(key);
  EXPECT_EQ(Sorted(names), (std::vector<std::string>{"CNCA_VIRTUAL_PAIR_PORT_0", "COM1",
                                                     "COM12345678901", "COM2", "COM33"}));
}

TEST_F(PortKey, ValuesWithoutAPortNameAreLeftOut) {
  AddString(L"\\Device\\Serial0", L"COM1");
  AddString(L"\\Device\\Empty", L"");
  const DWORD number = 7;
  ASSERT_EQ(RegSetValueExW(key, L"\\Device\\Number", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&number), sizeof number),
            ERROR_SUCCESS);
  AddString(L"\\Device\\Serial1", L"COM2");
  EXPECT_EQ(Sorted(PortNamesInKey(key)), (std::vector<std::string>{"COM1", "COM2"}));
}

TEST_F(PortKey, AnEmptyKeyListsNothing) {
  EXPECT_TRUE(PortNamesInKey(key).empty());
}

}  // namespace
}  // namespace tarn::testing
