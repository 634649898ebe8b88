#include "live/live_items.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "model/text_numbers.h"
#include "resources/embedded.h"

namespace tarn {
namespace {

constexpr int kWordBits = 32;
constexpr int kTagDigits = 3;
constexpr std::u16string_view kNameSeparator = u"; ";
constexpr std::u16string_view kUnnamedBit = u"бит ";

const MonitorItemDef& ItemAt(const DefinitionSet& defs, int index) {
  return defs.monitorItems[static_cast<std::size_t>(index)];
}

int ShownCount(const DefinitionSet& defs) {
  return std::clamp(defs.monitorCount, 0, kMonitorSlotCount);
}

std::string Tag(const MonitorItemDef& item) {
  char text[16];
  std::snprintf(text, sizeof(text), "%0*d", kTagDigits, static_cast<int>(item.offset));
  return text;
}

// The item's name, with its tag added where another shown item has the same
// name, so that every column can be told apart.
std::u16string Header(const DefinitionSet& defs, int index,
                      const std::map<std::u16string, int>& nameCounts) {
  const MonitorItemDef& item = ItemAt(defs, index);
  if (nameCounts.at(item.name) < 2) return item.name;
  const std::string tag = Tag(item);
  return item.name + u" [" + std::u16string(tag.begin(), tag.end()) + u"]";
}

}  // namespace

bool IsShownItem(const DefinitionSet& defs, int index) {
  return index >= 0 && index < ShownCount(defs) && ItemFits(ItemAt(defs, index));
}

bool IsNumberItem(const MonitorItemDef& item) {
  return ItemFits(item) && !IsErrorItem(item) && item.format != Format::Characters;
}

std::optional<std::int32_t> ItemNumber(const MonitorItemDef& item, const MonitorBlock& block) {
  if (!IsNumberItem(item)) return std::nullopt;
  // Read back from the shown text, so a chart and a recording always carry
  // exactly the number the page shows.
  const std::optional<std::u16string> text = FormatItem(item, block);
  if (!text || text->empty()) return std::nullopt;
  const std::u16string_view view = *text;
  if (item.format == Format::Hex) return static_cast<std::int32_t>(numbers::HexValue(view));
  return numbers::DecimalValue(view);
}

int ErrorWordIndex(const DefinitionSet& defs) {
  int found = -1;
  for (int i = 0; i < ShownCount(defs); ++i) {
    if (IsShownItem(defs, i) && IsErrorItem(ItemAt(defs, i))) found = i;
  }
  return found;
}

std::u16string ErrorBitName(int bit, const DefinitionSet& defs) {
  if (bit >= 0 && bit < std::clamp(defs.errorCount, 0, kErrorBitCapacity)) {
    return defs.errorBits[static_cast<std::size_t>(bit)].name;
  }
  const std::string number = std::to_string(bit);
  return std::u16string(kUnnamedBit) + std::u16string(number.begin(), number.end());
}

std::u16string ActiveErrorNames(std::uint32_t word, const DefinitionSet& defs) {
  std::u16string names;
  for (int bit = 0; bit < kWordBits; ++bit) {
    if (((word >> bit) & 1U) == 0) continue;
    if (!names.empty()) names += kNameSeparator;
    names += ErrorBitName(bit, defs);
  }
  return names;
}

std::string ErrorWordHex(std::uint32_t word, const MonitorItemDef& item) {
  const int digits = 2 * std::clamp(static_cast<int>(item.pos) + 1, 1, kMaxNumberBytes);
  char text[16];
  std::snprintf(text, sizeof(text), "0x%0*X", digits, static_cast<unsigned>(word));
  return text;
}

std::vector<LiveColumn> LiveColumns(const DefinitionSet& defs) {
  std::map<std::u16string, int> nameCounts;
  for (int i = 0; i < ShownCount(defs); ++i) {
    if (IsNumberItem(ItemAt(defs, i))) ++nameCounts[ItemAt(defs, i).name];
  }
  std::vector<LiveColumn> columns;
  for (int i = 0; i < ShownCount(defs); ++i) {
    if (!IsNumberItem(ItemAt(defs, i))) continue;
    columns.push_back(
        {LiveColumn::Kind::Number, i, Header(defs, i, nameCounts), Tag(ItemAt(defs, i))});
  }
  const int error = ErrorWordIndex(defs);
  if (error >= 0) {
    const std::string tag = Tag(ItemAt(defs, error));
    columns.push_back({LiveColumn::Kind::ErrorWord, error, u"Error word", tag});
    columns.push_back({LiveColumn::Kind::ActiveErrors, error, u"Active errors", tag});
  }
  return columns;
}

std::string ColumnText(const LiveColumn& column, const LiveSample& sample,
                       const DefinitionSet& defs) {
  const MonitorItemDef& item = ItemAt(defs, column.item);
  if (!IsFresh(item, sample)) return {};
  switch (column.kind) {
    case LiveColumn::Kind::Number: {
      const std::optional<std::u16string> text = FormatItem(item, sample.block);
      return text ? res::EncodeUtf8(*text) : std::string();
    }
    case LiveColumn::Kind::ErrorWord:
      return ErrorWordHex(ReadWord(item, sample.block), item);
    case LiveColumn::Kind::ActiveErrors:
      return res::EncodeUtf8(ActiveErrorNames(ReadWord(item, sample.block), defs));
  }
  return {};
}

}  // namespace tarn
