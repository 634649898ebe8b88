// The message boxes of the main window's search for the controller: the
// host's own, with the advice for ports refused for lack of permission under
// the no-controller message's list of what each port gave.
#pragma once

#include <string_view>

#include "app/connect_commands.h"
#include "ui/prompter.h"

namespace tarn {

class ScanPrompter final : public Prompter {
 public:
  explicit ScanPrompter(Prompter& host) : host_(host) {}

  // The connection whose scan results the advice is drawn from.
  void Watch(const Connection& connection) { connection_ = &connection; }

  MsgAnswer ShowMessage(int id, MsgButtons buttons, MsgIcon icon) override;
  MsgAnswer ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) override;
  MsgAnswer ShowMessageWithDetails(int id, std::u16string_view details, MsgButtons buttons,
                                   MsgIcon icon) override;

 private:
  Prompter& host_;
  const Connection* connection_ = nullptr;
};

}  // namespace tarn
