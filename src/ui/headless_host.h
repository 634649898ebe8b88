// A host without a display, for tests: message boxes are answered from a
// script and recorded, modal dialogs run a per-template script, and work
// posted to the UI thread runs on the test's thread when the test asks.
//
// Threading: PostToUi may be called from any thread. Everything else is for
// the test's thread, which plays the UI thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/host_base.h"

namespace tarn::ui {

// One message box as the user saw it.
struct ShownMessage {
  int id = 0;           // string-table id, 0 for a text built by the caller
  std::u16string text;  // the text shown
  std::u16string details;  // the detail text under it, if any
  MsgButtons buttons = MsgButtons::Ok;
  MsgIcon icon = MsgIcon::None;
  MsgAnswer defaultAnswer = MsgAnswer::Ok;  // the button that held the focus
  MsgAnswer answer = MsgAnswer::Ok;
  bool scripted = true;  // false when no script answered and the default was used
};

class HeadlessHost : public HostBase {
 public:
  // Decides the answer to a box; nothing means "not mine, ask the next rule".
  using MessageRule = std::function<std::optional<MsgAnswer>(const ShownMessage&)>;
  // Plays the user inside a modal run; it should end the dialog.
  using ModalScript = std::function<void(Dialog&)>;

  HeadlessHost() = default;
  ~HeadlessHost() override = default;

  // --- Message boxes. Answers are taken, in this order, from the queue of
  // answers for this id, the general queue, then the rules. Without any, the
  // answer that changes least is given: OK, Cancel or No. ---
  void QueueAnswer(MsgAnswer answer);
  void QueueAnswer(int id, MsgAnswer answer);
  void AddRule(MessageRule rule);
  const std::vector<ShownMessage>& Messages() const { return messages_; }
  // The number of boxes shown with this string-table id (0: built texts).
  int CountMessages(int id) const;
  void ClearMessages() { messages_.clear(); }

  // --- Modal dialogs. ---
  // The script run when a dialog on `templateId` is run modally. A dialog
  // still open when its script returns (or that has no script) is ended with
  // kIdCancel, as if the user closed it, and counted in UnendedModals().
  void SetModalScript(int templateId, ModalScript script);
  int UnendedModals() const { return unendedModals_; }

  // --- Child windows. ---
  struct ChildRecord {
    Dialog* child = nullptr;  // nullptr once destroyed
    Dialog* parent = nullptr;
    int templateId = 0;
    RectDu rect;
    bool destroyed = false;
    bool shownWhenDestroyed = false;
  };
  const std::vector<ChildRecord>& Children() const { return children_; }

  // --- File dialogs. Answers come from a queue; without one the user
  // cancels. Every request is recorded. ---
  // `type`: the index of the kind the user picks among the request's types.
  void QueueFileAnswer(std::optional<std::filesystem::path> answer, std::size_t type = 0);
  const std::vector<FileRequest>& FileRequests() const { return fileRequests_; }

  // --- Modeless windows: the dialogs open right now, in the order shown. ---
  // Forgets the modeless dialogs that have ended, as a host does when their
  // window goes; returns the open ones.
  const std::vector<Dialog*>& Modeless();

  // --- The UI thread's queue. ---
  // Runs the work posted so far; returns how many items ran.
  int ProcessPosted();
  // Runs posted work until `done` holds or `timeout` passed; returns `done`.
  bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

 protected:
  MsgAnswer AskUser(const Message& message) override;
  std::optional<std::filesystem::path> ChooseFile(const FileRequest& request, bool save) override;
  bool OpenWindow(Dialog& dialog, Dialog* owner, bool modal) override;
  void ShowWindow(Dialog& /*dialog*/, Dialog* /*owner*/, bool /*modal*/) override {}
  void RunUntilEnded(Dialog& dialog, Dialog* owner) override;
  void CloseWindow(Dialog& dialog, bool fromHandler) override;
  void RaiseWindow(Dialog& /*dialog*/) override {}
  void OpenChild(Dialog& child, Dialog& parent, const RectDu& rect) override;
  void CloseChild(Dialog& child) override;
  void WakeUi() override;

 private:
  MsgAnswer Answer(ShownMessage& shown);

  std::vector<ShownMessage> messages_;
  std::map<int, std::deque<MsgAnswer>> answersById_;
  std::deque<MsgAnswer> answers_;
  std::vector<MessageRule> rules_;

  std::map<int, ModalScript> modalScripts_;
  int unendedModals_ = 0;

  std::vector<ChildRecord> children_;

  std::deque<std::pair<std::optional<std::filesystem::path>, std::size_t>> fileAnswers_;
  std::vector<FileRequest> fileRequests_;
  std::vector<Dialog*> modeless_;

  std::mutex wakeMutex_;
  std::condition_variable wakeCv_;
  bool woken_ = false;  // work was posted since the last look
};

}  // namespace tarn::ui
