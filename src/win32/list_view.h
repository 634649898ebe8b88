// A list control (ControlKind::List) as the system's list view in report
// view: the dialog's columns with widths in dialog units, a row per ListRow,
// tick boxes when the template asks for them, row colours through custom
// drawing. The list view never changes a tick by itself: a click on a box is
// handed to the dialog, and the box shows what the dialog then holds. A row
// the user may not tick shows its box greyed.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <optional>

#include "ui/control_data.h"
#include "ui/dialog_template.h"

namespace tarn::win32 {

// Extended styles and, for a list with tick boxes, the box pictures (plain,
// ticked, mixed; then the same greyed).
void SetUpListView(HWND list, const ui::ControlTemplate& control);

// Brings the list view from showing `shown` to showing `wanted`, touching only
// what differs. `dialog` converts the column widths from dialog units.
void ShowList(HWND list, HWND dialog, bool checkBoxes, const ui::ListData& shown,
              const ui::ListData& wanted);

// The row whose tick box lies under `point` (client coordinates of the list).
std::optional<std::size_t> TickBoxRowAt(HWND list, POINT point);
// The row that has the keyboard focus in the list.
std::optional<std::size_t> FocusedRow(HWND list);

// Whether a change the list view announces (LVN_ITEMCHANGING) would change a
// row's tick box.
bool ChangesTick(const NMLISTVIEW& change);

// NM_CUSTOMDRAW of the list: the row's own text colour where it has one.
LRESULT ListCustomDraw(const NMLVCUSTOMDRAW& draw, const ui::ListData& list);

}  // namespace tarn::win32
