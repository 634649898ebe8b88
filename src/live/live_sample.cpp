#include "live/live_sample.h"

namespace tarn {

bool IsFresh(const MonitorItemDef& item, const std::array<bool, kLiveDataThirds>& accepted) {
  if (!ItemFits(item)) return false;
  const std::size_t first = static_cast<std::size_t>(item.offset);
  const auto width = static_cast<std::size_t>(ItemBytes(item));
  for (std::size_t third = first / kLiveDataThird; third <= (first + width - 1) / kLiveDataThird;
       ++third) {
    if (!accepted[third]) return false;
  }
  return true;
}

}  // namespace tarn
