#include "gui/qt_host.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <memory>

#include "gui/dialog_view.h"
#include "gui/menu_window.h"
#include "gui/pictures.h"
#include "gui/qt_text.h"
#include "gui/window_fit.h"
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

QMessageBox::StandardButton StandardButtonOf(MsgAnswer answer) {
  switch (answer) {
    case MsgAnswer::Ok:
      return QMessageBox::Ok;
    case MsgAnswer::Cancel:
      return QMessageBox::Cancel;
    case MsgAnswer::Yes:
      return QMessageBox::Yes;
    case MsgAnswer::No:
      return QMessageBox::No;
    case MsgAnswer::Retry:
      return QMessageBox::Retry;
  }
  return QMessageBox::Ok;
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

// A box with no window to sit over: centred on the given screen's available
// area once its size is known (left alone, it would go to the screen under
// the mouse).
class ScreenCentredBox : public QMessageBox {
 public:
  ScreenCentredBox(Icon icon, const QString& title, const QString& text, StandardButtons buttons,
                   QScreen* screen)
      : QMessageBox(icon, title, text, buttons), screen_(screen) {
    setScreen(screen);
  }

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    if (screen_ == nullptr) return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen_->availableGeometry().center());
    move(frame.topLeft());
  }

 private:
  QPointer<QScreen> screen_;
};

// The client size of a top-level dialog's window: the dialog, and the menu and
// status bars when it has them.
QSize ClientSizeOf(const DialogView& view) {
  const QSize dialog = view.DialogSize();
  return view.bars() != nullptr ? view.bars()->ClientSize(dialog) : dialog;
}

// The string table keeps Windows line ends.
QString PlainText(std::u16string_view text) {
  QString plain = ToQString(text);
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return plain;
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
  return Ask(PlainText(res::String(id)), ui::MessageBoxFor(id, buttons, icon),
             QStringLiteral("message-%1").arg(id));
}

MsgAnswer QtHost::ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) {
  return Ask(PlainText(text), ui::MessageBoxFor(0, buttons, icon), QStringLiteral("message-text"));
}

MsgAnswer QtHost::ShowMessageWithDetails(int id, std::u16string_view details, MsgButtons buttons,
                                         MsgIcon icon) {
  return Ask(PlainText(res::String(id)), ui::MessageBoxFor(id, buttons, icon),
             QStringLiteral("message-%1").arg(id), PlainText(details));
}

MsgAnswer QtHost::Ask(const QString& text, const ui::MessageBoxRequest& request,
                      const QString& name, const QString& details) {
  const MsgButtons buttons = request.buttons;
  const MsgIcon icon = request.icon;
  // A box is centred over the window it belongs to once that is on screen;
  // before (the start-up's boxes), on the screen.
  QWidget* over = ActiveWindow();
  std::unique_ptr<QMessageBox> made;
  if (over != nullptr && over->isVisible()) {
    made = std::make_unique<QMessageBox>(IconOf(icon), ToQString(res::kAppTitle), text,
                                         ButtonsOf(buttons), over);
  } else {
    made = std::make_unique<ScreenCentredBox>(IconOf(icon), ToQString(res::kAppTitle), text,
                                              ButtonsOf(buttons), Screen());
  }
  QMessageBox& box = *made;
  box.setObjectName(name);
  box.setTextFormat(Qt::PlainText);
  if (!details.isEmpty()) box.setDetailedText(details);
  box.setWindowModality(Qt::ApplicationModal);
  box.setDefaultButton(StandardButtonOf(request.defaultAnswer));
  const int clicked = box.exec();
  const MsgAnswer answer = AnswerOf(clicked, buttons);
  EndFinishedRuns();
  return answer;
}

int QtHost::RunModal(ui::Dialog& dialog) {
  QWidget* owner = ActiveWindow();
  QScreen* screen = owner != nullptr ? owner->screen() : Screen();
  DialogView* view = CreateTopView(dialog, *screen);
  QWidget* window = view->window();
  if (owner != nullptr) {
    window->setParent(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  }
  window->setWindowModality(Qt::ApplicationModal);
  ModalRun run(dialog, *view);
  modalRuns_.push_back(&run);

  dialog.Initialize();
  // A dialog may end itself while it initialises; it is then never shown.
  if (!dialog.Ended()) {
    dialog.Show(true);
    FitToScreen(*view, owner);
    window->show();
    window->activateWindow();
    // Not the first tab stop as it comes: the main window's would be Quit,
    // and Enter right after start-up would press it.
    if (const int first = dialog.InitialFocus(); first != ui::kNoId) view->FocusRequested(first);
    if (!dialog.Ended()) run.loop.exec();
    dialog.Show(false);
  }
  modalRuns_.pop_back();
  // Windows this one owns go with it.
  const std::vector<ui::Dialog*> open = modeless_;
  for (ui::Dialog* other : open) {
    DialogView* otherView = ViewOf(*other);
    if (otherView != nullptr && otherView->window()->parentWidget() == window) {
      CloseModeless(*other);
    }
  }
  ForgetViewTree(view);
  // Every handler of this window has returned once its loop has.
  delete window;
  return dialog.Result();
}

// A top-level dialog's view at its natural size, in a MenuWindow when the
// dialog has a menu bar.
DialogView* QtHost::CreateTopView(ui::Dialog& dialog, QScreen& screen) {
  auto* view =
      new DialogView(*this, dialog, nullptr, DialogUnits::OnScreen(dialog.Template(), screen));
  if (dialog.menuBar() != nullptr) new MenuWindow(*view);
  QWidget* window = view->window();
  window->setScreen(&screen);
  window->resize(ClientSizeOf(*view));
  views_[&dialog] = view;
  return view;
}

void QtHost::CreateChild(ui::Dialog& child, ui::Dialog& parent, const ui::RectDu& rect) {
  // A parent that is not on screen (it has no view) still gets a working
  // child; there is just nothing to draw.
  if (DialogView* parentView = ViewOf(parent)) {
    const DialogUnits units = DialogUnits::OnScreen(child.Template(), *parentView->screen())
                                  .WithScale(parentView->units().scale());
    auto* view = new DialogView(*this, child, parentView, units);
    view->PlaceIn(rect, parentView->units());
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

// Qt's own file dialog rather than the desktop's, so that the same dialog is
// seen, tested and automated everywhere.
std::optional<std::filesystem::path> QtHost::AskFile(const ui::FileRequest& request, bool save) {
  QFileDialog dialog(ActiveWindow(), ToQString(request.title));
  dialog.setObjectName(QStringLiteral("file-dialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  QStringList filters;
  for (const ui::FileType& type : request.types) {
    filters << ToQString(ui::FilterText(type));
  }
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(ToQString(request.suffix));
  if (!request.proposedName.empty()) dialog.selectFile(ToQString(request.proposedName));
  dialog.setWindowModality(Qt::ApplicationModal);
  const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  EndFinishedRuns();
  if (!chosen) return std::nullopt;
  if (request.chosenType != nullptr) {
    const qsizetype index = filters.indexOf(dialog.selectedNameFilter());
    *request.chosenType = index >= 0 ? static_cast<std::size_t>(index) : 0;
  }
  return std::filesystem::path(dialog.selectedFiles().front().toStdU16String());
}

std::optional<std::filesystem::path> QtHost::AskFileToSave(const ui::FileRequest& request) {
  return AskFile(request, true);
}

std::optional<std::filesystem::path> QtHost::AskFileToOpen(const ui::FileRequest& request) {
  return AskFile(request, false);
}

// A window of the owner's, so the owner's modal run does not block it.
void QtHost::ShowModeless(ui::Dialog& dialog, ui::Dialog& owner) {
  if (DialogView* open = ViewOf(dialog)) {
    open->window()->raise();
    open->window()->activateWindow();
    return;
  }
  DialogView* ownerView = ViewOf(owner);
  QWidget* ownerWindow = ownerView != nullptr ? ownerView->window() : nullptr;
  QScreen* screen = ownerWindow != nullptr ? ownerWindow->screen() : Screen();
  DialogView* view = CreateTopView(dialog, *screen);
  QWidget* window = view->window();
  if (ownerWindow != nullptr) window->setParent(ownerWindow, Qt::Window);
  modeless_.push_back(&dialog);
  dialog.Initialize();
  if (dialog.Ended()) {
    CloseModelessView(dialog);
    return;
  }
  dialog.Show(true);
  FitToScreen(*view, ownerWindow);
  window->show();
  window->activateWindow();
}

void QtHost::CloseModeless(ui::Dialog& dialog) {
  if (std::find(modeless_.begin(), modeless_.end(), &dialog) == modeless_.end()) return;
  if (!dialog.Ended()) dialog.EndDialog(ui::kIdCancel);
  CloseModelessView(dialog);
}

void QtHost::CloseModelessView(ui::Dialog& dialog) {
  std::erase(modeless_, &dialog);
  dialog.Show(false);
  DialogView* view = ViewOf(dialog);
  if (view == nullptr) return;
  QWidget* window = view->window();
  ForgetViewTree(view);
  window->hide();
  // Later: the dialog may have ended itself from inside one of its handlers.
  window->deleteLater();
}

void QtHost::Deliver(ui::Dialog& dialog, const std::function<void(ui::Dialog&)>& action) {
  action(dialog);
  EndFinishedRuns();
}

void QtHost::SetScreen(QScreen* screen) {
  screen_ = screen;
}

QScreen* QtHost::Screen() const {
  return screen_ != nullptr ? screen_.data() : QGuiApplication::primaryScreen();
}

// The fit is computed from the whole window: its frame, and whatever it holds
// besides the dialog (the menu and status bars), keep their size; only the
// dialog is drawn smaller.
void QtHost::FitToScreen(DialogView& view, const QWidget* owner) {
  QWidget& window = *view.window();
  const QRect area = window.screen()->availableGeometry();
  const QMargins frame = WindowFrame(owner);
  const QSize besides = ClientSizeOf(view) - view.DialogSize();
  const QSize fixed = besides.grownBy(frame);
  view.SetScale(FitScale(view.DialogSize(), fixed, area.size(),
                         LegibleScale(view.dialog()->Template())));
  const QSize client = ClientSizeOf(view);
  if (owner != nullptr) window.setFixedSize(client);
  const QPoint centre = owner != nullptr ? owner->frameGeometry().center() : area.center();
  window.setGeometry(PlaceWindow(client, frame, area, centre));
}

DialogView* QtHost::ViewOf(const ui::Dialog& dialog) const {
  const auto found = views_.find(&dialog);
  return found == views_.end() ? nullptr : found->second;
}

QWidget* QtHost::ActiveWindow() const {
  return modalRuns_.empty() ? nullptr : modalRuns_.back()->view->window();
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
  const std::vector<ui::Dialog*> open = modeless_;
  for (ui::Dialog* dialog : open) {
    if (dialog->Ended()) CloseModelessView(*dialog);
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
