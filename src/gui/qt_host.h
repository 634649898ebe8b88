// The dialog layer's host on Qt Widgets: every Dialog becomes a widget tree,
// message boxes are QMessageBox, modal runs are nested event loops and work
// from other threads arrives as queued calls on the UI thread.
//
// Threading: PostToUi may be called from any thread; everything else belongs
// to the thread that created the QApplication.
#pragma once

#include <QObject>
#include <filesystem>
#include <QPointer>
#include <QScreen>
#include <functional>
#include <map>
#include <optional>

#include "ui/host_base.h"
#include "ui/message_box.h"

class QEventLoop;
class QWidget;

namespace tarn::gui {

class DialogView;

class QtHost : public ui::HostBase {
 public:
  QtHost();
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  // Runs a user action on a dialog and then ends every modal run whose
  // dialog has ended. Views call this for each click, key and focus change.
  void Deliver(ui::Dialog& dialog, const std::function<void(ui::Dialog&)>& action);

  // The screen on which windows without an owner open, and their message
  // boxes; the primary screen unless another was set.
  void SetScreen(QScreen* screen);
  QScreen* Screen() const;

  // The view that shows `dialog`, or nullptr. A top-level dialog's window is
  // its view's window(): the view itself, or the MenuWindow round it.
  DialogView* ViewOf(const ui::Dialog& dialog) const;
  // The window of the innermost modal run, or nullptr outside any run.
  QWidget* ActiveWindow() const;
  // Ends every modal run with the cancel result; for automation that gives up.
  void AbandonModalRuns();

 protected:
  // The details go into the box's detailed text, behind its details button.
  MsgAnswer AskUser(const Message& message) override;
  // Qt's own file dialog rather than the desktop's, so that the same dialog
  // is seen, tested and automated everywhere.
  std::optional<std::filesystem::path> ChooseFile(const ui::FileRequest& request,
                                                  bool save) override;
  bool OpenWindow(ui::Dialog& dialog, ui::Dialog* owner, bool modal) override;
  void ShowWindow(ui::Dialog& dialog, ui::Dialog* owner, bool modal) override;
  void RunUntilEnded(ui::Dialog& dialog, ui::Dialog* owner) override;
  void LeaveRun(ui::Dialog& dialog) override;
  void CloseWindow(ui::Dialog& dialog, bool fromHandler) override;
  void RaiseWindow(ui::Dialog& dialog) override;
  void OpenChild(ui::Dialog& child, ui::Dialog& parent, const ui::RectDu& rect) override;
  void CloseChild(ui::Dialog& child) override;
  void WakeUi() override;

 private:
  QWidget* WindowOf(const ui::Dialog* dialog) const;
  DialogView* CreateTopView(ui::Dialog& dialog, QScreen& screen);
  void ForgetViewTree(DialogView* root);
  void FitToScreen(DialogView& view, const QWidget* owner);

  QObject uiContext_;  // lives on the UI thread; posted work runs in its name
  std::map<const ui::Dialog*, DialogView*> views_;
  std::map<const ui::Dialog*, QEventLoop*> runs_;  // the loops of the modal runs
  QPointer<QScreen> screen_;
};

}  // namespace tarn::gui
