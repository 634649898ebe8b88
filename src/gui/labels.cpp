#include "gui/labels.h"

#include <QFontMetricsF>
#include <algorithm>

#include "gui/controls.h"

namespace tarn::gui {
namespace {

constexpr int kFullPercent = 100;
constexpr int kStepPercent = 5;
// The floor: below this share of the dialog font a label is cut instead.
constexpr int kFloorPercent = 80;
const QChar kSpace(u' ');

}  // namespace

LabelLayout LayOutLabel(const QString& text, const QFont& font, QSize band) {
  const QFontMetricsF metrics(font);
  const qreal width = band.width();
  const int room = std::max(1, static_cast<int>(band.height() / metrics.height()));
  LabelLayout layout;
  QStringList words = text.split(kSpace, Qt::SkipEmptyParts);
  while (!words.isEmpty()) {
    const QString rest = words.join(kSpace);
    if (static_cast<int>(layout.lines.size()) + 1 == room ||
        metrics.horizontalAdvance(words.front()) > width) {
      // The last line, or a word too long for any line: what is left goes
      // here, cut with an ellipsis if it must be.
      const QString shown = metrics.elidedText(rest, Qt::ElideRight, width);
      layout.cut = shown != rest;
      layout.lines << shown;
      break;
    }
    QString line = words.takeFirst();
    while (!words.isEmpty() &&
           metrics.horizontalAdvance(line + kSpace + words.front()) <= width) {
      line += kSpace + words.takeFirst();
    }
    layout.lines << line;
  }
  return layout;
}

void LabelGroup::SetFont(const QFont& font) {
  base_ = font;
  dirty_ = true;
}

void LabelGroup::Add(const StaticTextWidget* label) {
  labels_.push_back(label);
  dirty_ = true;
}

QFont LabelGroup::FontAt(int percent) const {
  QFont font = base_;
  font.setPointSizeF(base_.pointSizeF() * percent / kFullPercent);
  return font;
}

// Labels that would be cut even at the floor do not pull the others down.
const QFont& LabelGroup::Font() const {
  if (!dirty_) return chosen_;
  dirty_ = false;
  const QFont floor = FontAt(kFloorPercent);
  std::vector<const StaticTextWidget*> fitting;
  for (const StaticTextWidget* label : labels_) {
    if (!label->isHidden() && !LayOutLabel(label->text(), floor, label->TextBand()).cut) {
      fitting.push_back(label);
    }
  }
  for (int percent = kFullPercent; percent > kFloorPercent; percent -= kStepPercent) {
    chosen_ = FontAt(percent);
    const bool allFit = std::none_of(fitting.begin(), fitting.end(), [this](const auto* label) {
      return LayOutLabel(label->text(), chosen_, label->TextBand()).cut;
    });
    if (allFit) return chosen_;
  }
  chosen_ = floor;
  return chosen_;
}

}  // namespace tarn::gui
