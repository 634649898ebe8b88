// What the dialog layer decides for every front end before a window or a box
// opens: the button Enter presses in a message box, and the control that has
// the focus when a dialog's window opens.
#include "ui/message_box.h"

#include <gtest/gtest.h>

#include "ui/dialog.h"
#include "ui/headless_host.h"

namespace tarn::ui {
namespace {

struct DefaultCase {
  const char* name;
  int id;
  MsgButtons buttons;
  MsgAnswer expected;
};

TEST(MessageBoxRequest, TheFirstButtonIsTheDefaultUnlessItThrowsWorkAway) {
  const DefaultCase cases[] = {
      {"quit with unwritten changes keeps working", kMsgQuitUnwritten, MsgButtons::YesNo,
       MsgAnswer::No},
      {"the start-up warning goes on", kMsgStartWarning, MsgButtons::YesNo, MsgAnswer::Yes},
      {"the close question", kMsgQuitQuestion, MsgButtons::OkCancel, MsgAnswer::Ok},
      {"no controller: try again", kMsgNoController, MsgButtons::RetryCancel, MsgAnswer::Retry},
      {"a note with one button", kMsgConfigFailed, MsgButtons::Ok, MsgAnswer::Ok},
      {"a built text", 0, MsgButtons::YesNo, MsgAnswer::Yes},
      {"the unwritten question asked with other buttons", kMsgQuitUnwritten, MsgButtons::OkCancel,
       MsgAnswer::Cancel},
  };
  for (const DefaultCase& c : cases) {
    const MessageBoxRequest request = MessageBoxFor(c.id, c.buttons, MsgIcon::Question);
    EXPECT_EQ(request.defaultAnswer, c.expected) << c.name;
    EXPECT_EQ(request.buttons, c.buttons) << c.name;
    EXPECT_EQ(request.icon, MsgIcon::Question) << c.name;
  }
}

constexpr int kButtonA = 1002;
constexpr int kButtonB = 1003;
constexpr int kEdit = 1011;

ControlTemplate Control(int id, ControlKind kind, bool tabStop, bool visible = true) {
  ControlTemplate control;
  control.id = id;
  control.kind = kind;
  control.tabStop = tabStop;
  control.visible = visible;
  return control;
}

// The main window's shape: a hidden default OK, the Cancel command (Quit)
// as the first tab stop a user can reach, then the other buttons.
DialogTemplate WindowTemplate() {
  DialogTemplate t;
  t.id = 9101;
  t.controls = {Control(kIdOk, ControlKind::DefPushButton, true, false),
                Control(kIdCancel, ControlKind::PushButton, true),
                Control(kNoId, ControlKind::StaticText, false),
                Control(kEdit, ControlKind::Edit, false),
                Control(kButtonA, ControlKind::PushButton, true),
                Control(kButtonB, ControlKind::PushButton, true)};
  return t;
}

TEST(InitialFocus, PassesOverCancelAndWhatTheUserCannotReach) {
  struct Case {
    const char* name;
    void (*prepare)(Dialog&);
    int expected;
  };
  const Case cases[] = {
      {"the first button after Quit", [](Dialog&) {}, kButtonA},
      {"a disabled button is passed over", [](Dialog& d) { d.EnableControl(kButtonA, false); },
       kButtonB},
      {"a hidden button is passed over", [](Dialog& d) { d.ShowControl(kButtonA, false); },
       kButtonB},
      {"the OK button once it is shown", [](Dialog& d) { d.ShowControl(kIdOk, true); }, kIdOk},
      {"nothing but Cancel left",
       [](Dialog& d) {
         d.EnableControl(kButtonA, false);
         d.EnableControl(kButtonB, false);
       },
       kNoId},
  };
  HeadlessHost host;
  const DialogTemplate shape = WindowTemplate();
  for (const Case& c : cases) {
    Dialog dialog(host, shape);
    c.prepare(dialog);
    EXPECT_EQ(dialog.InitialFocus(), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace tarn::ui
