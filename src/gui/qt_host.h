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
#include <vector>

#include "ui/host.h"
#include "ui/message_box.h"

class QWidget;

namespace tarn::gui {

class DialogView;

class QtHost : public ui::Host {
 public:
  QtHost();
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  MsgAnswer ShowMessage(int id, MsgButtons buttons, MsgIcon icon) override;
  MsgAnswer ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) override;
  // The details go into the box's detailed text, behind its details button.
  MsgAnswer ShowMessageWithDetails(int id, std::u16string_view details, MsgButtons buttons,
                                   MsgIcon icon) override;
  int RunModal(ui::Dialog& dialog) override;
  void CreateChild(ui::Dialog& child, ui::Dialog& parent, const ui::RectDu& rect) override;
  void DestroyChild(ui::Dialog& child) override;
  void PostToUi(std::function<void()> work) override;
  std::optional<std::filesystem::path> AskFileToSave(const ui::FileRequest& request) override;
  std::optional<std::filesystem::path> AskFileToOpen(const ui::FileRequest& request) override;
  void ShowModeless(ui::Dialog& dialog, ui::Dialog& owner) override;
  void CloseModeless(ui::Dialog& dialog) override;

  // Runs a user action on a dialog and then ends every modal run whose
  // dialog has ended. Views call this for each click, key and focus change.
  void Deliver(ui::Dialog& dialog, const std::function<void(ui::Dialog&)>& action);

  // Returns from every modal run whose dialog has ended (innermost first).
  void EndFinishedRuns();

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

 private:
  struct ModalRun;

  MsgAnswer Ask(const QString& text, const ui::MessageBoxRequest& request, const QString& name,
                const QString& details = QString());
  std::optional<std::filesystem::path> AskFile(const ui::FileRequest& request, bool save);
  DialogView* CreateTopView(ui::Dialog& dialog, QScreen& screen);
  void ForgetViewTree(DialogView* root);
  void CloseModelessView(ui::Dialog& dialog);
  void FitToScreen(DialogView& view, const QWidget* owner);

  QObject uiContext_;  // lives on the UI thread; posted work runs in its name
  std::map<const ui::Dialog*, DialogView*> views_;
  std::vector<ModalRun*> modalRuns_;
  std::vector<ui::Dialog*> modeless_;
  QPointer<QScreen> screen_;
};

}  // namespace tarn::gui
