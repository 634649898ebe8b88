// The application object: the operator's warning, then the main window run
// modally until it closes.
#pragma once

#include "app/session.h"
#include "ui/host.h"

namespace tarn {

class CQelmUserAppApp {
 public:
  CQelmUserAppApp(ui::Host& host, Session& session) : host_(host), session_(session) {}
  // Shows message 158; on Yes runs the main window modally. Returns 0 when the
  // main window ran and closed, the warning's answer otherwise.
  int InitInstance();

 private:
  ui::Host& host_;
  Session& session_;
};

}  // namespace tarn
