// What a live chart draws: for up to four chosen number items, their values
// over the last 60 seconds, each on its own scale from the item's min and
// max in the monitor definition text. The samples are kept in a ring of 300
// (60 s of polls), so memory stays the same however long the monitor runs;
// the values are read from the kept blocks when drawn, so an item chosen
// later shows its last minute at once. Pause freezes what is drawn while the
// polls go on filling the ring.
//
// Threading: one thread (the UI thread) uses a ChartSeries.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/definitions.h"
#include "live/live_sample.h"

namespace tarn {

inline constexpr std::size_t kChartSamples = 300;
inline constexpr std::chrono::seconds kChartSpan{60};
inline constexpr std::size_t kMaxChartItems = 4;

// The vertical scale of one item: min at the bottom, max at the top.
struct ChartScale {
  std::int32_t min = 0;
  std::int32_t max = 1;
  // Where `value` lies between min (0) and max (1); outside for values out
  // of the range, which the chart clips.
  double Fraction(double value) const;
};

struct ChartPoint {
  double seconds = 0;                 // before the newest point: -60 .. 0
  std::optional<std::int32_t> value;  // nothing: not received (a gap)
};

class ChartSeries {
 public:
  explicit ChartSeries(const DefinitionSet& defs);

  // Chooses the items drawn (indices into monitorItems, in drawing order).
  // False, and the choice stays, for more than four items, a repeated one,
  // or one the page does not show as a number.
  bool Choose(std::span<const int> items);
  const std::vector<int>& Chosen() const { return chosen_; }

  void Take(const LiveSample& sample);

  // While paused, the series show the samples as they were when the pause
  // began; the ring still takes every poll.
  void SetPaused(bool paused);
  bool Paused() const { return paused_; }

  // The points of chosen item `k`, oldest first, within 60 s of the newest.
  std::vector<ChartPoint> Series(std::size_t k) const;
  ChartScale Scale(std::size_t k) const;
  // Samples within 60 s of the newest one, as the series show them.
  std::size_t Size() const;

 private:
  struct Kept {
    std::chrono::steady_clock::time_point time{};
    std::array<bool, kLiveDataThirds> accepted{};
    MonitorBlock block{};
  };
  struct Ring {
    std::array<Kept, kChartSamples> samples{};
    std::size_t next = 0;   // where the next sample goes
    std::size_t count = 0;  // samples kept, at most kChartSamples
    // The i-th kept sample, oldest first.
    const Kept& At(std::size_t i) const;
    // Samples from this index on lie within 60 s of the newest.
    std::size_t FirstInSpan() const;
  };

  const Ring& Shown() const { return paused_ ? frozen_ : live_; }

  const DefinitionSet& defs_;
  std::vector<int> chosen_;
  Ring live_;
  Ring frozen_;
  bool paused_ = false;
};

}  // namespace tarn
