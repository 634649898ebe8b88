#include "gui/dialog_view.h"

#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

#include "gui/chart_widget.h"
#include "gui/controls.h"
#include "gui/list_widget.h"
#include "gui/menu_window.h"
#include "gui/pictures.h"
#include "gui/qt_host.h"
#include "gui/qt_text.h"

namespace tarn::gui {
namespace {

// How far a label reaches into the free space of its grid row, in vertical
// dialog units: rows are 16 apart, labels 8 high and centred on their row,
// so a label's band is its row, room for two lines of the dialog font.
constexpr int kLabelSpill = 4;
// A label is one character high: 8 vertical units.
constexpr int kLabelHeight = 8;

constexpr int kBorder = 1;  // the frame a page draws round itself, in pixels

bool IsLabel(const ui::ControlTemplate& control) {
  return control.kind == ui::ControlKind::StaticText && control.align == ui::TextAlign::Left &&
         !control.staticEdge && !control.centerVertically && control.cy <= kLabelHeight;
}

QString ObjectName(const char* prefix, int id) {
  return QStringLiteral("%1-%2").arg(QLatin1String(prefix)).arg(id);
}

}  // namespace

DialogView::DialogView(QtHost& host, ui::Dialog& dialog, QWidget* parent,
                       const DialogUnits& units)
    : QWidget(parent),
      host_(host),
      dialog_(&dialog),
      template_(&dialog.Template()),
      templateId_(dialog.Template().id),
      topLevel_(parent == nullptr),
      bordered_(dialog.Template().border && parent != nullptr),
      font_(DialogFont(dialog.Template())),
      units_(units) {
  font_.setPointSizeF(font_.pointSizeF() * units.scale());
  labels_.SetFont(font_);
  setObjectName(ObjectName("dialog", templateId_));
  setFont(font_);
  setWindowTitle(ToQString(dialog.Template().title));
  BuildControls();
  dialog.SetObserver(this);
}

// The controls go first, while the label group they report to still exists.
DialogView::~DialogView() {
  Detach();
  controls_.clear();
  for (const auto& [control, widget] : placed_) delete widget;
  placed_.clear();
}

void DialogView::Detach() {
  if (dialog_ != nullptr) dialog_->SetObserver(nullptr);
  dialog_ = nullptr;
}

QWidget* DialogView::Control(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

QSize DialogView::DialogSize() const {
  return units_.ToPixels(template_->cx, template_->cy);
}

void DialogView::SetScale(qreal scale) {
  units_ = units_.WithScale(scale);
  font_ = DialogFont(*template_);
  font_.setPointSizeF(font_.pointSizeF() * scale);
  labels_.SetFont(font_);
  setFont(font_);
  for (const auto& [id, widget] : controls_) ApplyState(id);
  PlaceControls();
  // The views carry no meta-object of their own, so they are told apart by
  // their C++ type.
  for (QObject* object : children()) {
    if (auto* child = dynamic_cast<DialogView*>(object)) {
      child->SetScale(scale);
      if (child->placement_) child->PlaceIn(*child->placement_, units_);
    }
  }
}

void DialogView::PlaceIn(const ui::RectDu& rect, const DialogUnits& parentUnits) {
  placement_ = rect;
  setGeometry(parentUnits.ToPixels(rect.x, rect.y, rect.cx, rect.cy));
  PlaceControls();
}

// A page's controls stay inside its frame, so that the frame shows on every
// side: a control that reaches past it (the template is wider than the page
// area) is cut short at the frame.
void DialogView::PlaceControls() {
  const QRect clip = bordered_ ? rect().marginsRemoved(QMargins(kBorder, kBorder, kBorder, kBorder))
                               : QRect();
  for (const auto& [control, widget] : placed_) {
    const QRect rect = units_.ToPixels(control->x, control->y, control->cx, control->cy);
    if (auto* text = dynamic_cast<StaticTextWidget*>(widget)) {
      text->PlaceAt(rect, units_.ToPixelsY(kLabelSpill), clip);
    } else if (auto* line = dynamic_cast<EtchedLineWidget*>(widget)) {
      line->PlaceAt(rect);
    } else {
      widget->setGeometry(clip.isNull() ? rect : rect.intersected(clip));
    }
  }
}

void DialogView::BuildControls() {
  for (const ui::ControlTemplate& control : template_->controls) {
    QWidget* widget = CreateControl(control);
    if (widget == nullptr) continue;
    placed_.push_back({&control, widget});
    if (control.id != ui::kNoId) {
      widget->setObjectName(ObjectName("control", control.id));
      widget->installEventFilter(this);
      controls_[control.id] = widget;
      ApplyState(control.id);
    } else {
      widget->setVisible(control.visible);
    }
  }
  // Frames go behind everything so they never cover the controls they hold.
  for (const auto& [control, widget] : placed_) {
    if (control->kind == ui::ControlKind::GroupBox) widget->lower();
  }
  PlaceControls();
}

QWidget* DialogView::CreateControl(const ui::ControlTemplate& control) {
  switch (control.kind) {
    case ui::ControlKind::PushButton:
    case ui::ControlKind::DefPushButton:
      return CreateButton(control);
    case ui::ControlKind::CheckBox: {
      auto* box = new CheckBoxWidget(
          control, [this](int id) { return dialog_ ? dialog_->TextColor(id) : std::nullopt; },
          this);
      const int id = control.id;
      connect(box, &QCheckBox::clicked, this,
              [this, id] { Act([id](ui::Dialog& d) { d.UserClick(id); }); });
      return box;
    }
    case ui::ControlKind::StaticText:
      return new StaticTextWidget(
          control, [this](int id) { return dialog_ ? dialog_->TextColor(id) : std::nullopt; },
          IsLabel(control) ? &labels_ : nullptr, this);
    case ui::ControlKind::Edit:
      return CreateEdit(control);
    case ui::ControlKind::GroupBox:
      return new GroupBoxWidget(this);
    case ui::ControlKind::Picture:
      return new PictureWidget(EmbeddedPicture(control.picture), this);
    case ui::ControlKind::List: {
      const int id = control.id;
      return new ListWidget(
          control,
          [this, id](std::size_t row) {
            Act([id, row](ui::Dialog& d) { d.UserToggleListRow(id, row); });
          },
          this);
    }
    case ui::ControlKind::Chart:
      return new ChartWidget(this);
    case ui::ControlKind::EtchedLine:
      return new EtchedLineWidget(this);
  }
  return nullptr;
}

QWidget* DialogView::CreateButton(const ui::ControlTemplate& control) {
  auto* button = new QPushButton(this);
  button->setFocusPolicy(control.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
  // Enter is the dialog's to decide, also on a focused button.
  button->setAutoDefault(false);
  const int id = control.id;
  connect(button, &QPushButton::clicked, this,
          [this, id] { Act([id](ui::Dialog& d) { d.UserClick(id); }); });
  return button;
}

QWidget* DialogView::CreateEdit(const ui::ControlTemplate& control) {
  auto* edit = new EditWidget(
      control, [this](int id) { return dialog_ ? dialog_->TextColor(id) : std::nullopt; }, this);
  const int id = control.id;
  connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
    const std::u16string typed = text.toStdU16String();
    Act([id, &typed](ui::Dialog& d) { d.UserType(id, typed); });
  });
  return edit;
}

void DialogView::Act(const std::function<void(ui::Dialog&)>& action) {
  if (dialog_ != nullptr) host_.Deliver(*dialog_, action);
}

void DialogView::ControlChanged(int id) {
  ApplyState(id);
}

void DialogView::ColorsChanged(int id) {
  if (QWidget* widget = Control(id)) widget->update();
}

void DialogView::ApplyState(int id) {
  QWidget* widget = Control(id);
  if (widget == nullptr || dialog_ == nullptr) return;
  ApplyText(*widget, ToQString(dialog_->GetText(id)));
  if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    static_cast<CheckBoxWidget*>(box)->ShowCheck(dialog_->GetCheck(id));
  }
  QFont font = font_;
  font.setBold(dialog_->IsBold(id));
  if (widget->font() != font) widget->setFont(font);
  widget->setEnabled(dialog_->IsControlEnabled(id));
  widget->setVisible(dialog_->IsControlVisible(id));
  if (auto* list = dynamic_cast<ListWidget*>(widget)) {
    list->Show(dialog_->List(id), units_);
  } else if (auto* chart = dynamic_cast<ChartWidget*>(widget)) {
    // A chart repaints itself when its lines change, and only then.
    chart->Show(dialog_->Chart(id));
  } else {
    widget->update();
  }
}

void DialogView::ApplyText(QWidget& widget, const QString& text) {
  if (auto* edit = dynamic_cast<EditWidget*>(&widget)) {
    edit->ShowText(text);
  } else if (auto* label = dynamic_cast<StaticTextWidget*>(&widget)) {
    label->SetText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
    if (button->text() != text) button->setText(text);
  } else if (auto* box = dynamic_cast<GroupBoxWidget*>(&widget)) {
    box->SetText(text);
  }
}

void DialogView::DialogShown(bool shown) {
  // A top-level window appears when its modal run starts, not before.
  if (topLevel_) return;
  setVisible(shown);
}

// As Tab moves it: an edit that takes the focus this way has its text selected.
void DialogView::FocusRequested(int id) {
  if (QWidget* widget = Control(id)) widget->setFocus(Qt::TabFocusReason);
}

void DialogView::DialogEnded(int /*result*/) {
  host_.EndFinishedRuns();
}

void DialogView::MenuChanged(int commandId) {
  if (bars_ != nullptr) bars_->MenuChanged(commandId);
}

void DialogView::StatusBarChanged() {
  if (bars_ != nullptr) bars_->StatusBarChanged();
}

// Every focus change inside the dialog is the dialog's to know: Enter is
// decided from it.
bool DialogView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    for (const auto& [id, widget] : controls_) {
      if (widget == watched) {
        const int focused = id;
        Act([focused](ui::Dialog& d) { d.UserFocus(focused); });
        break;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

// The keys are only handed on. Enter goes to the dialog whose control has the
// focus: the key travels up from the focused control, so the page's view
// receives it before the main window's. Esc is the window's Cancel command.
void DialogView::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    Act([](ui::Dialog& d) { d.UserPressEnter(); });
  } else if (key == Qt::Key_Escape && topLevel_) {
    Act([](ui::Dialog& d) { d.UserPressEscape(); });
  } else {
    QWidget::keyPressEvent(event);
  }
}

// The close box asks the dialog; the window only goes when its run ends.
void DialogView::closeEvent(QCloseEvent* event) {
  event->ignore();
  CloseBox();
}

void DialogView::CloseBox() {
  Act([](ui::Dialog& d) { d.UserClose(); });
}

void DialogView::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (!bordered_) return;
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Shadow));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tarn::gui
