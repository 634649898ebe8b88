#include "model/definition_reader.h"

#include "model/text_numbers.h"
#include "resources/embedded.h"

namespace tarn {

namespace {

constexpr std::uint8_t kEndOfText = '\\';
constexpr std::uint8_t kRowStart = '[';
constexpr std::uint8_t kRowEnd = '\n';
constexpr std::uint8_t kSkippedByte = 0;
constexpr char kKeySeparator = '=';
constexpr char kValueEnd = '#';
constexpr std::size_t kTagLength = 3;

}  // namespace

bool RowScanner::Next(std::string& row) {
  row.clear();
  bool inRow = false;
  while (next_ < text_.size()) {
    const std::uint8_t byte = text_[next_++];
    if (byte == kEndOfText) {
      next_ = text_.size();
      return false;
    }
    if (byte == kSkippedByte) {
      continue;
    }
    if (byte == kRowStart) {
      row.assign(1, static_cast<char>(byte));
      inRow = true;
    } else if (inRow && byte == kRowEnd) {
      return true;
    } else if (inRow) {
      row.push_back(static_cast<char>(byte));
    }
  }
  return false;
}

std::string_view FieldValue(std::string_view row, std::string_view key) {
  if (key.empty()) {
    return {};
  }
  std::size_t at = row.find(key);
  while (at != std::string_view::npos) {
    const std::size_t separator = at + key.size();
    if (separator < row.size() && row[separator] == kKeySeparator) {
      const std::size_t valueStart = separator + 1;
      const std::size_t valueEnd = row.find(kValueEnd, valueStart);
      if (valueEnd == std::string_view::npos) {
        return {};
      }
      return row.substr(valueStart, valueEnd - valueStart);
    }
    at = row.find(key, at + 1);
  }
  return {};
}

std::int32_t DecimalOf(std::string_view value) {
  return numbers::DecimalValue(value);
}

std::uint32_t HexOf(std::string_view value) {
  return numbers::HexValue(value);
}

std::u16string TextOf(std::string_view value) {
  return res::DecodeUtf8(value);
}

std::string_view RowTagText(std::string_view row) {
  if (row.empty()) {
    return {};
  }
  return row.substr(1, kTagLength);
}

std::int32_t RowTag(std::string_view row) {
  return DecimalOf(RowTagText(row));
}

Section RowSection(std::string_view row) {
  const std::string_view tag = RowTagText(row);
  if (tag == "Dat") {
    return Section::Dat;
  }
  if (tag == "Err") {
    return Section::Err;
  }
  return Section::None;
}

}  // namespace tarn
