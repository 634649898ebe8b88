#include "model/page_layout.h"

#include <algorithm>

#include "model/text_numbers.h"
#include "model/value_codec.h"

namespace tarn {

namespace {

constexpr std::int32_t kShowInSlot = 1;
constexpr std::int32_t kEnReadOnly = 0;

const ParamDef& Row(const DefinitionSet& defs, int index) {
  return defs.params[static_cast<std::size_t>(index)];
}

int SlotCount(PageRows page) {
  return page == PageRows::Vehicle ? kVehicleSlotCount : kPageSlotCount;
}

// A check box holds a bit; an edit holds the text of a byte or a group.
Shows WhatPlaceShows(Place place, const ParamDef& def) {
  switch (place) {
    case Place::CheckBox:
      return def.storage == Storage::Bit ? Shows::Flag : Shows::Nothing;
    case Place::Slot:
      return def.storage == Storage::Byte || def.storage == Storage::Group ? Shows::Text
                                                                           : Shows::Nothing;
    case Place::None:
      break;
  }
  return Shows::Nothing;
}

// Text of a group in an unknown format is shown but never stored, so such an
// edit takes no input rather than drop what was typed.
bool Editable(Shows shows, const ParamDef& def) {
  if (def.en == kEnReadOnly || shows == Shows::Nothing) {
    return false;
  }
  return !(def.storage == Storage::Group && def.format == Format::Unknown);
}

// The rows of `rows` that take a place, in order, numbered from 0; those past
// `places` are listed without one.
void AddRows(const DefinitionSet& defs, PageRows page, RowRange rows, Place place, int places,
             std::vector<ShownRow>& out) {
  int taken = 0;
  for (int index = rows.begin; index < rows.end; ++index) {
    const ParamDef& def = Row(defs, index);
    if (!TakesSlot(def)) {
      continue;
    }
    ShownRow row;
    row.page = page;
    row.index = index;
    row.def = &def;
    if (taken < places) {
      row.place = place;
      row.number = taken;
    }
    row.shows = WhatPlaceShows(row.place, def);
    row.editable = Editable(row.shows, def);
    out.push_back(row);
    ++taken;
  }
}

}  // namespace

std::u16string_view PageName(PageRows page) {
  switch (page) {
    case PageRows::Vehicle:
      return u"Vehicle";
    case PageRows::Control:
      return u"Control";
    case PageRows::Motor:
      return u"Motor";
    case PageRows::Com:
      return u"COM";
  }
  return {};
}

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
  return row.show == kShowInSlot && row.usable;
}

std::vector<ShownRow> ShownRowsOfPage(const DefinitionSet& defs, PageRows page) {
  std::vector<ShownRow> rows;
  if (page == PageRows::Vehicle) {
    const RowRange flags{0, std::clamp(kFlagRowCount, 0, defs.paramCount)};
    AddRows(defs, page, flags, Place::CheckBox, kFlagRowCount, rows);
  }
  AddRows(defs, page, RowsOfPage(page, defs), Place::Slot, SlotCount(page), rows);
  return rows;
}

std::vector<ShownRow> ShownRows(const DefinitionSet& defs) {
  std::vector<ShownRow> rows;
  for (const PageRows page : kParameterPages) {
    const std::vector<ShownRow> ofPage = ShownRowsOfPage(defs, page);
    rows.insert(rows.end(), ofPage.begin(), ofPage.end());
  }
  return rows;
}

std::u16string ShownValue(const ShownRow& row, const ParameterImage& image) {
  switch (row.shows) {
    case Shows::Flag:
      return GetFlag(*row.def, image) ? u"on" : u"off";
    case Shows::Text:
      return FormatValue(*row.def, image);
    case Shows::Nothing:
      break;
  }
  return {};
}

std::u16string RangeText(const ParamDef& row) {
  return numbers::DecimalText(row.rangeL) + u"~" + numbers::DecimalText(row.rangeH);
}

std::u16string RangeMessage(const ParamDef& row) {
  return u"Param:" + row.name + u"\nThe range should be between " + RangeText(row);
}

}  // namespace tarn
