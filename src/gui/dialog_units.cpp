#include "gui/dialog_units.h"

#include <QFontMetricsF>
#include <QScreen>
#include <QStringList>
#include <cmath>
#include <string_view>

namespace tarn::gui {
namespace {

const QStringList kFamilies = {QStringLiteral("Liberation Sans"),
                               QStringLiteral("Noto Sans CJK SC"),
                               QStringLiteral("WenQuanYi Micro Hei")};

// The average width is taken over the 52 Latin letters, as the dialog
// manager does: their total width in whole pixels per letter, halved from
// 26 and rounded up from the half.
constexpr char kAverageSample[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kHalfSample = 26;
constexpr int kUnitsPerBaseWidth = 4;
constexpr int kUnitsPerBaseHeight = 8;
constexpr int kDefaultPoints = 9;  // the templates' usual size
constexpr qreal kPointsPerInch = 72.0;

int PointsOf(const QFont& font) {
  return font.pointSize() > 0 ? font.pointSize() : kDefaultPoints;
}

}  // namespace

QFont DialogFont(const ui::DialogTemplate& dialogTemplate) {
  QFont font;
  font.setFamilies(kFamilies);
  font.setPointSize(dialogTemplate.fontPoints > 0 ? dialogTemplate.fontPoints : kDefaultPoints);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

// The font is made as the dialog manager makes it, with a height of whole
// pixels at the screen's resolution; its character height is the ascent and
// the descent, each rounded to whole pixels.
DialogUnits DialogUnits::Measure(const QFont& font, qreal dotsPerInch, qreal devicePixelRatio) {
  QFont sized = font;
  sized.setPixelSize(static_cast<int>(std::lround(PointsOf(font) * dotsPerInch / kPointsPerInch)));
  const QFontMetricsF metrics(sized);
  int sampleWidth = 0;
  for (const char letter : std::string_view(kAverageSample)) {
    sampleWidth += static_cast<int>(std::lround(metrics.horizontalAdvance(QLatin1Char(letter))));
  }
  const int width = (sampleWidth / kHalfSample + 1) / 2;
  const int height = static_cast<int>(std::lround(metrics.ascent()) + std::lround(metrics.descent()));
  const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  return {width / ratio, height / ratio};
}

DialogUnits DialogUnits::OnScreen(const ui::DialogTemplate& dialogTemplate, const QScreen& screen) {
  const qreal ratio = screen.devicePixelRatio();
  return Measure(DialogFont(dialogTemplate), screen.logicalDotsPerInchY() * ratio, ratio);
}

int DialogUnits::ToPixelsX(int units) const {
  return static_cast<int>(std::lround(units * baseWidth_ * scale_ / kUnitsPerBaseWidth));
}

int DialogUnits::ToPixelsY(int units) const {
  return static_cast<int>(std::lround(units * baseHeight_ * scale_ / kUnitsPerBaseHeight));
}

QRect DialogUnits::ToPixels(int x, int y, int cx, int cy) const {
  const int left = ToPixelsX(x);
  const int top = ToPixelsY(y);
  return QRect(left, top, ToPixelsX(x + cx) - left, ToPixelsY(y + cy) - top);
}

QSize DialogUnits::ToPixels(int cx, int cy) const {
  return QSize(ToPixelsX(cx), ToPixelsY(cy));
}

}  // namespace tarn::gui
