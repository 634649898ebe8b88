#include "gui/controls.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace tarn::gui {
namespace {

constexpr int kRedShift = 16;
constexpr int kGreenShift = 8;
constexpr int kByteMask = 0xFF;
constexpr int kEtchedThickness = 2;  // pixels: a dark and a light line
// A label is a left-aligned static of at most this many lines of height.
constexpr double kLabelMaxLines = 1.5;
// Long labels shrink in steps down to this share of the dialog font.
constexpr int kFitStepPercent = 5;
constexpr int kFitMinPercent = 65;
constexpr int kFullPercent = 100;

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

StaticTextWidget::StaticTextWidget(const ui::ControlTemplate& control, ColorQuery colors,
                                   QWidget* parent)
    : QFrame(parent),
      id_(control.id),
      alignment_(AlignmentOf(control)),
      singleLine_(control.centerVertically),
      label_(control.align == ui::TextAlign::Left && !control.staticEdge &&
             !control.centerVertically),
      colors_(std::move(colors)) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  if (control.staticEdge) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
  }
}

void StaticTextWidget::PlaceAt(const QRect& templateRect, int spill, const QRect& clip) {
  label_ = label_ && templateRect.height() <= fontMetrics().height() * kLabelMaxLines;
  if (!label_) spill = 0;
  const QRect band = templateRect.adjusted(0, -spill, 0, spill);
  const QRect placed = clip.isNull() ? band : band.intersected(clip);
  setGeometry(placed);
  textRect_ = templateRect.translated(-placed.topLeft()).intersected(QRect(QPoint(), placed.size()));
  Refit();
}

void StaticTextWidget::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  setToolTip(label_ ? text_ : QString());
  Refit();
  update();
}

QFont StaticTextWidget::DrawingFont() const {
  return spilled_ ? fitted_ : font();
}

bool StaticTextWidget::FitsOnOneLine() const {
  return fontMetrics().horizontalAdvance(text_) <= textRect_.width();
}

// Finds the largest size at which the label fits its row on two lines.
void StaticTextWidget::Refit() {
  spilled_ = label_ && !FitsOnOneLine();
  if (!spilled_) return;
  const QRect band(0, 0, width(), height());
  for (int percent = kFullPercent; percent >= kFitMinPercent; percent -= kFitStepPercent) {
    fitted_ = font();
    fitted_.setPointSizeF(font().pointSizeF() * percent / kFullPercent);
    const QRect needed = QFontMetrics(fitted_).boundingRect(band, Qt::TextWordWrap, text_);
    if (needed.width() <= band.width() && needed.height() <= band.height()) return;
  }
}

void StaticTextWidget::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  if (event->type() == QEvent::FontChange) Refit();
}

void StaticTextWidget::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const std::optional<ui::Rgb> rgb = colors_ ? colors_(id_) : std::nullopt;
  QColor pen = rgb ? ToQColor(*rgb) : palette().color(QPalette::WindowText);
  if (!isEnabled()) pen = palette().color(QPalette::Disabled, QPalette::WindowText);
  painter.setPen(pen);
  if (spilled_) {
    painter.setFont(fitted_);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text_);
    return;
  }
  painter.setFont(font());
  const QRect area = label_ ? textRect_ : contentsRect();
  const int flags = alignment_ | (singleLine_ ? Qt::TextSingleLine : Qt::TextWordWrap);
  painter.drawText(area, flags, text_);
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

CheckBoxWidget::CheckBoxWidget(const ui::ControlTemplate& control, QWidget* parent)
    : QCheckBox(parent) {
  setFocusPolicy(control.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void CheckBoxWidget::ShowCheck(ui::CheckState state) {
  switch (state) {
    case ui::CheckState::Unchecked:
      setCheckState(Qt::Unchecked);
      break;
    case ui::CheckState::Checked:
      setCheckState(Qt::Checked);
      break;
    case ui::CheckState::Indeterminate:
      setTristate(true);
      setCheckState(Qt::PartiallyChecked);
      break;
  }
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
