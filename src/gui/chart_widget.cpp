#include "gui/chart_widget.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

#include "gui/controls.h"
#include "gui/qt_text.h"

namespace tarn::gui {
namespace {

// Grid steps in seconds, from which the smallest that leaves room for its
// labels is taken.
constexpr std::array<double, 17> kGridSteps = {0.1, 0.2, 0.5, 1,   2,   5,    10,   15,  20,
                                               30,  60,  120, 300, 600, 1200, 1800, 3600};
constexpr int kMinPad = 2;
// One pixel, smoothed: the painter draws such lines on a fast path, about
// twenty times cheaper than wider smoothed lines, which matters for a chart
// that is repainted five times a second beside the polling.
constexpr qreal kLineWidth = 1.0;
constexpr int kSwatchThickness = 3;
// How much of the text colour goes into the grid and the plot's frame.
constexpr qreal kGridInk = 0.15;
constexpr qreal kFrameInk = 0.35;
// The widest label the grid must leave room for.
const QString kWidestGridLabel = QStringLiteral("-0000.0 s");

QColor Blend(const QColor& base, const QColor& ink, qreal share) {
  return QColor::fromRgbF(base.redF() + (ink.redF() - base.redF()) * share,
                          base.greenF() + (ink.greenF() - base.greenF()) * share,
                          base.blueF() + (ink.blueF() - base.blueF()) * share);
}

// A scale's end as a person reads it: whole numbers without a fraction.
QString ScaleNumber(double value) {
  constexpr double kLargestWhole = 1e9;
  if (std::abs(value) < kLargestWhole && value == std::round(value)) {
    return QString::number(static_cast<qint64>(value));
  }
  return QString::number(value, 'g', 6);
}

// Whether the chart has a time axis to draw on: a span of some length that
// ends at a time a grid can be counted in.
bool HasTimeAxis(const ui::ChartData& chart) {
  constexpr double kLatest = 1e12;  // seconds; beyond, steps no longer count
  return chart.spanSeconds > 0 && std::isfinite(chart.spanSeconds) &&
         std::abs(chart.endSeconds) < kLatest && chart.spanSeconds < kLatest;
}

QString LegendLabel(const ui::ChartSeries& series) {
  return QStringLiteral("%1 (%2 \u2026 %3)")
      .arg(ToQString(series.name), ScaleNumber(series.min), ScaleNumber(series.max));
}

QString GridLabel(double seconds, double step) {
  // Adding zero turns a negative zero into zero.
  const double shown = seconds + 0.0;
  const QString number =
      step < 1 ? QString::number(shown, 'f', 1) : QString::number(std::llround(shown));
  return number + QStringLiteral(" s");
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
    QString label = LegendLabel(series);
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
  const int width = PlotArea().width();
  if (width <= 0 || !HasTimeAxis(data_)) return kGridSteps.back();
  const QFontMetrics metrics = fontMetrics();
  const double room = metrics.horizontalAdvance(kWidestGridLabel) + 2 * metrics.averageCharWidth();
  for (const double step : kGridSteps) {
    if (step / data_.spanSeconds * width >= room) return step;
  }
  return kGridSteps.back();
}

void ChartWidget::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QRect plot = PlotArea();
  PaintLegend(painter);
  PaintGrid(painter, plot);
  if (plot.width() <= 1 || plot.height() <= 1 || !HasTimeAxis(data_)) return;
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
  if (!HasTimeAxis(data_) || plot.width() <= 1) return;
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
    const QString label = GridLabel(seconds, step);
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
  const auto& points = series.points;
  auto first = std::lower_bound(points.begin(), points.end(), start,
                                [](const ui::ChartPoint& p, double t) { return p.seconds < t; });
  if (first != points.begin()) --first;
  auto last = std::upper_bound(points.begin(), points.end(), data_.endSeconds,
                               [](double t, const ui::ChartPoint& p) { return t < p.seconds; });
  if (last != points.end()) ++last;

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
  for (auto p = first; p != last; ++p) {
    if (!std::isfinite(p->value) || !std::isfinite(p->seconds)) {
      flush();
      continue;
    }
    const qreal row = plot.bottom() - ui::ChartLevel(series, p->value) * height;
    line_.append(QPointF(left + (p->seconds - start) * xScale, std::round(row) + kCentre));
  }
  flush();
}

}  // namespace tarn::gui
