#include "ui/headless_host.h"

#include <algorithm>
#include <utility>

#include "resources/embedded.h"
#include "ui/message_box.h"

namespace tarn::ui {

namespace {

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
  return LeastChangingAnswer(shown.buttons);
}

MsgAnswer HeadlessHost::AskUser(const Message& message) {
  ShownMessage shown;
  shown.id = message.id;
  shown.text = message.text;
  shown.details = message.details;
  shown.buttons = message.request.buttons;
  shown.icon = message.request.icon;
  shown.defaultAnswer = message.request.defaultAnswer;
  shown.answer = Answer(shown);
  messages_.push_back(shown);
  return shown.answer;
}

void HeadlessHost::SetModalScript(int templateId, ModalScript script) {
  modalScripts_[templateId] = std::move(script);
}

bool HeadlessHost::OpenWindow(Dialog& /*dialog*/, Dialog* /*owner*/, bool /*modal*/) {
  return true;
}

void HeadlessHost::RunUntilEnded(Dialog& dialog, Dialog* /*owner*/) {
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
}

void HeadlessHost::CloseWindow(Dialog& /*dialog*/, bool /*fromHandler*/) {}

void HeadlessHost::OpenChild(Dialog& child, Dialog& parent, const RectDu& rect) {
  children_.push_back({&child, &parent, child.Template().id, rect, false, false});
}

void HeadlessHost::CloseChild(Dialog& child) {
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

std::optional<std::filesystem::path> HeadlessHost::ChooseFile(const FileRequest& request,
                                                             bool /*save*/) {
  fileRequests_.push_back(request);
  if (fileAnswers_.empty()) {
    return std::nullopt;
  }
  auto [answer, type] = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  if (answer && request.chosenType != nullptr) *request.chosenType = type;
  return answer;
}

const std::vector<Dialog*>& HeadlessHost::Modeless() {
  EndFinishedRuns();
  modeless_ = OpenModeless();
  return modeless_;
}

int HeadlessHost::ProcessPosted() {
  const int ran = RunPosted();
  // A modeless window goes once its dialog has ended, as on screen.
  EndFinishedRuns();
  return ran;
}

void HeadlessHost::WakeUi() {
  {
    const std::lock_guard lock(wakeMutex_);
    woken_ = true;
  }
  wakeCv_.notify_all();
}

bool HeadlessHost::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  // The condition may also change on another thread without a post (the
  // simulator's state), so the wait wakes up every few milliseconds.
  constexpr auto kSlice = std::chrono::milliseconds(5);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    {
      const std::lock_guard lock(wakeMutex_);
      woken_ = false;
    }
    ProcessPosted();
    if (done()) {
      return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      return false;
    }
    std::unique_lock lock(wakeMutex_);
    wakeCv_.wait_until(lock, std::min(deadline, now + kSlice), [this] { return woken_; });
  }
}

}  // namespace tarn::ui
