// What a user can do about the ports a scan could not open for lack of
// permission, for the lines under the no-controller message.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/connection.h"

namespace tarn {

// The groups that serial devices are given to so that their members may use
// them (dialout on Debian, uucp on Arch and Fedora, tty for terminals).
// Membership of any other group a device happens to belong to (root, disk)
// is no remedy anyone should be told to take.
bool IsSerialPortGroup(std::string_view group);

using PortGroupLookup = std::function<std::string(const std::string& port)>;

// One line for each way out, '\n' between them; empty when no port was
// refused for lack of permission. A port whose device belongs to a serial
// group gets the command that adds the user to it (one line per group);
// any other port gets what to check instead.
std::u16string PermissionAdvice(const std::vector<PortAttempt>& attempts,
                                const PortGroupLookup& groupOf = PortOwnerGroup);

}  // namespace tarn
