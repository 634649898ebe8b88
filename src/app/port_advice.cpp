#include "app/port_advice.h"

#include <algorithm>

#include "resources/embedded.h"

namespace tarn {
namespace {

constexpr std::string_view kSerialGroups[] = {"dialout", "uucp", "tty"};

std::u16string JoinGroupLine(const std::u16string& port, const std::u16string& group) {
  return u"доступ к " + port + u" дают права группы " + group + u": sudo usermod -aG " + group +
         u" $USER, затем войдите в систему заново";
}

std::u16string CheckDeviceLine(const std::u16string& port, const std::u16string& group) {
  if (group.empty()) {
    return u"нет прав доступа к " + port + u": проверьте владельца устройства и права на него";
  }
  return u"нет прав доступа к " + port + u": устройство принадлежит группе " + group +
         u", а не группе последовательных портов; проверьте права устройства (ls -l " + port +
         u") и правила udev";
}

}  // namespace

bool IsSerialPortGroup(std::string_view group) {
  return std::find(std::begin(kSerialGroups), std::end(kSerialGroups), group) !=
         std::end(kSerialGroups);
}

std::u16string PermissionAdvice(const std::vector<PortAttempt>& attempts,
                                const PortGroupLookup& groupOf) {
  std::vector<std::string> groupsNamed;
  std::u16string text;
  for (const PortAttempt& attempt : attempts) {
    if (attempt.outcome != PortOutcome::NoPermission) continue;
    const std::string group = groupOf ? groupOf(attempt.port) : std::string();
    const std::u16string port = res::DecodeUtf8(attempt.port);
    std::u16string line;
    if (IsSerialPortGroup(group)) {
      if (std::find(groupsNamed.begin(), groupsNamed.end(), group) != groupsNamed.end()) continue;
      groupsNamed.push_back(group);
      line = JoinGroupLine(port, res::DecodeUtf8(group));
    } else {
      line = CheckDeviceLine(port, res::DecodeUtf8(group));
    }
    if (!text.empty()) text += u'\n';
    text += line;
  }
  return text;
}

}  // namespace tarn
