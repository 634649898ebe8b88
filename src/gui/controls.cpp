#include "gui/controls.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>

namespace tarn::gui {
namespace {

constexpr int kRedShift = 16;
constexpr int kGreenShift = 8;
constexpr int kByteMask = 0xFF;
constexpr int kEtchedThickness = 2;  // pixels: a dark and a light line

int AlignmentOf(const ui::ControlTemplate& control) {
  int horizontal = Qt::AlignLeft;
  if (control.align == ui::TextAlign::Center) horizontal = Qt::AlignHCenter;
  if (control.align == ui::TextAlign::Right) horizontal = Qt::AlignRight;
  return horizontal | (control.centerVertically ? Qt::AlignVCenter : Qt::AlignTop);
}

// Sets the palette's text role only when the colour really changed, since a
// palette change schedules another paint.
void SyncTextColor(QWidget& widget, QPalette::ColorRole role, const std::optional<ui::Rgb>& rgb) {
  const QColor wanted =
      rgb ? ToQColor(*rgb) : QApplication::palette(&widget).color(QPalette::Active, role);
  QPalette palette = widget.palette();
  if (palette.color(QPalette::Active, role) == wanted &&
      palette.color(QPalette::Inactive, role) == wanted) {
    return;
  }
  palette.setColor(QPalette::Active, role, wanted);
  palette.setColor(QPalette::Inactive, role, wanted);
  widget.setPalette(palette);
}

}  // namespace

QColor ToQColor(ui::Rgb rgb) {
  return QColor((rgb >> kRedShift) & kByteMask, (rgb >> kGreenShift) & kByteMask, rgb & kByteMask);
}

Qt::CheckState ToQtCheckState(ui::CheckState state) {
  switch (state) {
    case ui::CheckState::Unchecked:
      return Qt::Unchecked;
    case ui::CheckState::Checked:
      return Qt::Checked;
    case ui::CheckState::Indeterminate:
      return Qt::PartiallyChecked;
  }
  return Qt::Unchecked;
}

StaticTextWidget::StaticTextWidget(const ui::ControlTemplate& control, ColorQuery colors,
                                   LabelGroup* labels, QWidget* parent)
    : QFrame(parent),
      id_(control.id),
      alignment_(AlignmentOf(control)),
      singleLine_(control.centerVertically),
      labels_(labels),
      colors_(std::move(colors)) {
  // A label takes the mouse for its tooltip; other texts let it through.
  if (labels_ != nullptr) {
    labels_->Add(this);
  } else {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  if (control.staticEdge) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
  }
}

void StaticTextWidget::PlaceAt(const QRect& templateRect, int spill, const QRect& clip) {
  const QRect band = IsLabel() ? templateRect.adjusted(0, -spill, 0, spill) : templateRect;
  setGeometry(clip.isNull() ? band : band.intersected(clip));
  if (labels_ != nullptr) labels_->Invalidate();
}

void StaticTextWidget::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  if (labels_ != nullptr) {
    setToolTip(text_);
    labels_->Invalidate();
  }
  update();
}

QFont StaticTextWidget::DrawingFont() const {
  return labels_ != nullptr ? labels_->Font() : font();
}

LabelLayout StaticTextWidget::Lines() const {
  return LayOutLabel(text_, DrawingFont(), TextBand());
}

// Whether a label is shown decides whether it has a say in the labels' size.
bool StaticTextWidget::event(QEvent* event) {
  if (labels_ != nullptr &&
      (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
    labels_->Invalidate();
  }
  return QFrame::event(event);
}

void StaticTextWidget::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const std::optional<ui::Rgb> rgb = colors_ ? colors_(id_) : std::nullopt;
  QColor pen = rgb ? ToQColor(*rgb) : palette().color(QPalette::WindowText);
  if (!isEnabled()) pen = palette().color(QPalette::Disabled, QPalette::WindowText);
  painter.setPen(pen);
  if (labels_ == nullptr) {
    const int flags = alignment_ | (singleLine_ ? Qt::TextSingleLine : Qt::TextWordWrap);
    painter.drawText(contentsRect(), flags, text_);
    return;
  }
  // The lines as a block, centred on the row.
  painter.setFont(DrawingFont());
  const LabelLayout layout = Lines();
  const qreal lineHeight = QFontMetricsF(painter.font()).height();
  qreal top = (height() - static_cast<qreal>(layout.lines.size()) * lineHeight) / 2;
  for (const QString& line : layout.lines) {
    painter.drawText(QRectF(0, top, width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter, line);
    top += lineHeight;
  }
}

EditWidget::EditWidget(const ui::ControlTemplate& control, ColorQuery colors, QWidget* parent)
    : QLineEdit(parent), id_(control.id), colors_(std::move(colors)) {
  setFrame(control.border);
  setTextMargins(0, 0, 0, 0);
  setFocusPolicy(control.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void EditWidget::ShowText(const QString& text) {
  if (text == this->text()) return;
  // setText never emits textEdited, so the dialog does not see typing.
  setText(text);
  setCursorPosition(0);
}

void EditWidget::paintEvent(QPaintEvent* event) {
  SyncTextColor(*this, QPalette::Text, colors_ ? colors_(id_) : std::nullopt);
  QLineEdit::paintEvent(event);
}

CheckBoxWidget::CheckBoxWidget(const ui::ControlTemplate& control, ColorQuery colors,
                               QWidget* parent)
    : QCheckBox(parent), id_(control.id), colors_(std::move(colors)) {
  setFocusPolicy(control.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void CheckBoxWidget::paintEvent(QPaintEvent* event) {
  SyncTextColor(*this, QPalette::WindowText, colors_ ? colors_(id_) : std::nullopt);
  QCheckBox::paintEvent(event);
}

void CheckBoxWidget::ShowCheck(ui::CheckState state) {
  if (state == ui::CheckState::Indeterminate) setTristate(true);
  setCheckState(ToQtCheckState(state));
}

GroupBoxWidget::GroupBoxWidget(QWidget* parent) : QFrame(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GroupBoxWidget::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

void GroupBoxWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  const int top = metrics.height() / 2;
  const QRect frame = rect().adjusted(0, top, -1, -1);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(frame.translated(1, 1).adjusted(0, 0, -1, -1));
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  if (text_.isEmpty()) return;
  // The caption interrupts the top line, a little in from the left edge.
  const int indent = metrics.averageCharWidth();
  const int gap = metrics.averageCharWidth() / 2;
  const QRect caption(indent, 0, metrics.horizontalAdvance(text_) + 2 * gap, metrics.height());
  painter.fillRect(caption, palette().color(QPalette::Window));
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(caption, Qt::AlignCenter, text_);
}

EtchedLineWidget::EtchedLineWidget(QWidget* parent) : QFrame(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void EtchedLineWidget::PlaceAt(const QRect& templateRect) {
  const QRect r = templateRect.normalized();
  if (r.width() >= r.height()) {
    setGeometry(r.left(), r.top(), r.width(), kEtchedThickness);
  } else {
    setGeometry(r.left(), r.top(), kEtchedThickness, r.height());
  }
}

void EtchedLineWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QColor dark = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  if (width() >= height()) {
    painter.fillRect(0, 0, width(), 1, dark);
    painter.fillRect(0, 1, width(), 1, light);
  } else {
    painter.fillRect(0, 0, 1, height(), dark);
    painter.fillRect(1, 0, 1, height(), light);
  }
}

PictureWidget::PictureWidget(const QPixmap& picture, QWidget* parent)
    : QFrame(parent), picture_(picture) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PictureWidget::paintEvent(QPaintEvent* /*event*/) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(rect(), picture_);
}

}  // namespace tarn::gui
