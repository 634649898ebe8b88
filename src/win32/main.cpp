// tarn-user-app.exe: the operator's warning, then the main window, drawn by
// the Windows dialog manager.
#include <windows.h>
#include <commctrl.h>

#include "app/app.h"
#include "link/session.h"
#include "win32/host.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
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
