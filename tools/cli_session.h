// What every tarn-cli command that talks to a controller shares: message boxes
// turned into lines on stderr, no status line, and the scan for the port.
#pragma once

#include <iosfwd>
#include <stop_token>
#include <string>
#include <string_view>

#include "app/connect_commands.h"
#include "app/status.h"
#include "app/transfer_commands.h"
#include "link/controller_link.h"
#include "ui/prompter.h"

namespace tarn {

// Message boxes become lines on stderr. Nobody is there to answer a prompt, so
// each takes the answer that gives up (Cancel, No); OK boxes are acknowledged.
class CliPrompter final : public Prompter {
 public:
  static constexpr int kNoMessage = 0;

  // A success (message 153) goes to `out`, every other message to `err`.
  // Once `stop` is requested nothing more is printed: the failure that an
  // interrupt causes is not the controller's.
  CliPrompter(std::ostream& out, std::ostream& err, std::stop_token stop = {})
      : out_(out), err_(err), stop_(std::move(stop)) {}
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
  std::ostream& LineFor(int id) const;

  std::ostream& out_;
  std::ostream& err_;
  std::stop_token stop_;
  int holdBack_ = kNoMessage;
  bool held_ = false;
};

// The status line has no place on a command line; the outcome is reported by
// the exit status and the closing line.
class SilentStatus final : public StatusLine {
 public:
  void SetStatus(TransferOutcome) override {}
};

// A connection to a controller for one command. Once `stop` is requested
// (Ctrl+C), the port refuses to send or receive, so that a transfer under way
// fails at its next exchange; the session's end then closes the port, which
// puts back its line settings and clears its exclusive flag.
struct CliSession {
  CliSession(std::ostream& out, std::ostream& err, std::stop_token stopToken)
      : stop(stopToken), prompter(out, err, stopToken), connection(link, prompter) {}
  // Without a stop and with every message on `err`.
  explicit CliSession(std::ostream& err) : CliSession(err, err, {}) {}
  bool Interrupted() const { return stop.stop_requested(); }

  std::stop_token stop;
  ControllerLink link;
  CliPrompter prompter;
  Connection connection;
  SilentStatus status;
  TransferFlags flags;
};

// Scans the ports as the tool does, without retry prompts; on failure prints
// the reason on `err`. False, and silent, when the session was interrupted.
bool ConnectController(CliSession& session, std::ostream& err);

// Exit status of a command that ended because it was interrupted; tarn-cli
// turns it into 128 + the signal's number.
inline constexpr int kExitInterrupted = 130;

// "tarn-cli: interrupted" with what was left as it was, e.g. "FILE untouched";
// returns kExitInterrupted.
int Interrupted(std::ostream& err, std::string_view what = {});

// `text` with its control characters (C0, DEL, C1) as \xNN escapes, so that
// they neither disturb the terminal nor vanish; every other character stays.
std::u16string EscapeControls(std::u16string_view text);

}  // namespace tarn
