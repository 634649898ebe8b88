// A dialog with a list with tick boxes above a chart, and a dialog that
// records what reaches it: what each host's tests of lists, charts and menus
// open on their real windows.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "ui/dialog.h"
#include "ui/dialog_template.h"

namespace tarn::ui_test {

inline constexpr int kPartsListId = 10;
inline constexpr int kPartsChartId = 12;
inline constexpr int kPartsHeight = 220;

inline ui::ControlTemplate PartsControl(int id, ui::ControlKind kind, int y, int cy) {
  ui::ControlTemplate control;
  control.id = id;
  control.kind = kind;
  control.x = 5;
  control.y = y;
  control.cx = 290;
  control.cy = cy;
  control.tabStop = true;
  control.checkBoxes = kind == ui::ControlKind::List;
  return control;
}

inline ui::DialogTemplate PartsTemplate(int cy = kPartsHeight) {
  ui::DialogTemplate t;
  t.id = 9101;
  t.cx = 300;
  t.cy = cy;
  t.title = u"Parts";
  t.controls = {PartsControl(kPartsListId, ui::ControlKind::List, 5, 80),
                PartsControl(kPartsChartId, ui::ControlKind::Chart, 90, 125)};
  return t;
}

// Records what reaches it; runs `onInit` when it is made. A row in
// `keepUnticked` is unticked again by the dialog whenever the user ticks it.
class Recording : public ui::Dialog {
 public:
  using ui::Dialog::Dialog;
  void OnInitDialog() override {
    if (onInit) onInit(*this);
  }
  void OnCommand(int id) override {
    commands.push_back(id);
    ui::Dialog::OnCommand(id);
  }
  void OnListCheck(int id, std::size_t row) override {
    checks.push_back(row);
    if (keepUnticked == row) SetListCheck(id, row, ui::CheckState::Unchecked);
  }
  std::function<void(Recording&)> onInit;
  std::vector<int> commands;
  std::vector<std::size_t> checks;
  std::optional<std::size_t> keepUnticked;
};

}  // namespace tarn::ui_test
