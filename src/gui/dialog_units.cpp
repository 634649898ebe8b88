#include "gui/dialog_units.h"

#include <QFontMetrics>
#include <QStringList>

namespace tarn::gui {
namespace {

// Noto Sans CJK carries Latin, Cyrillic and Chinese in one face, so the
// metrics that size the dialog are those of the glyphs it shows.
const QStringList kFamilies = {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")};

// The average width is measured over the 52 Latin letters, as the dialog
// manager does, and rounded to the nearest pixel.
constexpr char kAverageSample[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kSampleLength = 52;
constexpr int kUnitsPerBaseWidth = 4;
constexpr int kUnitsPerBaseHeight = 8;
constexpr int kDefaultPoints = 9;  // the templates' usual size

int MulDivRounded(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

}  // namespace

QFont DialogFont(const ui::DialogTemplate& dialogTemplate) {
  QFont font;
  font.setFamilies(kFamilies);
  font.setPointSize(dialogTemplate.fontPoints > 0 ? dialogTemplate.fontPoints : kDefaultPoints);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int sampleWidth = metrics.horizontalAdvance(QString::fromLatin1(kAverageSample));
  baseWidth_ = (sampleWidth / (kSampleLength / 2) + 1) / 2;
  baseHeight_ = metrics.height();
}

int DialogUnits::ToPixelsX(int units) const {
  return MulDivRounded(units, baseWidth_, kUnitsPerBaseWidth);
}

int DialogUnits::ToPixelsY(int units) const {
  return MulDivRounded(units, baseHeight_, kUnitsPerBaseHeight);
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
