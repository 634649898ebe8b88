#include "ui/dialog.h"

#include <algorithm>

namespace tarn::ui {

namespace {

// A dialog whose template id is unknown still works, with no controls, so a
// missing template shows up as empty pages rather than a crash.
const DialogTemplate& EmptyTemplate() {
  static const DialogTemplate kEmpty{};
  return kEmpty;
}

bool IsPushButton(ControlKind kind) {
  return kind == ControlKind::PushButton || kind == ControlKind::DefPushButton;
}

bool IsClickable(ControlKind kind) {
  return IsPushButton(kind) || kind == ControlKind::CheckBox;
}

bool TakesFocus(ControlKind kind) {
  return IsClickable(kind) || kind == ControlKind::Edit;
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
  if (control == nullptr || !TakesFocus(control->kind) || !UserCanReach(id)) {
    return;
  }
  focus_ = id;
  if (control->kind == ControlKind::Edit) {
    OnEditFocus(id);
  }
}

int Dialog::FocusedControl() const {
  return focus_ != kNoId && UserCanReach(focus_) ? focus_ : kNoId;
}

// Enter typed into a page must never end the window around it: that would
// drop everything typed since the last Write. Technicians type columns of
// values, so in a page's edit Enter goes on to the next edit, as Tab does.
void Dialog::UserPressEnter() {
  const int focused = FocusedControl();
  const ControlTemplate* control = focused == kNoId ? nullptr : template_->Find(focused);
  if (control != nullptr && IsPushButton(control->kind)) {
    UserClick(focused);
    return;
  }
  if (owner_ == nullptr) {
    // The dialog's OK command, whether or not it has a visible OK button.
    OnCommand(kIdOk);
    return;
  }
  if (control != nullptr && control->kind == ControlKind::Edit) {
    MoveFocus(NextEdit(focused));
  }
}

int Dialog::NextEdit(int id) const {
  const auto& controls = template_->controls;
  const auto at = std::find_if(controls.begin(), controls.end(),
                               [id](const ControlTemplate& c) { return c.id == id; });
  if (at == controls.end()) {
    return id;
  }
  const auto start = static_cast<std::size_t>(at - controls.begin());
  for (std::size_t step = 1; step < controls.size(); ++step) {
    const ControlTemplate& next = controls[(start + step) % controls.size()];
    if (next.kind == ControlKind::Edit && next.tabStop && UserCanReach(next.id)) {
      return next.id;
    }
  }
  return id;
}

// A host moves the focus and reports it back through UserFocus; a dialog
// that no host shows takes the focus at once.
void Dialog::MoveFocus(int id) {
  focus_ = id;
  if (observer_ != nullptr) {
    observer_->FocusRequested(id);
  } else {
    UserFocus(id);
  }
}

// Esc is the Cancel command of the window, typed in a page or not.
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
