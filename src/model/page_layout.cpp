#include "model/page_layout.h"

#include <algorithm>

#include "model/text_numbers.h"

namespace tarn {

RowRange RowsOfPage(PageRows page, const DefinitionSet& defs) {
  RowRange range;
  switch (page) {
    case PageRows::Vehicle:
      range = {kFlagRowCount, defs.controlStart};
      break;
    case PageRows::Control:
      range = {defs.controlStart, defs.motorStart};
      break;
    case PageRows::Motor:
      range = {defs.motorStart, defs.comStart};
      break;
    case PageRows::Com:
      range = {defs.comStart, defs.paramCount};
      break;
  }
  range.begin = std::clamp(range.begin, 0, defs.paramCount);
  range.end = std::clamp(range.end, range.begin, defs.paramCount);
  return range;
}

bool TakesSlot(const ParamDef& row) {
  return row.show == 1 && row.usable;
}

std::u16string RangeText(const ParamDef& row) {
  return numbers::DecimalText(row.rangeL) + u"~" + numbers::DecimalText(row.rangeH);
}

std::u16string RangeMessage(const ParamDef& row) {
  return u"Param:" + row.name + u"\nThe range should be between " + RangeText(row);
}

}  // namespace tarn
