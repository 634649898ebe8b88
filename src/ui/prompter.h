// What the application, the loader and the pages need of a user interface's
// message boxes, by string-table id. The GUI, the command-line companion and
// the tests each supply their own.
#pragma once

#include <string>
#include <string_view>

#include "ui/message_ids.h"

namespace tarn {

enum class MsgButtons { Ok, OkCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Exclamation, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A modal message box with the text of string-table entry `id`.
  virtual MsgAnswer ShowMessage(int id, MsgButtons buttons, MsgIcon icon) = 0;
  // A modal message box with a text built by the caller (the range message).
  virtual MsgAnswer ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) = 0;
  // The box of string-table entry `id` with a detail text under the message
  // (message 149 lists what each port gave). Hosts without a place for
  // details show the message alone.
  virtual MsgAnswer ShowMessageWithDetails(int id, std::u16string_view details, MsgButtons buttons,
                                           MsgIcon icon) {
    static_cast<void>(details);
    return ShowMessage(id, buttons, icon);
  }
};

}  // namespace tarn
