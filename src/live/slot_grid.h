// Control ids shared by every page built on a grid of label/edit slots (the
// parameter pages and the monitor page): slot k has label kFirstSlotLabel + 2k
// and edit kFirstSlotEdit + 2k (the grids of the page templates), and the info
// line across the bottom is kIdInfoLine.
#pragma once

#include "ui/control_ids.h"

namespace tarn {

inline constexpr int kSlotIdStep = 2;

constexpr int SlotLabelId(int slot) {
  return kFirstSlotLabel + kSlotIdStep * slot;
}
constexpr int SlotEditId(int slot) {
  return kFirstSlotEdit + kSlotIdStep * slot;
}

}  // namespace tarn
