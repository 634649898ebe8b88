// The widgets a dialog template's controls become. Each one shows the state
// its dialog holds and reports what the user does; none of them keeps state
// of its own that the dialog does not know about.
#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QPixmap>
#include <functional>
#include <optional>

#include "gui/labels.h"
#include "ui/dialog.h"

namespace tarn::gui {

// Asked for a control's text colour each time the control paints, so the
// colour follows the dialog's state without being pushed.
using ColorQuery = std::function<std::optional<ui::Rgb>(int id)>;

QColor ToQColor(ui::Rgb rgb);
Qt::CheckState ToQtCheckState(ui::CheckState state);

// A static text: left, centred or right, optionally with a sunken edge and
// vertically centred on one line; otherwise wrapped at word boundaries.
//
// A label (the slot labels: left-aligned, one character high, no edge) is
// drawn across its grid row in the size its dialog's labels share, broken
// between words (labels.h), and shows its whole text on hover.
class StaticTextWidget : public QFrame {
 public:
  // `labels` is the dialog's label group for a label, else nullptr.
  StaticTextWidget(const ui::ControlTemplate& control, ColorQuery colors, LabelGroup* labels,
                   QWidget* parent);
  // Places the control at its template rectangle (pixels); a label reaches
  // `spill` further up and down into its row. Nothing reaches out of `clip`
  // unless it is null.
  void PlaceAt(const QRect& templateRect, int spill, const QRect& clip);
  void SetText(const QString& text);
  const QString& text() const { return text_; }
  bool IsLabel() const { return labels_ != nullptr; }
  // The room a label's lines have.
  QSize TextBand() const { return rect().size(); }
  // The font the text is drawn in.
  QFont DrawingFont() const;
  // A label's lines as they are drawn.
  LabelLayout Lines() const;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int id_;
  int alignment_;
  bool singleLine_;
  LabelGroup* labels_;
  QString text_;
  ColorQuery colors_;
};

// An edit box. The text colour comes from the dialog; a disabled edit keeps
// its text readable on the greyed background.
class EditWidget : public QLineEdit {
 public:
  EditWidget(const ui::ControlTemplate& control, ColorQuery colors, QWidget* parent);
  // Replaces the text without counting as the user's typing.
  void ShowText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int id_;
  ColorQuery colors_;
};

// A two-state check box whose state is only ever set from the dialog: a
// click is reported, and the dialog's toggle comes back as a state change.
// Its caption takes the dialog's text colour.
class CheckBoxWidget : public QCheckBox {
 public:
  CheckBoxWidget(const ui::ControlTemplate& control, ColorQuery colors, QWidget* parent);
  void ShowCheck(ui::CheckState state);

 protected:
  void nextCheckState() override {}
  void paintEvent(QPaintEvent* event) override;

 private:
  int id_;
  ColorQuery colors_;
};

// A group frame: an etched rectangle whose top line carries the caption.
class GroupBoxWidget : public QFrame {
 public:
  explicit GroupBoxWidget(QWidget* parent);
  void SetText(const QString& text);
  const QString& text() const { return text_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

// A separator line; the template may give it a zero or negative extent.
class EtchedLineWidget : public QFrame {
 public:
  explicit EtchedLineWidget(QWidget* parent);
  // Normalises the template rectangle (in pixels) to a two-pixel line.
  void PlaceAt(const QRect& templateRect);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// An embedded picture scaled to the control's rectangle.
class PictureWidget : public QFrame {
 public:
  PictureWidget(const QPixmap& picture, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
};

}  // namespace tarn::gui
