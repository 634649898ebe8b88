#include "gui/window_fit.h"

#include <QWidget>
#include <algorithm>

namespace tarn::gui {
namespace {

constexpr int kTitleBarEstimate = 32;
constexpr int kBorderEstimate = 8;
constexpr qreal kSmallestLegiblePoints = 7.0;
// Rounding each edge to whole pixels may add half a pixel; this keeps the
// scaled dialog inside its room.
constexpr int kRoundingSlack = 1;

qreal Ratio(int room, int natural) {
  return natural > 0 ? static_cast<qreal>(room) / natural : 1.0;
}

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

qreal LegibleScale(const ui::DialogTemplate& dialogTemplate) {
  const int points = dialogTemplate.fontPoints > 0 ? dialogTemplate.fontPoints : 1;
  return std::min(1.0, kSmallestLegiblePoints / points);
}

qreal FitScale(QSize natural, QSize fixed, QSize area, qreal legible) {
  const qreal across = Ratio(area.width() - fixed.width() - kRoundingSlack, natural.width());
  const qreal down = Ratio(area.height() - fixed.height() - kRoundingSlack, natural.height());
  return std::clamp(std::min({1.0, across, down}), std::min(legible, 1.0), 1.0);
}

QRect PlaceWindow(QSize client, const QMargins& frame, const QRect& area, QPoint centre) {
  QRect outer(QPoint(0, 0), client.grownBy(frame));
  outer.moveCenter(centre);
  if (outer.right() > area.right()) outer.moveRight(area.right());
  if (outer.bottom() > area.bottom()) outer.moveBottom(area.bottom());
  if (outer.left() < area.left()) outer.moveLeft(area.left());
  if (outer.top() < area.top()) outer.moveTop(area.top());
  return outer.marginsRemoved(frame);
}

}  // namespace tarn::gui
