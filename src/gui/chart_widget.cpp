#include "gui/chart_widget.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "gui/controls.h"
#include "gui/qt_text.h"
#include "ui/chart_layout.h"

namespace tarn::gui {
namespace {

constexpr int kMinPad = 2;
// One pixel, smoothed: the painter draws such lines on a fast path, about
// twenty times cheaper than wider smoothed lines, which matters for a chart
// that is repainted five times a second beside the polling.
constexpr qreal kLineWidth = 1.0;
constexpr int kSwatchThickness = 3;
// How much of the text colour goes into the grid and the plot's frame.
constexpr qreal kGridInk = 0.15;
constexpr qreal kFrameInk = 0.35;

QColor Blend(const QColor& base, const QColor& ink, qreal share) {
  return QColor::fromRgbF(base.redF() + (ink.redF() - base.redF()) * share,
                          base.greenF() + (ink.greenF() - base.greenF()) * share,
                          base.blueF() + (ink.blueF() - base.blueF()) * share);
}

}  // namespace

ChartWidget::ChartWidget(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

void ChartWidget::Show(const ui::ChartData& chart) {
  if (chart == data_) return;
  data_ = chart;
  update();
}

// The entries flow from left to right and onto further lines as the width
// asks; a name too long for a whole line is cut with an ellipsis.
std::vector<ChartWidget::LegendEntry> ChartWidget::LayOutLegend() const {
  const QFontMetrics metrics = fontMetrics();
  const int pad = std::max(kMinPad, metrics.averageCharWidth() / 2);
  const int swatchWidth = 2 * metrics.averageCharWidth();
  const int gap = metrics.averageCharWidth();
  const int line = metrics.height();
  const QRect inner = contentsRect().marginsRemoved(QMargins(pad, pad, pad, pad));
  std::vector<LegendEntry> entries;
  int x = inner.left();
  int y = inner.top();
  for (const ui::ChartSeries& series : data_.series) {
    QString label = ToQString(ui::ChartLegendLabel(series));
    const int room = std::max(0, inner.width() - swatchWidth - gap / 2);
    const int textWidth = std::min(metrics.horizontalAdvance(label), room);
    if (textWidth < metrics.horizontalAdvance(label)) {
      label = metrics.elidedText(label, Qt::ElideRight, room);
    }
    const int width = swatchWidth + gap / 2 + textWidth;
    if (x > inner.left() && x + width > inner.right() + 1) {
      x = inner.left();
      y += line;
    }
    const QRect swatch(x, y + (line - kSwatchThickness) / 2, swatchWidth, kSwatchThickness);
    entries.push_back({swatch, QRect(x + swatchWidth + gap / 2, y, textWidth, line), label});
    x += width + 2 * gap;
  }
  return entries;
}

int ChartWidget::LegendHeight() const {
  const std::vector<LegendEntry> entries = LayOutLegend();
  if (entries.empty()) return 0;
  return entries.back().text.bottom() + 1 - contentsRect().top();
}

QRect ChartWidget::PlotArea() const {
  const QFontMetrics metrics = fontMetrics();
  const int pad = std::max(kMinPad, metrics.averageCharWidth() / 2);
  const QRect inner = contentsRect();
  const int top = inner.top() + std::max(LegendHeight(), 0) + pad;
  const int bottom = inner.bottom() - pad - metrics.height();
  return {QPoint(inner.left() + pad, top), QPoint(inner.right() - pad, std::max(top, bottom))};
}

double ChartWidget::GridStep() const {
  const QFontMetrics metrics = fontMetrics();
  const double room = metrics.horizontalAdvance(ToQString(ui::kWidestChartGridLabel)) +
                      2 * metrics.averageCharWidth();
  return ui::ChartGridStep(data_, PlotArea().width(), room);
}

void ChartWidget::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QRect plot = PlotArea();
  PaintLegend(painter);
  PaintGrid(painter, plot);
  if (plot.width() <= 1 || plot.height() <= 1 || !ui::HasTimeAxis(data_)) return;
  painter.save();
  painter.setClipRect(plot);
  painter.setRenderHint(QPainter::Antialiasing);
  for (const ui::ChartSeries& series : data_.series) PaintSeries(painter, plot, series);
  painter.restore();
}

void ChartWidget::PaintLegend(QPainter& painter) const {
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  const std::vector<LegendEntry> entries = LayOutLegend();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    painter.fillRect(entries[i].swatch, ToQColor(data_.series[i].color));
    painter.drawText(entries[i].text, Qt::AlignLeft | Qt::AlignVCenter, entries[i].label);
  }
}

// Lines at whole multiples of the step, so that the grid moves with the lines
// as time goes on; each labelled with its time below the plot.
void ChartWidget::PaintGrid(QPainter& painter, const QRect& plot) const {
  const QColor base = palette().color(QPalette::Base);
  const QColor ink = palette().color(QPalette::Text);
  painter.setPen(Blend(base, ink, kFrameInk));
  painter.drawRect(plot.adjusted(0, 0, -1, -1));
  const double span = data_.spanSeconds;
  if (!ui::HasTimeAxis(data_) || plot.width() <= 1) return;
  const double step = GridStep();
  const double start = data_.endSeconds - span;
  // A span far longer than the largest step would put a line on every pixel.
  if (span / step > plot.width()) return;
  const QFontMetrics metrics = fontMetrics();
  const QRect inner = contentsRect();
  const auto firstLine = static_cast<long long>(std::ceil(start / step));
  const auto lastLine = static_cast<long long>(std::floor(data_.endSeconds / step));
  for (long long k = firstLine; k <= lastLine; ++k) {
    const double seconds = static_cast<double>(k) * step;
    const int x =
        plot.left() + static_cast<int>(std::lround((seconds - start) / span * (plot.width() - 1)));
    painter.setPen(Blend(base, ink, kGridInk));
    painter.drawLine(x, plot.top() + 1, x, plot.bottom() - 1);
    const QString label = ToQString(ui::ChartGridLabel(seconds, step));
    const int width = metrics.horizontalAdvance(label);
    const int left = std::clamp(x - width / 2, inner.left(), inner.right() + 1 - width);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(left, plot.bottom() + 1, width, inner.bottom() - plot.bottom()),
                     Qt::AlignCenter, label);
  }
}

// Only the points within the span are drawn, with their neighbours outside
// it so that the line runs to the edges. A value that is not a number leaves
// a gap.
void ChartWidget::PaintSeries(QPainter& painter, const QRect& plot,
                              const ui::ChartSeries& series) const {
  const double start = data_.endSeconds - data_.spanSeconds;

  // Each point at the centre of its pixel row, so that a reading that holds
  // still is one crisp row rather than two pale ones; slopes stay smooth.
  constexpr qreal kCentre = 0.5;
  const qreal xScale = (plot.width() - 1) / data_.spanSeconds;
  const qreal left = plot.left() + kCentre;
  const qreal height = plot.height() - 1;
  painter.setPen(QPen(ToQColor(series.color), kLineWidth));
  line_.clear();
  const auto flush = [&] {
    if (line_.size() == 1) painter.drawPoint(line_.front());
    if (line_.size() > 1) painter.drawPolyline(line_);
    line_.clear();
  };
  for (const ui::ChartPoint& p : ui::VisiblePoints(data_, series)) {
    if (!std::isfinite(p.value) || !std::isfinite(p.seconds)) {
      flush();
      continue;
    }
    const qreal row = plot.bottom() - ui::ChartLevel(series, p.value) * height;
    line_.append(QPointF(left + (p.seconds - start) * xScale, std::round(row) + kCentre));
  }
  flush();
}

}  // namespace tarn::gui
