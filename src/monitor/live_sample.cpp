#include "monitor/live_sample.h"

namespace tarn {

bool IsFresh(const MonitorItemDef& item, const std::array<bool, kLiveDataThirds>& accepted) {
  if (!ItemFits(item)) return false;
  const std::size_t first = static_cast<std::size_t>(item.offset);
  // ItemFits admits only single bytes (pro 1) and groups of pos + 1 bytes.
  const std::size_t width = item.pro == 1 ? 1 : static_cast<std::size_t>(item.pos) + 1;
  for (std::size_t third = first / kLiveDataThird; third <= (first + width - 1) / kLiveDataThird;
       ++third) {
    if (!accepted[third]) return false;
  }
  return true;
}

}  // namespace tarn
