// Reads a dialog template from its text form (resources/templates/*.txt).
//
// One statement per line; `#` starts a comment line. Words are separated by
// blanks; a value with blanks is written in double quotes (\" and \\ inside).
//
//   dialog id=107 size=400,300 font="MS Shell Dlg",9 title="" child border
//   control id=1001 kind=static at=0,260 size=400,40 text="" staticedge
//   grid kind=edit first=1011 step=2 count=48 rows=16 columns=80,205,337 y=3 dy=16
//        size=40,14 hidden border autoscroll tabstop
//   adjust id=1043 size=191,14
//
// `control` adds one control; `id` may be left out for a control that is never
// addressed. `grid` adds `count` controls with ids first + step * k, slot k in
// column k / rows and row k % rows, at x = columns[column], y = y + dy * row.
// `adjust` changes the size of a control added before.
//
// Kinds: button, defbutton, checkbox, static, edit, group, picture, etched.
// Styles: hidden, disabled, border, staticedge, center, right, vcenter,
// autoscroll, tabstop; picture=<embedded file name>.
//
// `name=kIdRead` on a control, grid, menu item or dialog names the constant
// the code knows its id by; the build turns the names of every template into
// one header (tools of resources/generator), so an id is typed only here. A
// grid's name stands for its first id. The windows themselves ignore names.
#pragma once

#include <string>
#include <string_view>

#include "ui/dialog_template.h"

namespace tarn::ui {

// Fills *out from `text`. On a malformed statement returns false and names the
// line and the fault in *error.
bool ParseTemplate(std::string_view text, DialogTemplate* out, std::string* error);

}  // namespace tarn::ui
