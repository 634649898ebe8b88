// Which monitor items the live-data consumers (recording, chart, tarn-cli)
// use and what each one reads from a sample: the items the page shows as
// numbers, in table order, and the error word with the names of its set bits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/definitions.h"
#include "live/live_sample.h"

namespace tarn {

// An item that has a slot on the page and fits the block.
bool IsShownItem(const DefinitionSet& defs, int index);

// An item the page shows as a number: not the error word, not characters.
bool IsNumberItem(const MonitorItemDef& item);

// The item's value as the page shows it, as a number; nothing for an item
// that is not a number item or whose format gives no text.
std::optional<std::int32_t> ItemNumber(const MonitorItemDef& item, const MonitorBlock& block);

// The error word: the last shown error item (the page marks its edit red),
// or -1 when the definitions have none.
int ErrorWordIndex(const DefinitionSet& defs);

// The name of bit `bit` of the error word from the [Err] list, or "бит N"
// for a bit the list does not name.
std::u16string ErrorBitName(int bit, const DefinitionSet& defs);

// The names of the set bits of `word`, lowest bit first, joined by "; ".
std::u16string ActiveErrorNames(std::uint32_t word, const DefinitionSet& defs);

// "0x0022": the error word in upper-case hexadecimal with two digits per byte.
std::string ErrorWordHex(std::uint32_t word, const MonitorItemDef& item);

// One column of a recording (and one field of a tarn-cli line).
struct LiveColumn {
  enum class Kind { Number, ErrorWord, ActiveErrors };
  Kind kind = Kind::Number;
  int item = 0;           // index into monitorItems
  std::u16string header;  // the item's name; repeated names carry their tag
  std::string tag;        // "018": the item's offset as its definition row is tagged
};

// The number items in table order, then the error word and its names (when
// the definitions have an error item).
std::vector<LiveColumn> LiveColumns(const DefinitionSet& defs);

// The column's text for `sample` in UTF-8: the shown value, empty when its
// bytes did not come with this sample.
std::string ColumnText(const LiveColumn& column, const LiveSample& sample,
                       const DefinitionSet& defs);

}  // namespace tarn
