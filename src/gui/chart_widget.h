// A chart control: each series of its dialog's chart as a line over the time
// axis, each on its own vertical scale, with a legend that names every series
// in its colour with its scale, and a light time grid labelled in seconds.
// Painted with QPainter alone, and only when what it shows has changed.
#pragma once

#include <QFrame>
#include <QPolygonF>
#include <vector>

#include "ui/control_data.h"

namespace tarn::gui {

class ChartWidget : public QFrame {
 public:
  explicit ChartWidget(QWidget* parent);

  // Shows the dialog's chart; repaints only when it differs from the last.
  void Show(const ui::ChartData& chart);
  const ui::ChartData& data() const { return data_; }

  // Where the lines are drawn: the top edge is each series' max, the bottom
  // edge its min, the left edge the start of the span and the right edge
  // its end.
  QRect PlotArea() const;
  // The time between two lines of the grid, in seconds.
  double GridStep() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct LegendEntry {
    QRect swatch;
    QRect text;
    QString label;
  };
  std::vector<LegendEntry> LayOutLegend() const;
  int LegendHeight() const;
  void PaintLegend(QPainter& painter) const;
  void PaintGrid(QPainter& painter, const QRect& plot) const;
  void PaintSeries(QPainter& painter, const QRect& plot, const ui::ChartSeries& series) const;

  ui::ChartData data_;
  mutable QPolygonF line_;  // reused by every paint
};

}  // namespace tarn::gui
