#include "live/error_history.h"

#include "live/live_items.h"

namespace tarn {

ErrorHistory::ErrorHistory(const DefinitionSet& defs) : defs_(defs) {}

void ErrorHistory::Take(const LiveSample& sample) {
  const int index = ErrorWordIndex(defs_);
  if (index < 0) return;
  const MonitorItemDef& item = defs_.monitorItems[static_cast<std::size_t>(index)];
  if (!IsFresh(item, sample)) return;
  active_ = ReadWord(item, sample.block);
  for (int bit = 0; bit < kErrorWordBits; ++bit) {
    ErrorRecord& record = records_[static_cast<std::size_t>(bit)];
    record.activeNow = ((active_ >> bit) & 1U) != 0;
    if (!record.activeNow) continue;
    if (record.polls == 0) {
      record.bit = bit;
      record.firstSeen = sample.wallTime;
    }
    record.lastSeen = sample.wallTime;
    ++record.polls;
  }
}

void ErrorHistory::Clear() {
  records_ = {};
  active_ = 0;
}

std::vector<ErrorRecord> ErrorHistory::Records() const {
  std::vector<ErrorRecord> seen;
  for (const ErrorRecord& record : records_) {
    if (record.polls > 0) seen.push_back(record);
  }
  return seen;
}

bool ErrorHistory::IsActive(int bit) const {
  return bit >= 0 && bit < kErrorWordBits && ((active_ >> bit) & 1U) != 0;
}

}  // namespace tarn
