// tarn-wine-session reconnect <build-win64>: the adapter pulled out from
// under tarn-user-app.exe's monitor page and put back two seconds later.
#pragma once

#include <string>

namespace tarn::wine {

// `scripts` holds wine-run.sh; `build` is the Windows build folder. Exit
// status 0 when the program picked the controller up again by itself.
int RunReconnect(const std::string& scripts, const std::string& build);

}  // namespace tarn::wine
