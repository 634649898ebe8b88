// The parameters of an image as a CSV table for spreadsheet programs: one row
// per check box and slot of the parameter pages, as the pages show them.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "model/definitions.h"
#include "model/parameter_image.h"

namespace tarn {

// The unit a label carries: a unit sign (%, ℃, °C) standing at the label's
// start or end, as the built-in texts write them ("Макс. скорость вперед %",
// "℃ возобновление", "High Temp Str℃"). Empty when the label names none; a
// degree sign inside a label ("60° знач. датч. Холла.") is part of the name.
std::u16string_view UnitOf(std::u16string_view label);

// The whole CSV text, UTF-8 with a byte-order mark: a line naming the
// controller (module name, serial number, version) and `date`, a line of
// column captions, then Page, Label, Value, Range, Unit, Address for every
// row the pages show in their check boxes and slots, in page order. A flag's
// address is ADDRESS.BIT. Fields are separated by `separator` (',' or ';').
std::string ExportParameters(const DefinitionSet& defs, const ParameterImage& image,
                             std::chrono::year_month_day date, char separator = ',');

}  // namespace tarn
