// The pure part of the monitor: the live-data block, which items fit in it,
// how an item's bytes become its text, and the rotating error display.
// Everything here is plain data and functions; no threads, no controls.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "model/definitions.h"
#include "ui/control_ids.h"
#include "live/slot_grid.h"

namespace tarn {

inline constexpr std::size_t kLiveDataThird = 16;
inline constexpr std::size_t kMonitorBlockSize = 3 * kLiveDataThird;

// Bytes 0-15: the last accepted LiveData1 reply, 16-31: LiveData2, 32-47:
// LiveData3. A third that was not answered keeps its previous bytes.
using MonitorBlock = std::array<std::uint8_t, kMonitorBlockSize>;

// The page's grid of slots (ids in live/slot_grid.h); its status controls are
// kMonitorStatusLabelId and kMonitorStatusBoxId of template_110.txt.
inline constexpr int kMonitorSlotCount = 47;
// The slot whose edit has this id, or -1.
int MonitorSlotOfEdit(int id);

// Numbers are computed in 32 bits, texts have room for 19 characters.
inline constexpr int kMaxNumberBytes = 4;
inline constexpr int kMaxTextChars = 19;

// True for an item the page can show: a known storage kind whose bytes lie
// inside the block, a number of at most 4 bytes, a text of at most 19.
bool ItemFits(const MonitorItemDef& item);

// The bytes the item spans in the block: 1 for a byte, pos + 1 for a group,
// 0 for an item of another storage.
int ItemBytes(const MonitorItemDef& item);

// The error word: a group of bytes shown as the names of its set bits.
bool IsErrorItem(const MonitorItemDef& item);

// The text of a value item from the block, or nothing when its format gives no
// text (the edit then keeps what it shows). Not for error items.
std::optional<std::u16string> FormatItem(const MonitorItemDef& item, const MonitorBlock& block);

// The item's bytes as one big-endian number (at most 4 bytes).
std::uint32_t ReadWord(const MonitorItemDef& item, const MonitorBlock& block);

// Names the set bits of the error word one after another, in ascending bit
// order, and one held period after the highest before the lowest returns.
class ErrorRotation {
 public:
  // One display step for `word` with the names `bits`; the new text, or
  // nothing when the edit keeps its text.
  std::optional<std::u16string> Step(std::uint32_t word, std::span<const ErrorBitDef> bits);
  std::uint8_t index() const { return index_; }

 private:
  std::uint8_t index_ = 0;
};

// The error display moves on every 10th tick (every 2 seconds).
inline constexpr int kErrorDisplayEveryTicks = 10;

}  // namespace tarn
