#include "gui/window_fit.h"

#include <QWidget>
#include <algorithm>

namespace tarn::gui {
namespace {

constexpr int kTitleBarEstimate = 32;
constexpr int kBorderEstimate = 8;

}  // namespace

QMargins WindowFrame(const QWidget* owner) {
  QMargins frame(kBorderEstimate, kTitleBarEstimate, kBorderEstimate, kBorderEstimate);
  if (owner != nullptr && owner->isVisible()) {
    const QRect outer = owner->frameGeometry();
    const QRect inner = owner->geometry();
    frame.setLeft(std::max(frame.left(), inner.left() - outer.left()));
    frame.setTop(std::max(frame.top(), inner.top() - outer.top()));
    frame.setRight(std::max(frame.right(), outer.right() - inner.right()));
    frame.setBottom(std::max(frame.bottom(), outer.bottom() - inner.bottom()));
  }
  return frame;
}

}  // namespace tarn::gui
