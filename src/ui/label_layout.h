// The row labels of a dialog (parameter names, many of them long Russian
// phrases in a column 70 units wide) and how they are laid out, whatever
// draws them: every label of a dialog is drawn at the same size, the largest
// down to a floor at which each label fits its band (its grid row) on as many
// lines as the band holds, broken only between words. A label that does not
// fit even at the floor is cut, and its last line ends in an ellipsis; the
// host shows the whole text on hover.
//
// The host measures: text widths come through a callback in the font being
// tried, so the rule is the same for every front end.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_template.h"

namespace tarn::ui {

// How far a label reaches into the free space of its grid row, in vertical
// dialog units, up and down: rows are 16 apart and labels 8 high, centred on
// their row, so a label's band is its row, room for two lines.
inline constexpr int kLabelSpill = 4;
// A label is one character high: 8 vertical units.
inline constexpr int kLabelHeight = 8;
inline constexpr char16_t kEllipsis = u'\u2026';

// The sizes tried, in percent of the dialog font, largest first.
inline constexpr int kLabelFullPercent = 100;
inline constexpr int kLabelStepPercent = 5;
// The floor: below this share of the dialog font a label is cut instead.
inline constexpr int kLabelFloorPercent = 80;

// A left-aligned static text one character high, without an edge and not
// centred vertically: a row label.
bool IsRowLabel(const ControlTemplate& control);

struct LabelLines {
  std::vector<std::u16string> lines;
  bool cut = false;  // the text did not fit: the last line ends in an ellipsis
};

// The width of a text in the font being laid out, in the band's units.
using TextWidth = std::function<double(std::u16string_view)>;

// `text` within a band `width` wide that holds `lineRoom` lines (at least one
// is used): words on as many lines as fit, each line within the width.
LabelLines LayOutLabel(std::u16string_view text, double width, int lineRoom,
                       const TextWidth& widthOf);

// Whether label `label` of a dialog is cut when drawn at `percent`.
using CutAt = std::function<bool(std::size_t label, int percent)>;

// The one size, in percent, at which the `count` labels of a dialog are
// drawn. Labels cut even at the floor do not pull the others down.
int ChooseLabelPercent(std::size_t count, const CutAt& cutAt);

}  // namespace tarn::ui
