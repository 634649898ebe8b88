// What both front ends show of a message box besides its text: the buttons,
// the icon and the button that holds the focus when the box opens, which
// Enter and Space press. Decided here once, so the Qt and the Win32 box
// agree.
#pragma once

#include "ui/prompter.h"

namespace tarn::ui {

struct MessageBoxRequest {
  MsgButtons buttons = MsgButtons::Ok;
  MsgIcon icon = MsgIcon::None;
  MsgAnswer defaultAnswer = MsgAnswer::Ok;  // the button Enter presses
};

// The box for string-table message `id` (0 for a text built by the caller).
// Its first button is the default, except in a question whose first answer
// throws the user's work away: there Enter keeps it.
MessageBoxRequest MessageBoxFor(int id, MsgButtons buttons, MsgIcon icon);

// The box's second button, or its only one: the answer that changes least,
// given for a box closed without a button or that could not be shown.
MsgAnswer LeastChangingAnswer(MsgButtons buttons);

// Whether `answer` is the box's second button (No, Cancel), as Windows
// counts its default buttons.
bool IsSecondButton(MsgButtons buttons, MsgAnswer answer);

}  // namespace tarn::ui
