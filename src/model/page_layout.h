// Which definition rows each parameter page shows, and the texts of a row's
// range. The pages and tarn-cli both follow these rules, so a printed backup
// reads as the pages show it.
#pragma once

#include <string>

#include "model/definitions.h"

namespace tarn {

inline constexpr int kFlagRowCount = 16;      // rows 0-15 are the vehicle page's check boxes
inline constexpr int kVehicleSlotCount = 33;  // label/edit slots of the vehicle page
inline constexpr int kPageSlotCount = 48;     // label/edit slots of the other parameter pages

// Which part of the definition rows a page shows in its slots.
enum class PageRows { Vehicle, Control, Motor, Com };

// The rows [begin, end) of a DefinitionSet.
struct RowRange {
  int begin = 0;
  int end = 0;
};

// The rows a page's slots draw from; never outside the table, even for a text
// with its page markers out of order or missing.
RowRange RowsOfPage(PageRows page, const DefinitionSet& defs);

// A row gets a slot (or a check box) when it is marked shown and the codec can
// handle it.
bool TakesSlot(const ParamDef& row);

// "L~H" of the row's bounds, and the message that refuses a value outside them.
std::u16string RangeText(const ParamDef& row);
std::u16string RangeMessage(const ParamDef& row);

}  // namespace tarn
