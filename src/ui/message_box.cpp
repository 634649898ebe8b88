#include "ui/message_box.h"

#include <algorithm>
#include <iterator>

namespace tarn::ui {
namespace {

// Questions whose Yes (or OK) loses what the user has not written yet.
constexpr int kKeepWorkByDefault[] = {kMsgQuitUnwritten};

MsgAnswer FirstAnswer(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
      return MsgAnswer::Ok;
    case MsgButtons::YesNo:
      return MsgAnswer::Yes;
    case MsgButtons::RetryCancel:
      return MsgAnswer::Retry;
  }
  return MsgAnswer::Ok;
}

}  // namespace

MsgAnswer LeastChangingAnswer(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return MsgAnswer::Ok;  // the only button
    case MsgButtons::YesNo:
      return MsgAnswer::No;
    case MsgButtons::OkCancel:
    case MsgButtons::RetryCancel:
      return MsgAnswer::Cancel;
  }
  return MsgAnswer::Ok;
}

MessageBoxRequest MessageBoxFor(int id, MsgButtons buttons, MsgIcon icon) {
  const bool keepWork =
      id != 0 && std::find(std::begin(kKeepWorkByDefault), std::end(kKeepWorkByDefault), id) !=
                     std::end(kKeepWorkByDefault);
  return {buttons, icon, keepWork ? LeastChangingAnswer(buttons) : FirstAnswer(buttons)};
}

bool IsSecondButton(MsgButtons buttons, MsgAnswer answer) {
  return buttons != MsgButtons::Ok && answer == LeastChangingAnswer(buttons);
}

}  // namespace tarn::ui
