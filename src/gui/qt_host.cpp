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
  return ui::LeastChangingAnswer(buttons);
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

MsgAnswer QtHost::AskUser(const Message& message) {
  const ui::MessageBoxRequest& request = message.request;
  const QString text = PlainText(message.text);
  const QString name = message.id != 0 ? QStringLiteral("message-%1").arg(message.id)
                                       : QStringLiteral("message-text");
  // A box is centred over the window it belongs to once that is on screen;
  // before (the start-up's boxes), on the screen.
  QWidget* over = ActiveWindow();
  std::unique_ptr<QMessageBox> made;
  if (over != nullptr && over->isVisible()) {
    made = std::make_unique<QMessageBox>(IconOf(request.icon), ToQString(res::kAppTitle), text,
                                         ButtonsOf(request.buttons), over);
  } else {
    made = std::make_unique<ScreenCentredBox>(IconOf(request.icon), ToQString(res::kAppTitle),
                                              text, ButtonsOf(request.buttons), Screen());
  }
  QMessageBox& box = *made;
  box.setObjectName(name);
  box.setTextFormat(Qt::PlainText);
  if (!message.details.empty()) box.setDetailedText(PlainText(message.details));
  box.setWindowModality(Qt::ApplicationModal);
  box.setDefaultButton(StandardButtonOf(request.defaultAnswer));
  return AnswerOf(box.exec(), request.buttons);
}

QWidget* QtHost::WindowOf(const ui::Dialog* dialog) const {
  const DialogView* view = dialog != nullptr ? ViewOf(*dialog) : nullptr;
  return view != nullptr ? view->window() : nullptr;
}

bool QtHost::OpenWindow(ui::Dialog& dialog, ui::Dialog* owner, bool modal) {
  QWidget* ownerWindow = WindowOf(owner);
  QScreen* screen = ownerWindow != nullptr ? ownerWindow->screen() : Screen();
  QWidget* window = CreateTopView(dialog, *screen)->window();
  if (!modal) {
    // A window of the owner's, so the owner's modal run does not block it.
    if (ownerWindow != nullptr) window->setParent(ownerWindow, Qt::Window);
    return true;
  }
  if (ownerWindow != nullptr) {
    window->setParent(ownerWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  }
  window->setWindowModality(Qt::ApplicationModal);
  return true;
}

void QtHost::ShowWindow(ui::Dialog& dialog, ui::Dialog* owner, bool modal) {
  DialogView* view = ViewOf(dialog);
  QWidget* window = view->window();
  FitToScreen(*view, WindowOf(owner));
  window->show();
  window->activateWindow();
  // Not the first tab stop as it comes: the main window's would be Quit,
  // and Enter right after start-up would press it.
  if (!modal) return;
  if (const int first = dialog.InitialFocus(); first != ui::kNoId) view->FocusRequested(first);
}

void QtHost::RunUntilEnded(ui::Dialog& dialog, ui::Dialog* /*owner*/) {
  if (dialog.Ended()) return;
  QEventLoop loop;
  runs_[&dialog] = &loop;
  loop.exec();
  runs_.erase(&dialog);
}

void QtHost::LeaveRun(ui::Dialog& dialog) {
  // Also an outer run: its loop returns as soon as the inner ones have.
  if (const auto run = runs_.find(&dialog); run != runs_.end()) run->second->exit();
}

void QtHost::CloseWindow(ui::Dialog& dialog, bool fromHandler) {
  DialogView* view = ViewOf(dialog);
  if (view == nullptr) return;
  QWidget* window = view->window();
  ForgetViewTree(view);
  if (!fromHandler) {
    // Every handler of this window has returned once its loop has.
    delete window;
    return;
  }
  window->hide();
  window->deleteLater();
}

void QtHost::RaiseWindow(ui::Dialog& dialog) {
  if (QWidget* window = WindowOf(&dialog)) {
    window->raise();
    window->activateWindow();
  }
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

// A parent that is not on screen (it has no view) still gets a working
// child; there is just nothing to draw.
void QtHost::OpenChild(ui::Dialog& child, ui::Dialog& parent, const ui::RectDu& rect) {
  DialogView* parentView = ViewOf(parent);
  if (parentView == nullptr) return;
  const DialogUnits units = DialogUnits::OnScreen(child.Template(), *parentView->screen())
                                .WithScale(parentView->units().scale());
  auto* view = new DialogView(*this, child, parentView, units);
  view->PlaceIn(rect, parentView->units());
  view->hide();
  views_[&child] = view;
}

void QtHost::CloseChild(ui::Dialog& child) {
  DialogView* view = ViewOf(child);
  if (view == nullptr) return;
  ForgetViewTree(view);
  view->hide();
  // Later: the child may be destroyed from inside one of its own handlers.
  view->deleteLater();
}

void QtHost::WakeUi() {
  QMetaObject::invokeMethod(&uiContext_, [this] { RunPosted(); }, Qt::QueuedConnection);
}

std::optional<std::filesystem::path> QtHost::ChooseFile(const ui::FileRequest& request,
                                                        bool save) {
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
  if (!chosen) return std::nullopt;
  if (request.chosenType != nullptr) {
    const qsizetype index = filters.indexOf(dialog.selectedNameFilter());
    *request.chosenType = index >= 0 ? static_cast<std::size_t>(index) : 0;
  }
  return std::filesystem::path(dialog.selectedFiles().front().toStdU16String());
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
  QScreen& screen = *window.screen();
  const QRect area = screen.availableGeometry();
  ui::FitRequest request;
  request.area = ToBox(area);
  request.frame = ToMargins(WindowFrame(owner));
  request.besides = ToExtent(ClientSizeOf(view) - view.DialogSize());
  request.fontPoints = view.dialog()->Template().fontPoints;
  request.screenScale = screen.devicePixelRatio();
  request.over = ToBox(owner != nullptr ? owner->frameGeometry() : area);
  const ui::WindowFit fit = ui::FitWindow(request, [&view](double scale) {
    view.SetScale(scale);
    return ToExtent(ClientSizeOf(view));
  });
  const QRect client = ToQRect(fit.client);
  if (owner != nullptr) window.setFixedSize(client.size());
  window.setGeometry(client);
}

DialogView* QtHost::ViewOf(const ui::Dialog& dialog) const {
  const auto found = views_.find(&dialog);
  return found == views_.end() ? nullptr : found->second;
}

QWidget* QtHost::ActiveWindow() const {
  return ModalStack().empty() ? nullptr : WindowOf(ModalStack().back());
}

void QtHost::AbandonModalRuns() {
  for (ui::Dialog* run : ModalStack()) {
    if (!run->Ended()) run->EndDialog(ui::kIdCancel);
    LeaveRun(*run);
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
