// What the parameter pages show: which rows, on which page, in which order,
// in which place, and whether the page fills and stores them. The pages,
// tarn-cli and every view of an image (comparison, export) take their rows
// from ShownRows, so they all agree with what a technician sees.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/definitions.h"
#include "model/parameter_image.h"

namespace tarn {

inline constexpr int kFlagRowCount = 16;      // rows 0-15 are the vehicle page's check boxes
inline constexpr int kVehicleSlotCount = 33;  // label/edit slots of the vehicle page
inline constexpr int kPageSlotCount = 48;     // label/edit slots of the other parameter pages

// Which part of the definition rows a page shows in its slots.
enum class PageRows { Vehicle, Control, Motor, Com };

// The four parameter pages in the order of the main window's buttons.
inline constexpr PageRows kParameterPages[] = {PageRows::Vehicle, PageRows::Control,
                                               PageRows::Motor, PageRows::Com};

// The caption of the page's button in the main window.
std::u16string_view PageName(PageRows page);

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

// Where a shown row sits on its page.
enum class Place {
  CheckBox,  // check box `number` of the vehicle page
  Slot,      // label/edit slot `number`
  None,      // marked shown, but the page has no slot left for it
};

// What the page's control holds for the row.
enum class Shows {
  Flag,     // the check box's state is the row's bit
  Text,     // the edit holds the codec's text of the value
  Nothing,  // only the label: the value does not fit its place (a bit in a
            // slot, a byte on a check box) or the row has no place
};

struct ShownRow {
  PageRows page = PageRows::Vehicle;
  Place place = Place::None;
  int number = -1;  // check box j or slot k; -1 without a place
  int index = 0;    // the row in DefinitionSet::params
  const ParamDef* def = nullptr;
  Shows shows = Shows::Nothing;
  // The user can change the value on the page, and a change reaches the
  // image: the row is not read-only (`en` 0) and its value is shown in a
  // form the page stores back.
  bool editable = false;
};

// Every row the parameter pages show: the vehicle page's check boxes, then
// its slots, then the slots of the control, motor and communication pages,
// each in table order. The rows point into `defs`.
std::vector<ShownRow> ShownRows(const DefinitionSet& defs);
std::vector<ShownRow> ShownRowsOfPage(const DefinitionSet& defs, PageRows page);

// The value as the page shows it: "on" or "off" for a check box, the codec's
// text for an edit, empty where the page shows no value.
std::u16string ShownValue(const ShownRow& row, const ParameterImage& image);

// "L~H" of the row's bounds, and the message that refuses a value outside them.
std::u16string RangeText(const ParamDef& row);
std::u16string RangeMessage(const ParamDef& row);

}  // namespace tarn
