// Reader of the definition texts: splits a text into rows and takes fields out
// of a row. The format has no error reporting: a malformed row yields what the
// rules below give, never a refusal.
//
// Rows. The text is read byte by byte. A backslash ends reading. A row begins
// at '[' and ends at the next line feed; a '[' inside a row throws away what
// was collected and starts a new row there. NUL bytes are skipped, bytes
// outside rows are ignored, and a row still open when reading stops (at a
// backslash or at the end of the text) is lost.
//
// Fields. The three bytes after '[' are the tag: a number, or a section name
// in the monitor text. A field is a key, '=', the value and '#'; a key is found
// at its first occurrence (with its '=') anywhere in the row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tarn {

class RowScanner {
 public:
  explicit RowScanner(std::span<const std::uint8_t> text) : text_(text) {}

  // Puts the next row into `row` (from its '[' up to, not including, its line
  // feed; a CR before the line feed stays). False when no row is left.
  bool Next(std::string& row);

 private:
  std::span<const std::uint8_t> text_;
  std::size_t next_ = 0;
};

// Value bytes of `key` in `row`: from after "key=" up to the first '#' after
// it. Empty when the key is missing or its value is not closed by '#'.
std::string_view FieldValue(std::string_view row, std::string_view key);

// Value conversions: decimal by the atoi rules, hexadecimal (colours), and
// UTF-8 text to UTF-16.
std::int32_t DecimalOf(std::string_view value);
std::uint32_t HexOf(std::string_view value);
std::u16string TextOf(std::string_view value);

// The same conversions applied to a field of a row.
inline std::int32_t DecimalField(std::string_view row, std::string_view key) {
  return DecimalOf(FieldValue(row, key));
}
inline std::uint32_t HexField(std::string_view row, std::string_view key) {
  return HexOf(FieldValue(row, key));
}
inline std::u16string TextField(std::string_view row, std::string_view key) {
  return TextOf(FieldValue(row, key));
}

// The tag bytes: the (up to) three bytes after the row's '['.
std::string_view RowTagText(std::string_view row);

// The tag read as a decimal number ("[010]" is 10; no digits give 0).
std::int32_t RowTag(std::string_view row);

// Section rows of the monitor text; exact, case-sensitive tags.
enum class Section { None, Dat, Err };

// Dat or Err when the row's tag names that section, else None.
Section RowSection(std::string_view row);

}  // namespace tarn
