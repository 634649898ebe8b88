// Comma-separated values as spreadsheet programs read them: UTF-8 text that
// starts with a byte-order mark (so Cyrillic labels show as such), rows ended
// by CR LF, and a field quoted when it holds a comma, a quote or a line break,
// with each quote inside doubled.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarn::csv {

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
inline constexpr std::string_view kRowEnd = "\r\n";

// One field, quoted where it must be.
std::string Field(std::string_view utf8);
std::string Field(std::u16string_view text);

// The fields joined with commas and ended with CR LF; each field is quoted
// where it must be.
std::string Row(const std::vector<std::string>& utf8Fields);

}  // namespace tarn::csv
