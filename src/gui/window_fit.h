// How a top-level window meets its screen: the whole window, frame and title
// bar included, lies inside the screen's available area (the taskbar left
// out). A dialog whose natural size does not fit is drawn smaller, every
// dialog unit scaled alike, down to a size that stays legible.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

#include "ui/dialog_template.h"

class QWidget;

namespace tarn::gui {

// The frame a desktop draws round a window: title bar and borders. A window
// that has not been shown has no known frame yet, so it is taken generously
// (a title bar of 32 pixels and borders of 8, as much as desktops draw at
// 100 %); a shown owner's real frame counts when it is larger.
QMargins WindowFrame(const QWidget* owner);

// The smallest scale at which the template's font stays legible.
qreal LegibleScale(const ui::DialogTemplate& dialogTemplate);

// The scale at which a dialog of `natural` size fits into `area` together
// with `fixed`, the part of the window that does not scale (its frame and
// title bar, and anything placed beside the dialog, such as a menu bar above
// it): 1 when it fits as it is, never below `legible`.
qreal FitScale(QSize natural, QSize fixed, QSize area, qreal legible);

// The client rectangle of a window of `client` size whose frame is centred
// on `centre`, moved back inside `area` where it reaches out of it (a window
// larger than the area keeps its title bar inside).
QRect PlaceWindow(QSize client, const QMargins& frame, const QRect& area, QPoint centre);

}  // namespace tarn::gui
