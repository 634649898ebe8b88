#include "model/csv.h"

#include "resources/embedded.h"

namespace tarn::csv {

std::string Field(std::string_view utf8, char separator) {
  const char mustQuote[] = {separator, '"', '\r', '\n', '\0'};
  if (utf8.find_first_of(mustQuote) == std::string_view::npos) return std::string(utf8);
  std::string quoted = "\"";
  for (char c : utf8) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string Field(std::u16string_view text, char separator) {
  return Field(res::EncodeUtf8(text), separator);
}

std::string Row(const std::vector<std::string>& utf8Fields, char separator) {
  std::string row;
  for (std::size_t i = 0; i < utf8Fields.size(); ++i) {
    if (i > 0) row += separator;
    row += Field(utf8Fields[i], separator);
  }
  row += kRowEnd;
  return row;
}

}  // namespace tarn::csv
