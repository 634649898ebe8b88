// The Qt side of fitting a window to its screen: the frame a desktop draws,
// and the fit's geometry in Qt's types. The fit itself is the dialog
// layer's, shared with the Win32 front end.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

#include "ui/window_fit.h"

class QWidget;

namespace tarn::gui {

// The frame a desktop draws round a window: title bar and borders. A window
// that has not been shown has no known frame yet, so it is taken generously
// (a title bar of 32 pixels and borders of 8, as much as desktops draw at
// 100 %); a shown owner's real frame counts when it is larger.
QMargins WindowFrame(const QWidget* owner);

inline ui::Box ToBox(const QRect& rect) {
  return {rect.x(), rect.y(), rect.width(), rect.height()};
}
inline QRect ToQRect(const ui::Box& box) {
  return {box.left, box.top, box.width, box.height};
}
inline ui::Extent ToExtent(QSize size) {
  return {size.width(), size.height()};
}
inline ui::Margins ToMargins(const QMargins& margins) {
  return {margins.left(), margins.top(), margins.right(), margins.bottom()};
}

}  // namespace tarn::gui
