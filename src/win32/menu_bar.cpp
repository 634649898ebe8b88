#include "win32/menu_bar.h"

#include <vector>

#include "win32/text.h"

namespace tarn::win32 {
namespace {

constexpr int kFunctionKeys = 12;

// Compares ASCII words without regard to case: "ctrl" is "Ctrl".
bool SameWord(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The virtual key of a key's name: a letter, a digit or F1..F12.
std::optional<WORD> KeyOf(std::u16string_view name) {
  if (name.size() == 1) {
    char16_t c = name[0];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) return static_cast<WORD>(c);
    return std::nullopt;
  }
  for (int n = 1; n <= kFunctionKeys; ++n) {
    const std::u16string function = u"F" + FromWide(std::to_wstring(n));
    if (SameWord(name, function)) return static_cast<WORD>(VK_F1 + n - 1);
  }
  return std::nullopt;
}

}  // namespace

std::optional<ACCEL> AcceleratorOf(std::u16string_view shortcut, int commandId) {
  ACCEL accel{};
  accel.fVirt = FVIRTKEY;
  accel.cmd = static_cast<WORD>(commandId);
  while (!shortcut.empty()) {
    const std::size_t plus = shortcut.find(u'+');
    // The last part is the key itself ("Ctrl++" is not used by our menus).
    const std::u16string_view part = shortcut.substr(0, plus);
    if (plus == std::u16string_view::npos) {
      const std::optional<WORD> key = KeyOf(part);
      if (!key) return std::nullopt;
      accel.key = *key;
      return accel;
    }
    if (SameWord(part, u"Ctrl")) {
      accel.fVirt |= FCONTROL;
    } else if (SameWord(part, u"Shift")) {
      accel.fVirt |= FSHIFT;
    } else if (SameWord(part, u"Alt")) {
      accel.fVirt |= FALT;
    } else {
      return std::nullopt;
    }
    shortcut.remove_prefix(plus + 1);
  }
  return std::nullopt;
}

HMENU CreateMenuBar(const ui::MenuBar& bar) {
  const HMENU menuBar = CreateMenu();
  std::u16string titleKeys;
  for (const ui::Menu& menu : bar.menus) {
    const HMENU popup = CreatePopupMenu();
    std::u16string itemKeys;
    for (const ui::MenuItem& item : menu.items) {
      if (item.separator) {
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      std::u16string text = ui::WithMnemonic(item.text, itemKeys);
      if (!item.shortcut.empty()) text += u"\t" + item.shortcut;
      AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item.id), ToWide(text).c_str());
    }
    AppendMenuW(menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                ToWide(ui::WithMnemonic(menu.title, titleKeys)).c_str());
  }
  return menuBar;
}

HACCEL CreateMenuAccelerators(const ui::MenuBar& bar) {
  std::vector<ACCEL> table;
  for (const ui::Menu& menu : bar.menus) {
    for (const ui::MenuItem& item : menu.items) {
      if (item.separator || item.shortcut.empty()) continue;
      if (const std::optional<ACCEL> accel = AcceleratorOf(item.shortcut, item.id)) {
        table.push_back(*accel);
      }
    }
  }
  if (table.empty()) return nullptr;
  return CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

}  // namespace tarn::win32
