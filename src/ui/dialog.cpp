#include "ui/dialog.h"

namespace tarn::ui {

namespace {

// A dialog whose template id is unknown still works, with no controls, so a
// missing template shows up as empty pages rather than a crash.
const DialogTemplate& EmptyTemplate() {
  static const DialogTemplate kEmpty{};
  return kEmpty;
}

bool IsClickable(ControlKind kind) {
  return kind == ControlKind::PushButton || kind == ControlKind::DefPushButton ||
         kind == ControlKind::CheckBox;
}

}  // namespace

Dialog::Dialog(Host& host, int templateId) : host_(host), template_(FindTemplate(templateId)) {
  if (template_ == nullptr) {
    template_ = &EmptyTemplate();
  }
  for (const ControlTemplate& control : template_->controls) {
    if (control.id == kNoId) {
      continue;
    }
    ControlState state;
    state.text = control.caption;
    state.visible = control.visible;
    state.enabled = !control.disabled;
    controls_[control.id] = state;
  }
}

Dialog::~Dialog() = default;

ControlState* Dialog::State(int id) {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : &found->second;
}

const ControlState* Dialog::State(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : &found->second;
}

void Dialog::Changed(int id) {
  if (observer_ != nullptr) {
    observer_->ControlChanged(id);
  }
}

void Dialog::ShowControl(int id, bool show) {
  ControlState* state = State(id);
  if (state == nullptr || state->visible == show) {
    return;
  }
  state->visible = show;
  Changed(id);
}

void Dialog::EnableControl(int id, bool enable) {
  ControlState* state = State(id);
  if (state == nullptr || state->enabled == enable) {
    return;
  }
  state->enabled = enable;
  Changed(id);
}

void Dialog::SetText(int id, std::u16string_view text) {
  ControlState* state = State(id);
  if (state == nullptr || state->text == text) {
    return;
  }
  state->text = text;
  Changed(id);
}

std::u16string Dialog::GetText(int id) const {
  const ControlState* state = State(id);
  return state == nullptr ? std::u16string() : state->text;
}

void Dialog::SetCheck(int id, CheckState check) {
  ControlState* state = State(id);
  if (state == nullptr || state->check == check) {
    return;
  }
  state->check = check;
  Changed(id);
}

CheckState Dialog::GetCheck(int id) const {
  const ControlState* state = State(id);
  return state == nullptr ? CheckState::Unchecked : state->check;
}

void Dialog::SetBold(int id, bool bold) {
  ControlState* state = State(id);
  if (state == nullptr || state->bold == bold) {
    return;
  }
  state->bold = bold;
  Changed(id);
}

bool Dialog::IsControlVisible(int id) const {
  const ControlState* state = State(id);
  return state != nullptr && state->visible;
}

bool Dialog::IsControlEnabled(int id) const {
  const ControlState* state = State(id);
  return state != nullptr && state->enabled;
}

bool Dialog::HasControl(int id) const {
  return State(id) != nullptr;
}

void Dialog::InvalidateColor(int id) {
  if (observer_ != nullptr && HasControl(id)) {
    observer_->ColorsChanged(id);
  }
}

void Dialog::Show(bool show) {
  // Like a window that is already in the wanted state, nothing happens and
  // no notification is sent: hiding every page must not make hidden pages save.
  if (shown_ == show) {
    return;
  }
  shown_ = show;
  if (observer_ != nullptr) {
    observer_->DialogShown(show);
  }
  OnShowWindow(show);
}

void Dialog::EndDialog(int result) {
  ended_ = true;
  result_ = result;
  if (observer_ != nullptr) {
    observer_->DialogEnded(result);
  }
}

bool Dialog::UserCanReach(int id) const {
  const ControlState* state = State(id);
  return state != nullptr && state->visible && state->enabled;
}

void Dialog::UserClick(int id) {
  const ControlTemplate* control = template_->Find(id);
  if (control == nullptr || !IsClickable(control->kind) || !UserCanReach(id)) {
    return;
  }
  if (control->kind == ControlKind::CheckBox) {
    const bool checked = GetCheck(id) == CheckState::Checked;
    SetCheck(id, checked ? CheckState::Unchecked : CheckState::Checked);
  }
  OnCommand(id);
}

void Dialog::UserType(int id, std::u16string_view text) {
  const ControlTemplate* control = template_->Find(id);
  if (control == nullptr || control->kind != ControlKind::Edit || !UserCanReach(id)) {
    return;
  }
  SetText(id, text);
}

void Dialog::UserFocus(int id) {
  const ControlTemplate* control = template_->Find(id);
  if (control == nullptr || control->kind != ControlKind::Edit || !UserCanReach(id)) {
    return;
  }
  OnEditFocus(id);
}

// Enter and Esc reach a dialog as the commands of its OK and Cancel buttons,
// whether or not such buttons exist or are visible.
void Dialog::UserPressEnter() {
  if (owner_ != nullptr) {
    owner_->UserPressEnter();
  } else {
    OnCommand(kIdOk);
  }
}

void Dialog::UserPressEscape() {
  if (owner_ != nullptr) {
    owner_->UserPressEscape();
  } else {
    OnCommand(kIdCancel);
  }
}

void Dialog::UserClose() {
  OnClose();
}

void Dialog::Initialize() {
  OnInitDialog();
}

void Dialog::OnCommand(int id) {
  if (id == kIdOk) {
    OnOk();
  } else if (id == kIdCancel) {
    OnCancel();
  }
}

}  // namespace tarn::ui
