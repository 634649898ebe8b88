#include "ui/dialog.h"

#include <algorithm>
#include <cstdio>

namespace tarn::ui {

namespace {

// A dialog whose template id is unknown still works, with no controls, so a
// missing template shows up as empty pages rather than a crash.
const DialogTemplate& TemplateOrEmpty(int templateId) {
  static const DialogTemplate kEmpty{};
  const DialogTemplate* found = FindTemplate(templateId);
  return found != nullptr ? *found : kEmpty;
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

Dialog::Dialog(Host& host, int templateId) : Dialog(host, TemplateOrEmpty(templateId)) {}

Dialog::Dialog(Host& host, const DialogTemplate& dialogTemplate)
    : host_(host), template_(&dialogTemplate) {
  for (const ControlTemplate& control : template_->controls) {
    if (control.id == kNoId) {
      continue;
    }
    ControlState state;
    state.text = control.caption;
    state.visible = control.visible;
    state.enabled = !control.disabled;
    controls_[control.id] = state;
    if (control.kind == ControlKind::List) {
      lists_[control.id] = {};
    } else if (control.kind == ControlKind::Chart) {
      charts_[control.id] = {};
    }
  }
  menuBar_ = FindMenuBar(template_->id);
  if (menuBar_ != nullptr) {
    for (const Menu& menu : menuBar_->menus) {
      for (const MenuItem& item : menu.items) {
        if (!item.separator) {
          menuEnabled_[item.id] = true;
        }
      }
    }
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

ControlState* Dialog::Settable(int id) {
  ControlState* state = State(id);
#ifndef NDEBUG
  // Release builds ignore the call; the build checks every id the code names
  // against the templates, so this is an id computed past a grid's end.
  if (state == nullptr) {
    std::fprintf(stderr, "dialog %d: no control %d\n", template_->id, id);
  }
#endif
  return state;
}

void Dialog::Changed(int id) {
  if (observer_ != nullptr) {
    observer_->ControlChanged(id);
  }
}

void Dialog::ShowControl(int id, bool show) {
  ControlState* state = Settable(id);
  if (state == nullptr || state->visible == show) {
    return;
  }
  state->visible = show;
  Changed(id);
}

void Dialog::EnableControl(int id, bool enable) {
  ControlState* state = Settable(id);
  if (state == nullptr || state->enabled == enable) {
    return;
  }
  state->enabled = enable;
  Changed(id);
}

void Dialog::SetText(int id, std::u16string_view text) {
  ControlState* state = Settable(id);
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
  ControlState* state = Settable(id);
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
  ControlState* state = Settable(id);
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

void Dialog::SetListColumns(int id, std::vector<ListColumn> columns) {
  const auto found = lists_.find(id);
  if (found == lists_.end() || found->second.columns == columns) {
    return;
  }
  found->second.columns = std::move(columns);
  Changed(id);
}

void Dialog::SetListRows(int id, std::vector<ListRow> rows) {
  const auto found = lists_.find(id);
  if (found == lists_.end() || found->second.rows == rows) {
    return;
  }
  found->second.rows = std::move(rows);
  Changed(id);
}

void Dialog::SetListCheck(int id, std::size_t row, CheckState state) {
  const auto found = lists_.find(id);
  if (found == lists_.end() || row >= found->second.rows.size() ||
      found->second.rows[row].check == state) {
    return;
  }
  found->second.rows[row].check = state;
  Changed(id);
}

const ListData& Dialog::List(int id) const {
  static const ListData kNoList;
  const auto found = lists_.find(id);
  return found == lists_.end() ? kNoList : found->second;
}

void Dialog::SetChart(int id, ChartData data) {
  const auto found = charts_.find(id);
  if (found == charts_.end() || found->second == data) {
    return;
  }
  found->second = std::move(data);
  Changed(id);
}

const ChartData& Dialog::Chart(int id) const {
  static const ChartData kNoChart;
  const auto found = charts_.find(id);
  return found == charts_.end() ? kNoChart : found->second;
}

void Dialog::EnableMenuItem(int commandId, bool enable) {
  const auto found = menuEnabled_.find(commandId);
  if (found == menuEnabled_.end() || found->second == enable) {
    return;
  }
  found->second = enable;
  if (observer_ != nullptr) {
    observer_->MenuChanged(commandId);
  }
}

bool Dialog::IsMenuItemEnabled(int commandId) const {
  const auto found = menuEnabled_.find(commandId);
  return found != menuEnabled_.end() && found->second;
}

void Dialog::SetStatusBarText(std::u16string_view text) {
  if (statusBarText_ == text) {
    return;
  }
  statusBarText_ = text;
  if (observer_ != nullptr) {
    observer_->StatusBarChanged();
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
  if (control == nullptr || control->kind != ControlKind::Edit || !UserCanReach(id) ||
      GetText(id) == text) {
    return;
  }
  SetText(id, text);
  OnEditChange(id);
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

int Dialog::InitialFocus() const {
  for (const ControlTemplate& control : template_->controls) {
    if (control.tabStop && control.id != kNoId && control.id != kIdCancel &&
        UserCanReach(control.id)) {
      return control.id;
    }
  }
  return kNoId;
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

void Dialog::UserToggleListRow(int id, std::size_t row) {
  const ListData& list = List(id);
  const ControlTemplate* control = template_->Find(id);
  if (control == nullptr || !control->checkBoxes || !UserCanReach(id) ||
      row >= list.rows.size() || !list.rows[row].checkable) {
    return;
  }
  const bool checked = list.rows[row].check == CheckState::Checked;
  SetListCheck(id, row, checked ? CheckState::Unchecked : CheckState::Checked);
  OnListCheck(id, row);
}

void Dialog::UserMenu(int commandId) {
  if (IsMenuItemEnabled(commandId)) {
    OnCommand(commandId);
  }
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
