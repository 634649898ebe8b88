// The chart control (ControlKind::Chart): a window class of our own, painted
// with GDI into a buffer. One line per series on its own vertical scale, a
// legend naming each series with its scale above the plot, a light grid at
// whole seconds (or tenths, or minutes, as the width allows) with the times
// below it. A value that is not a number leaves a gap in its line.
#pragma once

#include <windows.h>

#include "ui/control_data.h"

namespace tarn::win32 {

inline constexpr wchar_t kChartClass[] = L"TarnChart";

// Registers the class once per process; later calls do nothing.
void RegisterChartClass(HINSTANCE instance);

// Hands the chart its data; it repaints when the data changed.
void SetChartData(HWND chart, const ui::ChartData& data);

}  // namespace tarn::win32
