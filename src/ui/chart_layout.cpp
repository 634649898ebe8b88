#include "ui/chart_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace tarn::ui {
namespace {

constexpr std::array<double, 17> kGridSteps = {0.1, 0.2, 0.5, 1,   2,   5,    10,   15,  20,
                                               30,  60,  120, 300, 600, 1200, 1800, 3600};
constexpr double kLatest = 1e12;        // seconds; beyond, grid steps no longer count
constexpr double kLargestWhole = 1e9;   // shown without an exponent

std::u16string Ascii(const char* text) {
  std::u16string wide;
  for (const char* c = text; *c != '\0'; ++c) wide.push_back(static_cast<char16_t>(*c));
  return wide;
}

}  // namespace

bool HasTimeAxis(const ChartData& chart) {
  return chart.spanSeconds > 0 && std::isfinite(chart.spanSeconds) &&
         std::abs(chart.endSeconds) < kLatest && chart.spanSeconds < kLatest;
}

double ChartGridStep(const ChartData& chart, int width, double room) {
  if (width <= 0 || !HasTimeAxis(chart)) return kGridSteps.back();
  for (const double step : kGridSteps) {
    if (step / chart.spanSeconds * width >= room) return step;
  }
  return kGridSteps.back();
}

std::u16string ChartScaleNumber(double value) {
  char text[32];
  if (std::abs(value) < kLargestWhole && value == std::round(value)) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  } else {
    std::snprintf(text, sizeof text, "%.6g", value);
  }
  return Ascii(text);
}

std::u16string ChartLegendLabel(const ChartSeries& series) {
  return series.name + u" (" + ChartScaleNumber(series.min) + u" \u2026 " +
         ChartScaleNumber(series.max) + u")";
}

std::u16string ChartGridLabel(double seconds, double step) {
  char text[32];
  // Adding zero turns a negative zero into zero.
  const double shown = seconds + 0.0;
  if (step < 1) {
    std::snprintf(text, sizeof text, "%.1f s", shown);
  } else {
    std::snprintf(text, sizeof text, "%lld s", std::llround(shown));
  }
  return Ascii(text);
}

std::span<const ChartPoint> VisiblePoints(const ChartData& chart, const ChartSeries& series) {
  const double start = chart.endSeconds - chart.spanSeconds;
  const auto& points = series.points;
  auto first = std::lower_bound(points.begin(), points.end(), start,
                                [](const ChartPoint& p, double t) { return p.seconds < t; });
  if (first != points.begin()) --first;
  auto last = std::upper_bound(points.begin(), points.end(), chart.endSeconds,
                               [](double t, const ChartPoint& p) { return t < p.seconds; });
  if (last != points.end()) ++last;
  if (first >= last) return {};
  return {first, last};
}

}  // namespace tarn::ui
