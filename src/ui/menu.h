// A window's menu bar as data: menus of items, each item a command id that
// reaches the dialog's OnCommand like a button's, with an optional keyboard
// shortcut. Menu bars are kept under resources/templates/ as menu_<id>.txt,
// beside the dialog template they belong to, and read once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_template.h"

namespace tarn::ui {

struct MenuItem {
  int id = kNoId;           // kNoId for a separator
  std::u16string text;      // "Save image as..."
  std::u16string shortcut;  // "Ctrl+S"; empty for none
  bool separator = false;
  std::string name;  // the constant the code names the command by, or empty
};

struct Menu {
  std::u16string title;
  std::vector<MenuItem> items;
};

struct MenuBar {
  int id = 0;  // the template the bar belongs to
  std::vector<Menu> menus;

  // The item with this command id, or nullptr (separators have none).
  const MenuItem* Find(int commandId) const;
};

// The built-in menu bar of the dialog on `templateId`, or nullptr for a dialog
// without one.
const MenuBar* FindMenuBar(int templateId);

// Reads a menu bar from its text form:
//
//   menubar id=102
//   menu title="File"
//   item id=40001 text="Save image as..." key="Ctrl+S"
//   separator
//
// On a malformed statement returns false and names the line and the fault.
bool ParseMenuBar(std::string_view text, MenuBar* out, std::string* error);

// `text` with its first letter or digit that `taken` does not hold yet
// marked as the mnemonic (Alt+F for "&File"), which is added to `taken`; an
// ampersand of the text itself is doubled so that it shows. Both hosts mark
// a menu's titles, and each menu's items, this way.
std::u16string WithMnemonic(std::u16string_view text, std::u16string& taken);

}  // namespace tarn::ui
