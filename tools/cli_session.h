// What every tarn-cli command that talks to a controller shares: message boxes
// turned into lines on stderr, no status line, and the scan for the port.
#pragma once

#include <iosfwd>
#include <string_view>

#include "link/connection.h"
#include "link/controller_link.h"
#include "link/prompts.h"
#include "link/transfer.h"

namespace tarn {

// Message boxes become lines on stderr. Nobody is there to answer a prompt, so
// each takes the answer that gives up (Cancel, No); OK boxes are acknowledged.
class CliPrompter final : public Prompter {
 public:
  static constexpr int kNoMessage = 0;

  explicit CliPrompter(std::ostream& err) : err_(err) {}
  MsgAnswer ShowMessage(int id, MsgButtons buttons, MsgIcon icon) override;
  MsgAnswer ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) override;
  // The message's line, then each line of the details indented under it.
  MsgAnswer ShowMessageWithDetails(int id, std::u16string_view details, MsgButtons buttons,
                                   MsgIcon icon) override;

  // The message `id` is kept back when shown, until ShowHeld() prints it:
  // a success that a later check may still overturn.
  void HoldBack(int id) { holdBack_ = id; }
  void ShowHeld();

  int lastMessage = kNoMessage;  // string-table id of the last message shown

 private:
  std::ostream& err_;
  int holdBack_ = kNoMessage;
  bool held_ = false;
};

// The status line has no place on a command line; the outcome is reported by
// the exit status and the closing line.
class SilentStatus final : public StatusLine {
 public:
  void SetStatus(TransferOutcome) override {}
};

// A connection to a controller for one command.
struct CliSession {
  explicit CliSession(std::ostream& err) : prompter(err), connection(link, prompter) {}
  ControllerLink link;
  CliPrompter prompter;
  Connection connection;
  SilentStatus status;
  TransferFlags flags;
};

// Scans the ports as the tool does, without retry prompts; on failure prints
// the reason on `err`.
bool ConnectController(CliSession& session, std::ostream& err);

}  // namespace tarn
