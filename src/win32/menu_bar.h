// A dialog's menu bar as a Windows menu, and its keyboard shortcuts as an
// accelerator table that the host's message loop translates.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "ui/menu.h"

namespace tarn::win32 {

// The menu bar with every item enabled; each item's text carries its
// shortcut after a tab, where the system draws it right-aligned. Titles and
// items are reached from the keyboard by a letter of their own (ui::WithMnemonic).
HMENU CreateMenuBar(const ui::MenuBar& bar);

// One accelerator per item with a shortcut ("Ctrl+S", "Ctrl+Shift+F5"), or
// nullptr for a bar without shortcuts. Owned by the caller.
HACCEL CreateMenuAccelerators(const ui::MenuBar& bar);

// A shortcut in the menu files' words as an accelerator for `commandId`;
// nothing for a text it cannot read.
std::optional<ACCEL> AcceleratorOf(std::u16string_view shortcut, int commandId);

}  // namespace tarn::win32
