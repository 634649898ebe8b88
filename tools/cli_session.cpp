#include "tools/cli_session.h"

#include <ostream>

#include "resources/embedded.h"

namespace tarn {
namespace {

MsgAnswer GiveUp(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return MsgAnswer::Ok;
    case MsgButtons::YesNo:
      return MsgAnswer::No;
    default:
      return MsgAnswer::Cancel;
  }
}

}  // namespace

MsgAnswer CliPrompter::ShowMessage(int id, MsgButtons buttons, MsgIcon) {
  lastMessage = id;
  err_ << "tarn-cli: " << res::EncodeUtf8(res::String(id)) << "\n";
  return GiveUp(buttons);
}

MsgAnswer CliPrompter::ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon) {
  err_ << "tarn-cli: " << res::EncodeUtf8(text) << "\n";
  return GiveUp(buttons);
}

bool ConnectController(CliSession& session, std::ostream& err) {
  if (session.connection.ConnectWithRetry()) {
    return true;
  }
  err << "tarn-cli: no controller answered on any serial port (set TARN_PORTS to name the ports)\n";
  return false;
}

}  // namespace tarn
