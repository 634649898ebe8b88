// tarn-user-app.exe: the operator's warning, then the main window, drawn by
// the Windows dialog manager.
#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>

#include <string>

#include "app/app.h"
#include "app/program_info.h"
#include "app/session.h"
#include "win32/host.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
  // --version and --help print to the console or file the program was
  // started from, and no window opens.
  if (__argc > 1) {
    const std::wstring wide(__wargv[1]);
    if (const auto info = tarn::ProgramInfo(std::string(wide.begin(), wide.end()))) {
      HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
      if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        out = GetStdHandle(STD_OUTPUT_HANDLE);
      }
      DWORD written = 0;
      return WriteFile(out, info->data(), static_cast<DWORD>(info->size()), &written, nullptr) ? 0
                                                                                               : 1;
    }
  }
  // The common controls of version 6 (the manifest asks for them) give the
  // system's look to every control class.
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);

  tarn::Session session;
  tarn::win32::Win32Host host(instance);
  tarn::CQelmUserAppApp app(host, session);
  app.InitInstance();
  return 0;
}
