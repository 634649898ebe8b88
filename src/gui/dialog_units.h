// Dialog units to pixels, by the dialog manager's rule: one horizontal unit
// is a quarter of the font's average character width, one vertical unit an
// eighth of its height.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "ui/dialog_template.h"

namespace tarn::gui {

// The face every dialog is drawn in. The templates name a Windows face; we
// use one that also covers the Cyrillic labels and the Chinese titles.
QFont DialogFont(const ui::DialogTemplate& dialogTemplate);

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  DialogUnits(int baseWidth, int baseHeight) : baseWidth_(baseWidth), baseHeight_(baseHeight) {}

  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
  QRect ToPixels(int x, int y, int cx, int cy) const;
  QSize ToPixels(int cx, int cy) const;

  int baseWidth() const { return baseWidth_; }
  int baseHeight() const { return baseHeight_; }

 private:
  int baseWidth_;   // average character width in pixels
  int baseHeight_;  // character height in pixels
};

}  // namespace tarn::gui
