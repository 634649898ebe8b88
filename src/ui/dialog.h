// Our stand-in for a framework dialog: it holds the state of its controls
// (text, visible, enabled, check state, bold) and delivers notifications to
// the subclass. A host renders it (the Qt front end) or drives it (the
// headless host of the tests).
//
// Threading: every member is for the UI thread only. Other threads hand work
// to the UI thread with Host::PostToUi.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/control_data.h"
#include "ui/control_ids.h"
#include "ui/dialog_template.h"
#include "ui/menu.h"

namespace tarn::ui {

class Host;

using tarn::kIdCancel;  // Esc, the close box of a pop-up, Quit
using tarn::kIdOk;      // Enter, the default button

struct ControlState {
  std::u16string text;
  bool visible = true;
  bool enabled = true;
  CheckState check = CheckState::Unchecked;
  bool bold = false;
};

// Told about every change so that a rendering host can mirror it.
class DialogObserver {
 public:
  virtual ~DialogObserver() = default;
  virtual void ControlChanged(int id) = 0;  // text, visible, enabled, check or bold
  virtual void ColorsChanged(int id) = 0;   // ask TextColor again
  virtual void DialogShown(bool shown) = 0;
  // Move the keyboard focus to control `id` as Tab would (an edit's text
  // selected) and report the move back through UserFocus.
  virtual void FocusRequested(int id) = 0;
  // EndDialog was called: a modal run may return.
  virtual void DialogEnded(int /*result*/) {}
  // A menu item was enabled or disabled.
  virtual void MenuChanged(int /*commandId*/) {}
  // The text of the window's status bar changed.
  virtual void StatusBarChanged() {}
};

class Dialog {
 public:
  Dialog(Host& host, int templateId);
  // A dialog on a template of the caller's, which must outlive it.
  Dialog(Host& host, const DialogTemplate& dialogTemplate);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  const DialogTemplate& Template() const { return *template_; }
  Host& host() const { return host_; }

  // Operations on controls, as the page logic uses them. Setters that change
  // nothing notify nobody.
  void ShowControl(int id, bool show);
  void EnableControl(int id, bool enable);
  void SetText(int id, std::u16string_view text);
  std::u16string GetText(int id) const;
  void SetCheck(int id, CheckState state);
  CheckState GetCheck(int id) const;
  void SetBold(int id, bool bold);
  bool IsControlVisible(int id) const;
  bool IsControlEnabled(int id) const;
  // Whether the control's text is drawn bold; a rendering host asks it.
  bool IsBold(int id) const {
    const ControlState* state = State(id);
    return state != nullptr && state->bold;
  }
  bool HasControl(int id) const;
  // The text colour may have changed; the host asks TextColor again.
  void InvalidateColor(int id);

  // Lists and charts (controls of kind List and Chart). Setters on an id
  // that is no such control do nothing; getters give empty data for it.
  void SetListColumns(int id, std::vector<ListColumn> columns);
  void SetListRows(int id, std::vector<ListRow> rows);
  void SetListCheck(int id, std::size_t row, CheckState state);
  const ListData& List(int id) const;
  void SetChart(int id, ChartData data);
  const ChartData& Chart(int id) const;

  // A top-level window whose template has a menu bar (menu_<id>.txt) shows it
  // above the dialog and a status bar below it. Every item starts enabled.
  const MenuBar* menuBar() const { return menuBar_; }
  void EnableMenuItem(int commandId, bool enable);
  bool IsMenuItemEnabled(int commandId) const;
  void SetStatusBarText(std::u16string_view text);
  const std::u16string& statusBarText() const { return statusBarText_; }

  // Showing or hiding the dialog delivers OnShowWindow after the state changed.
  void Show(bool show);
  bool IsShown() const { return shown_; }

  // Ends a modal run with this result (kIdOk, kIdCancel, ...).
  void EndDialog(int result);
  bool Ended() const { return ended_; }
  int Result() const { return result_; }

  // --- What a user does; called by the host (or a test) on the UI thread. ---
  // Like a user, these reach only controls that are visible and enabled;
  // anything else is ignored.
  //
  // The keys, the same for every host:
  // - Every change of the keyboard focus is reported with UserFocus to the
  //   dialog that holds the control (a page, when the control is in a page).
  // - Enter is reported with UserPressEnter to the dialog whose control has
  //   the focus (to the window's dialog when no control has it); the host
  //   gives Enter no meaning of its own (no default button, no edit that
  //   wants Return). The dialog decides from the focus: a focused push button
  //   is clicked; in a page (a dialog with an owner) an edit hands the focus
  //   to the page's next edit in tab order, asked of the host through
  //   DialogObserver::FocusRequested, and Enter anywhere else in a page does
  //   nothing, so Enter typed in a page never reaches the OK command of the
  //   window around it; in any other dialog Enter is the OK command (OnOk),
  //   as the hidden default button of the main window and the zero-point
  //   dialog's Enter in an edit expect.
  // - Esc is reported with UserPressEscape (OnCancel, of the owner when
  //   there is one), the close box with UserClose.
  //
  // A click on a push button or a check box. A check box toggles first.
  void UserClick(int id);
  // The user typed: the text of an edit becomes `text`, then OnEditChange
  // when the text really changed.
  void UserType(int id, std::u16string_view text);
  // The keyboard focus entered the control (an edit, a button or a check
  // box); an edit's focus is delivered as OnEditFocus.
  void UserFocus(int id);
  void UserPressEnter();
  void UserPressEscape();
  void UserClose();  // the close box: OnClose
  // The control that last took the focus, while it can still hold it;
  // kNoId otherwise.
  int FocusedControl() const;
  // The control a host gives the focus when the dialog's window opens: its
  // first tab stop that the user can reach, passing over the Cancel command
  // (the main window's Quit), so that Enter typed right after the window
  // opens never ends it. kNoId when no other control can take the focus.
  int InitialFocus() const;
  // A click on the tick box of a list row: it toggles when the row is
  // checkable, then OnListCheck.
  void UserToggleListRow(int id, std::size_t row);
  // A menu item or its shortcut: OnCommand(commandId) when the item exists
  // and is enabled.
  void UserMenu(int commandId);

  // Creation: the host calls this once the dialog exists (modal or child).
  void Initialize();

  void SetObserver(DialogObserver* observer) { observer_ = observer; }

  // A page inside another dialog: Esc typed in it is the Cancel of the
  // dialog that hosts it; Enter never reaches that dialog (see the keys).
  void SetOwner(Dialog* owner) { owner_ = owner; }
  Dialog* owner() const { return owner_; }

  // --- Notifications for subclasses. ---
  virtual void OnInitDialog() {}
  virtual void OnShowWindow(bool /*show*/) {}
  virtual void OnCommand(int id);  // kIdOk -> OnOk, kIdCancel -> OnCancel
  virtual void OnEditFocus(int /*id*/) {}
  // The user changed the text of an edit (never a change made by SetText).
  virtual void OnEditChange(int /*id*/) {}
  // The user changed the tick box of a list row.
  virtual void OnListCheck(int /*id*/, std::size_t /*row*/) {}
  virtual void OnOk() { EndDialog(kIdOk); }
  virtual void OnCancel() { EndDialog(kIdCancel); }
  virtual void OnClose() { OnCancel(); }
  // Colour request: the text colour of a control, or nothing for the default.
  virtual std::optional<Rgb> TextColor(int /*id*/) const { return std::nullopt; }

 private:
  ControlState* State(int id);
  const ControlState* State(int id) const;
  // State() for a call that changes the control: a debug build reports an
  // unknown id on stderr.
  ControlState* Settable(int id);
  void Changed(int id);
  bool UserCanReach(int id) const;
  // The edit after `id` in tab order that can take the focus, wrapping
  // round; `id` itself when there is no other.
  int NextEdit(int id) const;
  void MoveFocus(int id);

  Host& host_;
  const DialogTemplate* template_;
  std::map<int, ControlState> controls_;
  std::map<int, ListData> lists_;
  std::map<int, ChartData> charts_;
  const MenuBar* menuBar_ = nullptr;
  std::map<int, bool> menuEnabled_;
  std::u16string statusBarText_;
  DialogObserver* observer_ = nullptr;
  Dialog* owner_ = nullptr;
  int focus_ = kNoId;
  bool shown_ = false;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace tarn::ui
