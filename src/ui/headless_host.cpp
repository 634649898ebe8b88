#include "ui/headless_host.h"

#include <algorithm>
#include <utility>

#include "resources/embedded.h"
#include "ui/message_box.h"

namespace tarn::ui {

namespace {

// The answer that changes least when nothing was scripted.
MsgAnswer DefaultAnswer(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return MsgAnswer::Ok;
    case MsgButtons::YesNo:
      return MsgAnswer::No;
    case MsgButtons::OkCancel:
    case MsgButtons::RetryCancel:
      break;
  }
  return MsgAnswer::Cancel;
}

std::optional<MsgAnswer> PopFront(std::deque<MsgAnswer>& queue) {
  if (queue.empty()) {
    return std::nullopt;
  }
  const MsgAnswer answer = queue.front();
  queue.pop_front();
  return answer;
}

}  // namespace

void HeadlessHost::QueueAnswer(MsgAnswer answer) {
  answers_.push_back(answer);
}

void HeadlessHost::QueueAnswer(int id, MsgAnswer answer) {
  answersById_[id].push_back(answer);
}

void HeadlessHost::AddRule(MessageRule rule) {
  rules_.push_back(std::move(rule));
}

int HeadlessHost::CountMessages(int id) const {
  return static_cast<int>(std::count_if(messages_.begin(), messages_.end(),
                                        [id](const ShownMessage& m) { return m.id == id; }));
}

MsgAnswer HeadlessHost::Answer(ShownMessage& shown) {
  if (const auto byId = answersById_.find(shown.id); byId != answersById_.end()) {
    if (const auto answer = PopFront(byId->second)) {
      return *answer;
    }
  }
  if (const auto answer = PopFront(answers_)) {
    return *answer;
  }
  for (const MessageRule& rule : rules_) {
    if (const auto answer = rule(shown)) {
      return *answer;
    }
  }
  shown.scripted = false;
  return DefaultAnswer(shown.buttons);
}

MsgAnswer HeadlessHost::Record(ShownMessage shown) {
  shown.defaultAnswer = MessageBoxFor(shown.id, shown.buttons, shown.icon).defaultAnswer;
  shown.answer = Answer(shown);
  messages_.push_back(shown);
  return shown.answer;
}

MsgAnswer HeadlessHost::ShowMessage(int id, MsgButtons buttons, MsgIcon icon) {
  ShownMessage shown;
  shown.id = id;
  shown.text = res::String(id);
  shown.buttons = buttons;
  shown.icon = icon;
  return Record(std::move(shown));
}

MsgAnswer HeadlessHost::ShowMessageWithDetails(int id, std::u16string_view details,
                                               MsgButtons buttons, MsgIcon icon) {
  ShownMessage shown;
  shown.id = id;
  shown.text = res::String(id);
  shown.details = details;
  shown.buttons = buttons;
  shown.icon = icon;
  return Record(std::move(shown));
}

MsgAnswer HeadlessHost::ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) {
  ShownMessage shown;
  shown.text = text;
  shown.buttons = buttons;
  shown.icon = icon;
  return Record(std::move(shown));
}

void HeadlessHost::SetModalScript(int templateId, ModalScript script) {
  modalScripts_[templateId] = std::move(script);
}

int HeadlessHost::RunModal(Dialog& dialog) {
  modalStack_.push_back(&dialog);
  dialog.Initialize();
  // A dialog may end itself while it initialises; it is then never shown.
  if (!dialog.Ended()) {
    dialog.Show(true);
    const auto script = modalScripts_.find(dialog.Template().id);
    if (script != modalScripts_.end() && script->second) {
      // A copy, so that the script may replace itself while it runs.
      const ModalScript run = script->second;
      run(dialog);
    }
    if (!dialog.Ended()) {
      ++unendedModals_;
      dialog.EndDialog(kIdCancel);
    }
    dialog.Show(false);
  }
  modalStack_.pop_back();
  return dialog.Result();
}

void HeadlessHost::CreateChild(Dialog& child, Dialog& parent, const RectDu& rect) {
  children_.push_back({&child, &parent, child.Template().id, rect, false, false});
  child.Initialize();
}

void HeadlessHost::DestroyChild(Dialog& child) {
  for (ChildRecord& record : children_) {
    if (record.child == &child && !record.destroyed) {
      record.destroyed = true;
      record.shownWhenDestroyed = child.IsShown();
      // The record outlives the object; forget the address.
      record.child = nullptr;
    }
  }
}

void HeadlessHost::QueueFileAnswer(std::optional<std::filesystem::path> answer,
                                   std::size_t type) {
  fileAnswers_.emplace_back(std::move(answer), type);
}

std::optional<std::filesystem::path> HeadlessHost::AskFileToSave(const FileRequest& request) {
  return AskFileToOpen(request);
}

std::optional<std::filesystem::path> HeadlessHost::AskFileToOpen(const FileRequest& request) {
  fileRequests_.push_back(request);
  if (fileAnswers_.empty()) {
    return std::nullopt;
  }
  auto [answer, type] = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  if (answer && request.chosenType != nullptr) *request.chosenType = type;
  return answer;
}

void HeadlessHost::ShowModeless(Dialog& dialog, Dialog& /*owner*/) {
  if (std::find(modeless_.begin(), modeless_.end(), &dialog) != modeless_.end()) {
    return;
  }
  modeless_.push_back(&dialog);
  dialog.Initialize();
  if (!dialog.Ended()) {
    dialog.Show(true);
  }
}

void HeadlessHost::CloseModeless(Dialog& dialog) {
  const auto found = std::find(modeless_.begin(), modeless_.end(), &dialog);
  if (found == modeless_.end()) {
    return;
  }
  if (!dialog.Ended()) {
    dialog.EndDialog(kIdCancel);
  }
  dialog.Show(false);
  modeless_.erase(found);
}

const std::vector<Dialog*>& HeadlessHost::Modeless() {
  std::erase_if(modeless_, [](Dialog* dialog) {
    if (!dialog->Ended()) {
      return false;
    }
    dialog->Show(false);
    return true;
  });
  return modeless_;
}

void HeadlessHost::PostToUi(std::function<void()> work) {
  {
    const std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(work));
  }
  postedCv_.notify_all();
}

int HeadlessHost::ProcessPosted() {
  std::deque<std::function<void()>> batch;
  {
    const std::lock_guard lock(postedMutex_);
    batch.swap(posted_);
  }
  for (auto& work : batch) {
    work();
  }
  // A modeless window goes once its dialog has ended, as on screen.
  Modeless();
  return static_cast<int>(batch.size());
}

bool HeadlessHost::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  // The condition may also change on another thread without a post (the
  // simulator's state), so the wait wakes up every few milliseconds.
  constexpr auto kSlice = std::chrono::milliseconds(5);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    ProcessPosted();
    if (done()) {
      return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      return false;
    }
    std::unique_lock lock(postedMutex_);
    postedCv_.wait_until(lock, std::min(deadline, now + kSlice),
                         [this] { return !posted_.empty(); });
  }
}

}  // namespace tarn::ui
