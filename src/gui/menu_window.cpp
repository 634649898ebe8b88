#include "gui/menu_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>

#include "gui/controls.h"
#include "gui/dialog_view.h"
#include "gui/qt_text.h"
#include "ui/menu.h"

namespace tarn::gui {

// The status bar's text on one line, cut with an ellipsis where the window is
// too narrow for it (a recording's long file name), whole on hover. Unlike a
// label it never asks the window to be wider.
class StatusText : public QWidget {
 public:
  explicit StatusText(QWidget* parent) : QWidget(parent) {}

  void SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setToolTip(text_);
    update();
  }
  const QString& text() const { return text_; }

  QSize sizeHint() const override { return {0, fontMetrics().height()}; }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QString shown = fontMetrics().elidedText(text_, Qt::ElideRight, width());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shown);
  }

 private:
  QString text_;
};

MenuWindow::MenuWindow(DialogView& view)
    : view_(&view),
      menuBar_(new QMenuBar(this)),
      statusBar_(new QStatusBar(this)),
      statusText_(new StatusText(statusBar_)),
      statusEdge_(new EtchedLineWidget(this)) {
  setObjectName(QStringLiteral("window-%1").arg(view.templateId()));
  setWindowTitle(view.windowTitle());
  view.setParent(this);
  view.show();  // with the window
  view.SetBars(this);
  // Always inside the window: a desktop's global menu would take the bar out
  // of the room the window was fitted to, and out of the pictures.
  menuBar_->setNativeMenuBar(false);
  menuBar_->setObjectName(QStringLiteral("menu-bar"));
  statusBar_->setObjectName(QStringLiteral("status-bar"));
  statusBar_->addWidget(statusText_, 1);
  if (const ui::Dialog* dialog = view.dialog()) {
    if (const ui::MenuBar* bar = dialog->menuBar()) BuildMenus(*bar);
  }
  StatusBarChanged();
}

void MenuWindow::BuildMenus(const ui::MenuBar& bar) {
  std::u16string titleKeys;
  for (const ui::Menu& menu : bar.menus) {
    QMenu* shown = menuBar_->addMenu(ToQString(ui::WithMnemonic(menu.title, titleKeys)));
    std::u16string itemKeys;
    for (const ui::MenuItem& item : menu.items) {
      if (item.separator) {
        shown->addSeparator();
        continue;
      }
      QAction* action = shown->addAction(ToQString(ui::WithMnemonic(item.text, itemKeys)));
      action->setObjectName(QStringLiteral("menu-%1").arg(item.id));
      if (!item.shortcut.empty()) {
        action->setShortcut(
            QKeySequence::fromString(ToQString(item.shortcut), QKeySequence::PortableText));
        action->setShortcutContext(Qt::WindowShortcut);
        // The key works whether or not the menu has ever been opened.
        addAction(action);
      }
      const int id = item.id;
      connect(action, &QAction::triggered, this,
              [this, id] { view_->Act([id](ui::Dialog& d) { d.UserMenu(id); }); });
      actions_[id] = action;
      MenuChanged(id);
    }
  }
}

QAction* MenuWindow::Action(int commandId) const {
  const auto found = actions_.find(commandId);
  return found == actions_.end() ? nullptr : found->second;
}

QString MenuWindow::StatusBarText() const {
  return statusText_->text();
}

QSize MenuWindow::ClientSize(QSize dialogSize) const {
  return dialogSize + QSize(0, menuBar_->sizeHint().height() + statusBar_->sizeHint().height());
}

void MenuWindow::MenuChanged(int commandId) {
  QAction* action = Action(commandId);
  const ui::Dialog* dialog = view_->dialog();
  if (action != nullptr && dialog != nullptr) {
    action->setEnabled(dialog->IsMenuItemEnabled(commandId));
  }
}

void MenuWindow::StatusBarChanged() {
  if (const ui::Dialog* dialog = view_->dialog()) {
    statusText_->SetText(ToQString(dialog->statusBarText()));
  }
}

// The dialog keeps its place under the menu bar whatever the window's size;
// the status bar stays at the bottom edge.
void MenuWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void MenuWindow::LayOut() {
  const int menuHeight = menuBar_->sizeHint().height();
  const int statusHeight = statusBar_->sizeHint().height();
  menuBar_->setGeometry(0, 0, width(), menuHeight);
  statusBar_->setGeometry(0, height() - statusHeight, width(), statusHeight);
  // The status bar's top edge, so that it reads as a bar also while empty.
  statusEdge_->PlaceAt(QRect(0, height() - statusHeight, width(), 0));
  statusEdge_->raise();
  view_->setGeometry(0, menuHeight, width(), std::max(0, height() - menuHeight - statusHeight));
}

void MenuWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  view_->CloseBox();
}

}  // namespace tarn::gui
