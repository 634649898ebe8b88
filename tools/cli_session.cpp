#include "tools/cli_session.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

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
  if (id == holdBack_) {
    held_ = true;
  } else {
    err_ << "tarn-cli: " << res::EncodeUtf8(res::String(id)) << "\n";
  }
  return GiveUp(buttons);
}

void CliPrompter::ShowHeld() {
  if (held_) err_ << "tarn-cli: " << res::EncodeUtf8(res::String(holdBack_)) << "\n";
  held_ = false;
}

MsgAnswer CliPrompter::ShowMessageWithDetails(int id, std::u16string_view details,
                                              MsgButtons buttons, MsgIcon icon) {
  const MsgAnswer answer = ShowMessage(id, buttons, icon);
  std::u16string_view rest = details;
  while (!rest.empty()) {
    const std::size_t end = rest.find(u'\n');
    err_ << "  " << res::EncodeUtf8(rest.substr(0, end)) << "\n";
    rest.remove_prefix(end == std::u16string_view::npos ? rest.size() : end + 1);
  }
  return answer;
}

MsgAnswer CliPrompter::ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon) {
  err_ << "tarn-cli: " << res::EncodeUtf8(text) << "\n";
  return GiveUp(buttons);
}

namespace {

// The way out of a port refused for lack of permission: membership of the
// group that owns the device, then a new login. One line for each such group.
void PrintPermissionRemedies(const std::vector<PortAttempt>& attempts, std::ostream& err) {
  std::vector<std::string> groups;
  for (const PortAttempt& attempt : attempts) {
    if (attempt.outcome != PortOutcome::NoPermission) continue;
    const std::string group = PortOwnerGroup(attempt.port);
    if (group.empty() || std::find(groups.begin(), groups.end(), group) != groups.end()) continue;
    groups.push_back(group);
    err << "tarn-cli: доступ к " << attempt.port << " дают права группы " << group
        << ": sudo usermod -aG " << group << " $USER, затем войдите в систему заново\n";
  }
}

}  // namespace

bool ConnectController(CliSession& session, std::ostream& err) {
  if (session.connection.ConnectWithRetry()) {
    return true;
  }
  PrintPermissionRemedies(session.connection.scanResults, err);
  err << "tarn-cli: no controller answered on any serial port (set TARN_PORTS to name the ports)\n";
  return false;
}

}  // namespace tarn
