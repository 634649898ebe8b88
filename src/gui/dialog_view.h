// One dialog on screen: the widgets of its template at their places, kept in
// step with the dialog's control state, and the user's actions handed back
// to the dialog through the host.
#pragma once

#include <QWidget>
#include <map>
#include <optional>
#include <vector>

#include "gui/dialog_units.h"
#include "gui/labels.h"
#include "ui/dialog.h"
#include "ui/host.h"

namespace tarn::gui {

class MenuWindow;
class QtHost;

class DialogView : public QWidget, public ui::DialogObserver {
 public:
  // A top-level dialog's view when `parent` is nullptr (the window itself, or
  // the dialog inside a MenuWindow), else a child window of it; drawn with
  // `units`.
  DialogView(QtHost& host, ui::Dialog& dialog, QWidget* parent, const DialogUnits& units);
  ~DialogView() override;

  // Stops mirroring: the dialog is gone or no longer shown by this view.
  void Detach();
  ui::Dialog* dialog() const { return dialog_; }
  int templateId() const { return templateId_; }
  const DialogUnits& units() const { return units_; }
  // The widget of control `id`, or nullptr.
  QWidget* Control(int id) const;
  // The size of the dialog's template in pixels, at the current scale.
  QSize DialogSize() const;
  // Draws the dialog and its child dialogs at `scale` (1: as measured).
  void SetScale(qreal scale);
  // A child dialog: places it at `rect` of its parent, given in dialog units
  // of the parent, and keeps it there when the parent's scale changes.
  void PlaceIn(const ui::RectDu& rect, const DialogUnits& parentUnits);
  // The window round a top-level dialog with a menu bar, told of its
  // dialog's menu and status bar changes; nullptr for none.
  void SetBars(MenuWindow* bars) { bars_ = bars; }
  MenuWindow* bars() const { return bars_; }

  // Hands a user action to the dialog through the host; nothing once the
  // view is detached.
  void Act(const std::function<void(ui::Dialog&)>& action);
  // The close box of the dialog's window: the dialog decides.
  void CloseBox();

  // DialogObserver
  void ControlChanged(int id) override;
  void ColorsChanged(int id) override;
  void DialogShown(bool shown) override;
  void FocusRequested(int id) override;
  void DialogEnded(int result) override;
  void MenuChanged(int commandId) override;
  void StatusBarChanged() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void BuildControls();
  void PlaceControls();
  QWidget* CreateControl(const ui::ControlTemplate& control);
  QWidget* CreateButton(const ui::ControlTemplate& control);
  QWidget* CreateEdit(const ui::ControlTemplate& control);
  void ApplyState(int id);
  void ApplyText(QWidget& widget, const QString& text);

  struct Placed {
    const ui::ControlTemplate* control;
    QWidget* widget;
  };

  QtHost& host_;
  ui::Dialog* dialog_;
  const ui::DialogTemplate* template_;
  int templateId_;
  bool topLevel_;
  bool bordered_;
  QFont font_;
  DialogUnits units_;
  LabelGroup labels_;
  std::map<int, QWidget*> controls_;
  std::vector<Placed> placed_;
  std::optional<ui::RectDu> placement_;
  MenuWindow* bars_ = nullptr;
};

}  // namespace tarn::gui
