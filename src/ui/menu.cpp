#include "ui/menu.h"

#include <cwctype>
#include <map>

#include "resources/embedded.h"

namespace tarn::ui {

namespace {

// Every menu bar the program carries, as templates/menu_<id>.txt.
std::map<int, MenuBar> LoadAll() {
  std::map<int, MenuBar> bars;
  for (const int id : BuiltInTemplateIds()) {
    const auto bytes = res::Find("menu_" + std::to_string(id) + ".txt");
    if (bytes.empty()) {
      continue;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    MenuBar parsed;
    std::string error;
    // A bar that does not parse is left out; the tests load every one.
    if (ParseMenuBar(text, &parsed, &error) && parsed.id == id) {
      bars.emplace(id, std::move(parsed));
    }
  }
  return bars;
}

}  // namespace

const MenuItem* MenuBar::Find(int commandId) const {
  for (const Menu& menu : menus) {
    for (const MenuItem& item : menu.items) {
      if (!item.separator && item.id == commandId) {
        return &item;
      }
    }
  }
  return nullptr;
}

const MenuBar* FindMenuBar(int templateId) {
  static const std::map<int, MenuBar> kBars = LoadAll();
  const auto found = kBars.find(templateId);
  return found == kBars.end() ? nullptr : &found->second;
}

std::u16string WithMnemonic(std::u16string_view text, std::u16string& taken) {
  std::u16string marked;
  bool chosen = false;
  for (const char16_t c : text) {
    const auto upper = static_cast<char16_t>(std::towupper(static_cast<wint_t>(c)));
    if (!chosen && std::iswalnum(static_cast<wint_t>(c)) != 0 &&
        taken.find(upper) == std::u16string::npos) {
      marked.push_back(u'&');
      taken.push_back(upper);
      chosen = true;
    }
    marked.push_back(c);
    // An ampersand of the text itself is shown, not taken for a mnemonic.
    if (c == u'&') marked.push_back(u'&');
  }
  return marked;
}

}  // namespace tarn::ui
