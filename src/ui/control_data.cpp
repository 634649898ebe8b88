#include "ui/control_data.h"

#include <algorithm>

namespace tarn::ui {

double ChartLevel(const ChartSeries& series, double value) {
  constexpr double kMiddle = 0.5;
  const double extent = series.max - series.min;
  if (!(extent > 0)) {
    return kMiddle;
  }
  return std::clamp((value - series.min) / extent, 0.0, 1.0);
}

}  // namespace tarn::ui
