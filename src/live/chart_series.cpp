#include "live/chart_series.h"

#include <algorithm>

#include "live/live_items.h"

namespace tarn {

double ChartScale::Fraction(double value) const {
  // A definition whose max is not above its min still gets a usable scale
  // of one unit from min.
  const double span = max > min ? static_cast<double>(max) - min : 1.0;
  return (value - min) / span;
}

ChartSeries::ChartSeries(const DefinitionSet& defs) : defs_(defs) {}

bool ChartSeries::Choose(std::span<const int> items) {
  if (items.size() > kMaxChartItems) return false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const int item = items[i];
    if (!IsShownItem(defs_, item)) return false;
    if (!IsNumberItem(defs_.monitorItems[static_cast<std::size_t>(item)])) return false;
    if (std::find(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(i), item) !=
        items.begin() + static_cast<std::ptrdiff_t>(i)) {
      return false;
    }
  }
  chosen_.assign(items.begin(), items.end());
  return true;
}

void ChartSeries::Take(const LiveSample& sample) {
  live_.samples[live_.next] = {sample.steadyTime, sample.accepted, sample.block};
  live_.next = (live_.next + 1) % kChartSamples;
  live_.count = std::min(live_.count + 1, kChartSamples);
}

void ChartSeries::SetPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  if (paused_) frozen_ = live_;
}

const ChartSeries::Kept& ChartSeries::Ring::At(std::size_t i) const {
  const std::size_t oldest = (next + kChartSamples - count) % kChartSamples;
  return samples[(oldest + i) % kChartSamples];
}

std::size_t ChartSeries::Ring::FirstInSpan() const {
  if (count == 0) return 0;
  const auto newest = At(count - 1).time;
  std::size_t first = 0;
  // A poll that was stopped for a while leaves older samples in the ring;
  // only the last 60 s are drawn.
  while (first < count && newest - At(first).time > kChartSpan) ++first;
  return first;
}

std::vector<ChartPoint> ChartSeries::Series(std::size_t k) const {
  std::vector<ChartPoint> points;
  if (k >= chosen_.size()) return points;
  const MonitorItemDef& item = defs_.monitorItems[static_cast<std::size_t>(chosen_[k])];
  const Ring& ring = Shown();
  if (ring.count == 0) return points;
  const auto newest = ring.At(ring.count - 1).time;
  points.reserve(ring.count);
  for (std::size_t i = ring.FirstInSpan(); i < ring.count; ++i) {
    const Kept& kept = ring.At(i);
    ChartPoint point;
    point.seconds = std::chrono::duration<double>(kept.time - newest).count();
    if (IsFresh(item, kept.accepted)) point.value = ItemNumber(item, kept.block);
    points.push_back(point);
  }
  return points;
}

ChartScale ChartSeries::Scale(std::size_t k) const {
  if (k >= chosen_.size()) return {};
  const MonitorItemDef& item = defs_.monitorItems[static_cast<std::size_t>(chosen_[k])];
  return {item.min, item.max};
}

std::size_t ChartSeries::Size() const {
  const Ring& ring = Shown();
  return ring.count - ring.FirstInSpan();
}

}  // namespace tarn
