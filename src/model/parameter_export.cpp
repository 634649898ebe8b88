#include "model/parameter_export.h"

#include <array>
#include <vector>

#include "model/csv.h"
#include "model/page_layout.h"
#include "model/service_file.h"
#include "resources/embedded.h"

namespace tarn {

namespace {

// Longer signs first, so that "°C" is not taken for a bare "C".
constexpr std::array<std::u16string_view, 3> kUnitSigns = {u"°C", u"℃", u"%"};
constexpr std::u16string_view kBlanks = u" \t";

std::u16string_view Trimmed(std::u16string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::u16string_view::npos) {
    return {};
  }
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::string Utf8(std::u16string_view text) {
  return res::EncodeUtf8(text);
}

std::string AddressText(const ShownRow& row) {
  std::string text = std::to_string(row.def->address);
  if (row.place == Place::CheckBox) {
    text += "." + std::to_string(row.def->pos);
  }
  return text;
}

// A check box shows no range: clicking it shows the tips alone.
std::string RangeColumn(const ShownRow& row) {
  return row.place == Place::Slot ? Utf8(RangeText(*row.def)) : std::string();
}

std::string ControllerLine(const ParameterImage& image, std::chrono::year_month_day date,
                           char separator) {
  return csv::Row({"Controller", Utf8(ModuleNameText(image)), "Serial number",
                   Utf8(SerialNumberText(image)), "Version", Utf8(VersionText(image)), "Date",
                   Utf8(DateText(date))},
                  separator);
}

}  // namespace

std::u16string_view UnitOf(std::u16string_view label) {
  const std::u16string_view text = Trimmed(label);
  for (const std::u16string_view sign : kUnitSigns) {
    if (text.size() > sign.size() && (text.starts_with(sign) || text.ends_with(sign))) {
      return sign;
    }
  }
  return {};
}

std::string ExportParameters(const DefinitionSet& defs, const ParameterImage& image,
                             std::chrono::year_month_day date, char separator) {
  std::string out(csv::kByteOrderMark);
  out += ControllerLine(image, date, separator);
  out += csv::Row({"Page", "Label", "Value", "Range", "Unit", "Address"}, separator);
  for (const ShownRow& row : ShownRows(defs)) {
    if (row.place == Place::None) {
      continue;
    }
    out += csv::Row({Utf8(PageName(row.page)), Utf8(row.def->name), Utf8(ShownValue(row, image)),
                     RangeColumn(row), Utf8(UnitOf(row.def->name)), AddressText(row)},
                    separator);
  }
  return out;
}

}  // namespace tarn
