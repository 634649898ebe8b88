// The run logic of the dialog layer, written once for every host: message
// boxes from string-table entries, modal runs and what ends them, modeless
// windows and the windows they go with, children, and work posted to the UI
// thread. A front end supplies only what is its own: drawing a window, its
// event loop, its message box and file dialogs.
//
// Threading: PostToUi may be called from any thread; everything else belongs
// to the UI thread.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/host.h"
#include "ui/message_box.h"

namespace tarn::ui {

class HostBase : public Host {
 public:
  HostBase() = default;
  ~HostBase() override = default;
  HostBase(const HostBase&) = delete;
  HostBase& operator=(const HostBase&) = delete;

  MsgAnswer ShowMessage(int id, MsgButtons buttons, MsgIcon icon) final;
  MsgAnswer ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) final;
  MsgAnswer ShowMessageWithDetails(int id, std::u16string_view details, MsgButtons buttons,
                                   MsgIcon icon) final;
  int RunModal(Dialog& dialog) final;
  void CreateChild(Dialog& child, Dialog& parent, const RectDu& rect) final;
  void DestroyChild(Dialog& child) final;
  void PostToUi(std::function<void()> work) final;
  std::optional<std::filesystem::path> AskFileToSave(const FileRequest& request) final;
  std::optional<std::filesystem::path> AskFileToOpen(const FileRequest& request) final;
  void ShowModeless(Dialog& dialog, Dialog& owner) final;
  void CloseModeless(Dialog& dialog) final;

  // The dialogs in modal runs right now, innermost last.
  const std::vector<Dialog*>& ModalStack() const { return modalStack_; }
  // The modeless dialogs open right now, in the order shown.
  std::vector<Dialog*> OpenModeless() const;
  // Runs the work posted so far; returns how many items ran. Front ends call
  // it on the UI thread once WakeUi asked them to.
  int RunPosted();
  // Returns from every modal run whose dialog has ended (an outer one as
  // soon as the inner ones have) and closes every modeless window whose
  // dialog has ended. Front ends call it after each user action.
  void EndFinishedRuns();

 protected:
  // A message box as the user sees it.
  struct Message {
    int id = 0;              // string-table entry, 0 for a text built by the caller
    std::u16string text;     // with the string table's line ends
    std::u16string details;  // the detail text under it, if any
    MessageBoxRequest request;
  };

  // The message box, modal, on the UI thread.
  virtual MsgAnswer AskUser(const Message& message) = 0;
  // The system's file dialog, modal to the active window.
  virtual std::optional<std::filesystem::path> ChooseFile(const FileRequest& request,
                                                          bool save) = 0;

  // Makes the window of a top-level dialog, hidden: a modal run's, owned by
  // `owner` (the dialog of the run outside it, if any), or a modeless one
  // beside `owner`. False when no window could be made.
  virtual bool OpenWindow(Dialog& dialog, Dialog* owner, bool modal) = 0;
  // Puts the window on screen, fitted to it, active, the focus on the
  // dialog's first control.
  virtual void ShowWindow(Dialog& dialog, Dialog* owner, bool modal) = 0;
  // Serves the user until `dialog` of a modal run has ended.
  virtual void RunUntilEnded(Dialog& dialog, Dialog* owner) = 0;
  // The modal run of `dialog` should return: its dialog has ended.
  virtual void LeaveRun(Dialog& dialog) { static_cast<void>(dialog); }
  // Takes the window away: at once after a modal run, or, for a window that
  // may be inside one of its own handlers, once they have returned.
  virtual void CloseWindow(Dialog& dialog, bool fromHandler) = 0;
  // Brings an open modeless window to the front.
  virtual void RaiseWindow(Dialog& dialog) = 0;
  // A hidden child window of `parent`'s, or nothing when the parent is not
  // on screen: the child works all the same.
  virtual void OpenChild(Dialog& child, Dialog& parent, const RectDu& rect) = 0;
  virtual void CloseChild(Dialog& child) = 0;
  // Work was posted: the UI thread should call RunPosted soon. Any thread.
  virtual void WakeUi() = 0;

 private:
  struct Modeless {
    Dialog* dialog;
    Dialog* owner;  // the top-level dialog whose window it stands beside
  };

  MsgAnswer Ask(Message message);
  void DropModeless(Dialog& dialog);
  Dialog* TopOf(Dialog* dialog) const;
  void ForgetChildrenOf(const Dialog& dialog);

  std::vector<Dialog*> modalStack_;
  std::vector<Modeless> modeless_;  // open, oldest first
  std::map<const Dialog*, Dialog*> parents_;  // child -> parent

  std::mutex postedMutex_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace tarn::ui
