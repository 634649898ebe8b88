// The window of a top-level dialog that has a menu bar: the menu bar above
// the dialog, a status bar below it, and the dialog between them at its own
// size, its controls where its template puts them. The bars keep their size
// when the dialog is drawn smaller to fit the screen.
#pragma once

#include <QWidget>
#include <map>

#include "ui/dialog.h"

class QAction;
class QMenuBar;
class QStatusBar;

namespace tarn::gui {

class DialogView;
class EtchedLineWidget;
class StatusText;

class MenuWindow : public QWidget {
 public:
  // Takes `view`, a top-level dialog's view whose dialog has a menu bar, in
  // as its child and becomes the window in its place.
  explicit MenuWindow(DialogView& view);

  DialogView& view() const { return *view_; }
  QMenuBar* menuBar() const { return menuBar_; }
  QStatusBar* statusBar() const { return statusBar_; }
  // The menu item of this command, or nullptr.
  QAction* Action(int commandId) const;
  // The text the status bar shows.
  QString StatusBarText() const;

  // The client size of the window around a dialog of `dialogSize`.
  QSize ClientSize(QSize dialogSize) const;

  // The dialog enabled or disabled an item, or changed its status bar text.
  void MenuChanged(int commandId);
  void StatusBarChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus(const ui::MenuBar& bar);
  void LayOut();

  DialogView* view_;
  QMenuBar* menuBar_;
  QStatusBar* statusBar_;
  StatusText* statusText_;
  EtchedLineWidget* statusEdge_;
  std::map<int, QAction*> actions_;
};

}  // namespace tarn::gui
