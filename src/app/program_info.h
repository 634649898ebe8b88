// What the desktop program prints for --version and --help instead of
// starting its windows: one text for the Linux and the Windows program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn {

// The text for `argument` when it asks for the version or the help, in
// UTF-8 and ending in a newline; nothing for any other argument.
std::optional<std::string> ProgramInfo(std::string_view argument);

}  // namespace tarn
