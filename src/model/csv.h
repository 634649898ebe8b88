// Comma-separated values as spreadsheet programs read them: UTF-8 text that
// starts with a byte-order mark (so Cyrillic labels show as such), rows ended
// by CR LF, and a field quoted when it holds the separator, a quote or a line
// break, with each quote inside doubled. The separator is the comma, or the
// semicolon that spreadsheets expect where the comma is the decimal sign.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarn::csv {

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
inline constexpr std::string_view kRowEnd = "\r\n";
inline constexpr char kComma = ',';
inline constexpr char kSemicolon = ';';

// One field, quoted where it must be among fields separated by `separator`.
std::string Field(std::string_view utf8, char separator = kComma);
std::string Field(std::u16string_view text, char separator = kComma);

// The fields joined with `separator` and ended with CR LF; each field is
// quoted where it must be.
std::string Row(const std::vector<std::string>& utf8Fields, char separator = kComma);

}  // namespace tarn::csv
