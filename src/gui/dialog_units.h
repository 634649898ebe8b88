// Dialog units to pixels, by the dialog manager's rule: one horizontal unit
// is a quarter of the dialog font's average character width, one vertical
// unit an eighth of its height, both measured at the screen's resolution.
// A dialog too large for its screen is drawn smaller: every unit is scaled
// alike, and the font with it.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "ui/dialog_template.h"

class QScreen;

namespace tarn::gui {

// The face every dialog is drawn in, at the template's size. The templates
// name Windows faces; Liberation Sans has the metrics of the Arial-like face
// they stand for and carries Cyrillic, and the Chinese captions come from the
// CJK fallback family. Only the first family sizes the dialog.
QFont DialogFont(const ui::DialogTemplate& dialogTemplate);

class DialogUnits {
 public:
  // The base units of `font` measured as the dialog manager does on a screen
  // of `dotsPerInch` device pixels per inch, given in logical pixels of a
  // screen with `devicePixelRatio` device pixels to one logical pixel.
  static DialogUnits Measure(const QFont& font, qreal dotsPerInch, qreal devicePixelRatio);
  // The template's dialog font measured on `screen`.
  static DialogUnits OnScreen(const ui::DialogTemplate& dialogTemplate, const QScreen& screen);

  // Base units in logical pixels; `scale` shrinks (or grows) every unit alike.
  DialogUnits(qreal baseWidth, qreal baseHeight, qreal scale = 1.0)
      : baseWidth_(baseWidth), baseHeight_(baseHeight), scale_(scale) {}
  DialogUnits WithScale(qreal scale) const { return {baseWidth_, baseHeight_, scale}; }

  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
  // Edges are converted, so neighbouring controls stay flush.
  QRect ToPixels(int x, int y, int cx, int cy) const;
  QSize ToPixels(int cx, int cy) const;

  qreal baseWidth() const { return baseWidth_; }    // average character width
  qreal baseHeight() const { return baseHeight_; }  // character height
  qreal scale() const { return scale_; }

 private:
  qreal baseWidth_;
  qreal baseHeight_;
  qreal scale_;
};

}  // namespace tarn::gui
