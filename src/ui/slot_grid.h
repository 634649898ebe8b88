// Control ids shared by every page built on a grid of label/edit slots (the
// parameter pages and the monitor page): slot k has label 1010 + 2k and edit
// 1011 + 2k, and the info line across the bottom is 1001.
#pragma once

namespace tarn {

inline constexpr int kIdInfoLine = 1001;
inline constexpr int kFirstSlotLabel = 1010;
inline constexpr int kFirstSlotEdit = 1011;
inline constexpr int kSlotIdStep = 2;

constexpr int SlotLabelId(int slot) {
  return kFirstSlotLabel + kSlotIdStep * slot;
}
constexpr int SlotEditId(int slot) {
  return kFirstSlotEdit + kSlotIdStep * slot;
}

}  // namespace tarn
