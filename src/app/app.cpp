#include "app/app.h"

#include "app/main_dlg.h"

namespace tarn {

int CQelmUserAppApp::InitInstance() {
  const MsgAnswer answer =
      host_.ShowMessage(kMsgStartWarning, MsgButtons::YesNo, MsgIcon::Question);
  if (answer != MsgAnswer::Yes) {
    // The answer itself ends the program; no port has been touched.
    return static_cast<int>(answer);
  }
  CQelmUserAppDlg mainWindow(host_, session_);
  host_.RunModal(mainWindow);
  return 0;
}

}  // namespace tarn
