#include "gui/qt_host.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QScreen>

#include "gui/dialog_view.h"
#include "gui/pictures.h"
#include "gui/qt_text.h"
#include "resources/embedded.h"

namespace tarn::gui {

struct QtHost::ModalRun {
  ModalRun(ui::Dialog& d, DialogView& v) : dialog(&d), view(&v) {}
  ui::Dialog* dialog;
  DialogView* view;
  QEventLoop loop;
};

namespace {

QMessageBox::StandardButtons ButtonsOf(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return QMessageBox::Ok;
    case MsgButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::RetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::None:
      return QMessageBox::NoIcon;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Question:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

// A box closed without a button (the window manager's close) counts as the
// answer that changes least.
MsgAnswer AnswerOf(int clicked, MsgButtons buttons) {
  switch (clicked) {
    case QMessageBox::Ok:
      return MsgAnswer::Ok;
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    case QMessageBox::Retry:
      return MsgAnswer::Retry;
    case QMessageBox::Cancel:
      return MsgAnswer::Cancel;
    default:
      break;
  }
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
}

// The string table keeps Windows line ends.
QString PlainText(std::u16string_view text) {
  QString plain = ToQString(text);
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return plain;
}

void CenterOver(QWidget& window, const QWidget* owner) {
  const QRect area = owner != nullptr ? owner->frameGeometry()
                                      : QGuiApplication::primaryScreen()->availableGeometry();
  QRect frame = window.frameGeometry();
  frame.moveCenter(area.center());
  window.move(frame.topLeft());
}

}  // namespace

QtHost::QtHost() {
  // Windows come and go between modal runs (the warning before the main
  // window); only the end of InitInstance ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(AppIcon());
}

QtHost::~QtHost() {
  for (auto& [dialog, view] : views_) view->Detach();
}

MsgAnswer QtHost::ShowMessage(int id, MsgButtons buttons, MsgIcon icon) {
  return Ask(PlainText(res::String(id)), buttons, icon, QStringLiteral("message-%1").arg(id));
}

MsgAnswer QtHost::ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) {
  return Ask(PlainText(text), buttons, icon, QStringLiteral("message-text"));
}

MsgAnswer QtHost::ShowMessageWithDetails(int id, std::u16string_view details, MsgButtons buttons,
                                         MsgIcon icon) {
  return Ask(PlainText(res::String(id)), buttons, icon, QStringLiteral("message-%1").arg(id),
             PlainText(details));
}

MsgAnswer QtHost::Ask(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& name,
                      const QString& details) {
  QMessageBox box(IconOf(icon), ToQString(res::kAppTitle), text, ButtonsOf(buttons),
                  ActiveWindow());
  box.setObjectName(name);
  box.setTextFormat(Qt::PlainText);
  if (!details.isEmpty()) box.setDetailedText(details);
  box.setWindowModality(Qt::ApplicationModal);
  const int clicked = box.exec();
  const MsgAnswer answer = AnswerOf(clicked, buttons);
  EndFinishedRuns();
  return answer;
}

int QtHost::RunModal(ui::Dialog& dialog) {
  QWidget* owner = ActiveWindow();
  auto* view = new DialogView(*this, dialog, nullptr);
  if (owner != nullptr) {
    view->setParent(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    view->setFixedSize(view->TemplateSize());
  } else {
    view->resize(view->TemplateSize());
  }
  view->setWindowModality(Qt::ApplicationModal);
  views_[&dialog] = view;
  ModalRun run(dialog, *view);
  modalRuns_.push_back(&run);

  dialog.Initialize();
  // A dialog may end itself while it initialises; it is then never shown.
  if (!dialog.Ended()) {
    dialog.Show(true);
    CenterOver(*view, owner);
    view->show();
    view->activateWindow();
    if (!dialog.Ended()) run.loop.exec();
    dialog.Show(false);
  }
  modalRuns_.pop_back();
  ForgetViewTree(view);
  // Every handler of this window has returned once its loop has.
  delete view;
  return dialog.Result();
}

void QtHost::CreateChild(ui::Dialog& child, ui::Dialog& parent, const ui::RectDu& rect) {
  // A parent that is not on screen (it has no view) still gets a working
  // child; there is just nothing to draw.
  if (DialogView* parentView = ViewOf(parent)) {
    auto* view = new DialogView(*this, child, parentView);
    view->setGeometry(parentView->units().ToPixels(rect.x, rect.y, rect.cx, rect.cy));
    view->hide();
    views_[&child] = view;
  }
  child.Initialize();
}

void QtHost::DestroyChild(ui::Dialog& child) {
  DialogView* view = ViewOf(child);
  if (view == nullptr) return;
  ForgetViewTree(view);
  view->hide();
  // Later: the child may be destroyed from inside one of its own handlers.
  view->deleteLater();
}

void QtHost::PostToUi(std::function<void()> work) {
  QMetaObject::invokeMethod(
      &uiContext_,
      [this, work = std::move(work)] {
        work();
        EndFinishedRuns();
      },
      Qt::QueuedConnection);
}

void QtHost::Deliver(ui::Dialog& dialog, const std::function<void(ui::Dialog&)>& action) {
  action(dialog);
  EndFinishedRuns();
}

DialogView* QtHost::ViewOf(const ui::Dialog& dialog) const {
  const auto found = views_.find(&dialog);
  return found == views_.end() ? nullptr : found->second;
}

QWidget* QtHost::ActiveWindow() const {
  return modalRuns_.empty() ? nullptr : modalRuns_.back()->view;
}

void QtHost::AbandonModalRuns() {
  for (ModalRun* run : modalRuns_) {
    if (!run->dialog->Ended()) run->dialog->EndDialog(ui::kIdCancel);
    run->loop.exit();
  }
}

void QtHost::EndFinishedRuns() {
  // Also an outer run: its loop returns as soon as the inner ones have.
  for (ModalRun* run : modalRuns_) {
    if (run->dialog->Ended()) run->loop.exit();
  }
}

void QtHost::ForgetViewTree(DialogView* root) {
  for (auto it = views_.begin(); it != views_.end();) {
    DialogView* view = it->second;
    if (view == root || root->isAncestorOf(view)) {
      view->Detach();
      it = views_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace tarn::gui
