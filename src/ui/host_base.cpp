#include "ui/host_base.h"

#include <algorithm>
#include <utility>

#include "resources/embedded.h"

namespace tarn::ui {

MsgAnswer HostBase::ShowMessage(int id, MsgButtons buttons, MsgIcon icon) {
  return Ask({id, res::String(id), {}, MessageBoxFor(id, buttons, icon)});
}

MsgAnswer HostBase::ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) {
  return Ask({0, std::u16string(text), {}, MessageBoxFor(0, buttons, icon)});
}

MsgAnswer HostBase::ShowMessageWithDetails(int id, std::u16string_view details,
                                           MsgButtons buttons, MsgIcon icon) {
  return Ask({id, res::String(id), std::u16string(details), MessageBoxFor(id, buttons, icon)});
}

MsgAnswer HostBase::Ask(Message message) {
  const MsgAnswer answer = AskUser(message);
  EndFinishedRuns();
  return answer;
}

int HostBase::RunModal(Dialog& dialog) {
  Dialog* owner = modalStack_.empty() ? nullptr : modalStack_.back();
  if (!OpenWindow(dialog, owner, true)) {
    dialog.EndDialog(kIdCancel);
    return dialog.Result();
  }
  modalStack_.push_back(&dialog);
  dialog.Initialize();
  // A dialog may end itself while it initialises; it is then never shown.
  if (!dialog.Ended()) {
    dialog.Show(true);
    ShowWindow(dialog, owner, true);
    RunUntilEnded(dialog, owner);
    dialog.Show(false);
  }
  modalStack_.pop_back();
  // Windows this one owns go with it.
  const std::vector<Modeless> open = modeless_;
  for (const Modeless& other : open) {
    if (other.owner == &dialog) CloseModeless(*other.dialog);
  }
  CloseWindow(dialog, false);
  ForgetChildrenOf(dialog);
  return dialog.Result();
}

void HostBase::CreateChild(Dialog& child, Dialog& parent, const RectDu& rect) {
  parents_[&child] = &parent;
  OpenChild(child, parent, rect);
  child.Initialize();
}

void HostBase::DestroyChild(Dialog& child) {
  CloseChild(child);
  parents_.erase(&child);
  ForgetChildrenOf(child);
}

void HostBase::PostToUi(std::function<void()> work) {
  {
    const std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(work));
  }
  WakeUi();
}

int HostBase::RunPosted() {
  std::deque<std::function<void()>> batch;
  {
    const std::lock_guard lock(postedMutex_);
    batch.swap(posted_);
  }
  for (auto& work : batch) {
    work();
    EndFinishedRuns();
  }
  return static_cast<int>(batch.size());
}

std::optional<std::filesystem::path> HostBase::AskFileToSave(const FileRequest& request) {
  auto chosen = ChooseFile(request, true);
  EndFinishedRuns();
  return chosen;
}

std::optional<std::filesystem::path> HostBase::AskFileToOpen(const FileRequest& request) {
  auto chosen = ChooseFile(request, false);
  EndFinishedRuns();
  return chosen;
}

void HostBase::ShowModeless(Dialog& dialog, Dialog& owner) {
  const auto open = std::find_if(modeless_.begin(), modeless_.end(),
                                 [&dialog](const Modeless& m) { return m.dialog == &dialog; });
  if (open != modeless_.end()) {
    RaiseWindow(dialog);
    return;
  }
  if (!OpenWindow(dialog, &owner, false)) return;
  modeless_.push_back({&dialog, TopOf(&owner)});
  dialog.Initialize();
  if (dialog.Ended()) {
    DropModeless(dialog);
    return;
  }
  dialog.Show(true);
  ShowWindow(dialog, &owner, false);
}

void HostBase::CloseModeless(Dialog& dialog) {
  const bool open = std::any_of(modeless_.begin(), modeless_.end(),
                                [&dialog](const Modeless& m) { return m.dialog == &dialog; });
  if (!open) return;
  if (!dialog.Ended()) dialog.EndDialog(kIdCancel);
  DropModeless(dialog);
}

void HostBase::DropModeless(Dialog& dialog) {
  std::erase_if(modeless_, [&dialog](const Modeless& m) { return m.dialog == &dialog; });
  dialog.Show(false);
  // The dialog may have ended itself from inside one of its handlers.
  CloseWindow(dialog, true);
  ForgetChildrenOf(dialog);
}

void HostBase::EndFinishedRuns() {
  const std::vector<Dialog*> runs = modalStack_;
  for (Dialog* run : runs) {
    if (run->Ended()) LeaveRun(*run);
  }
  const std::vector<Modeless> open = modeless_;
  for (const Modeless& m : open) {
    if (m.dialog->Ended()) DropModeless(*m.dialog);
  }
}

std::vector<Dialog*> HostBase::OpenModeless() const {
  std::vector<Dialog*> open;
  for (const Modeless& m : modeless_) open.push_back(m.dialog);
  return open;
}

Dialog* HostBase::TopOf(Dialog* dialog) const {
  for (auto up = parents_.find(dialog); up != parents_.end(); up = parents_.find(dialog)) {
    dialog = up->second;
  }
  return dialog;
}

// Children of a dialog that has gone are gone too, whether or not anyone
// destroyed them; their addresses may be taken by new dialogs.
void HostBase::ForgetChildrenOf(const Dialog& dialog) {
  std::vector<const Dialog*> gone{&dialog};
  while (!gone.empty()) {
    const Dialog* parent = gone.back();
    gone.pop_back();
    for (auto it = parents_.begin(); it != parents_.end();) {
      if (it->second == parent) {
        gone.push_back(it->first);
        it = parents_.erase(it);
      } else {
        ++it;
      }
    }
  }
}

}  // namespace tarn::ui
