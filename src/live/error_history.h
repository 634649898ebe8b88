// The history of the controller's errors since the program started: every
// bit of the error word that was ever set, when it was first and last seen,
// and in how many polls it was active. A fault that shows for a single poll
// stays listed until the user clears the list.
//
// Threading: one thread (the UI thread) uses an ErrorHistory.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "model/definitions.h"
#include "live/live_sample.h"

namespace tarn {

inline constexpr int kErrorWordBits = 32;

struct ErrorRecord {
  int bit = 0;
  std::chrono::system_clock::time_point firstSeen{};
  std::chrono::system_clock::time_point lastSeen{};
  std::int64_t polls = 0;  // polls whose error word had this bit set
  bool activeNow = false;  // set in the last error word received
};

class ErrorHistory {
 public:
  explicit ErrorHistory(const DefinitionSet& defs);

  // Counts the set bits of the sample's error word. A poll whose error word
  // was not received changes nothing: what is active stays as last seen.
  void Take(const LiveSample& sample);
  // Forgets every record; bits still set are listed again from the next poll.
  void Clear();

  // The bits seen, lowest bit first.
  std::vector<ErrorRecord> Records() const;
  // The bits set in the last error word received since the last Clear.
  std::uint32_t ActiveBits() const { return active_; }
  bool IsActive(int bit) const;

 private:
  const DefinitionSet& defs_;
  std::array<ErrorRecord, kErrorWordBits> records_{};  // polls == 0: never seen
  std::uint32_t active_ = 0;
};

}  // namespace tarn
