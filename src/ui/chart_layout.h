// What both hosts draw the same way on a chart: whether it has a time axis,
// the step of its time grid, the texts of its legend and grid, and the points
// that fall within its span. The hosts only measure text and paint.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "ui/control_data.h"

namespace tarn::ui {

// The widest grid label, for measuring the room a label needs.
inline constexpr std::u16string_view kWidestChartGridLabel = u"-0000.0 s";

// Whether the chart has a time axis to draw on: a span of some length that
// ends at a time a grid can be counted in.
bool HasTimeAxis(const ChartData& chart);

// The smallest of the usual grid steps (0.1 s to an hour) whose lines lie at
// least `room` pixels apart on a plot `width` pixels wide; the largest step
// when none does or the chart has no time axis.
double ChartGridStep(const ChartData& chart, int width, double room);

// A scale's end as a person reads it: whole numbers without a fraction.
std::u16string ChartScaleNumber(double value);
// "Speed (0 … 10000)": a series' name with the scale it is drawn on.
std::u16string ChartLegendLabel(const ChartSeries& series);
// "-20 s", or "-1.5 s" for steps under a second.
std::u16string ChartGridLabel(double seconds, double step);

// The points within the span, with one neighbour on each side so that the
// line runs to the plot's edges.
std::span<const ChartPoint> VisiblePoints(const ChartData& chart, const ChartSeries& series);

}  // namespace tarn::ui
