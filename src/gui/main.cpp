// tarn-user-app: the operator's warning, then the main window, drawn with Qt.
#include <QApplication>
#include <QStyleFactory>
#include <cstdio>

#include "app/app.h"
#include "app/program_info.h"
#include "app/session.h"
#include "gui/qt_host.h"
#include "gui/qt_text.h"
#include "resources/embedded.h"

int main(int argc, char** argv) {
  // --version and --help answer without a display.
  if (argc > 1) {
    if (const auto info = tarn::ProgramInfo(argv[1])) return std::fputs(info->c_str(), stdout) < 0;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(tarn::gui::ToQString(tarn::res::kAppTitle));
  // One look on every desktop, so the layouts are the ones that were checked.
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

  tarn::Session session;
  tarn::gui::QtHost host;
  tarn::CQelmUserAppApp app(host, session);
  app.InitInstance();
  return 0;
}
