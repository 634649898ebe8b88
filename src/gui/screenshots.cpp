// tarn-gui-screenshots <directory>: walks a session of the program on the
// offscreen platform against the controller named in TARN_PORTS (the
// simulator) and writes one PNG for each stage: the warning, every page, the
// monitor with live values, the zero-point dialog after a Read and the close
// question.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QStyleFactory>
#include <cstdio>

#include "app/app.h"
#include "app/main_dlg.h"
#include "gui/automation.h"
#include "gui/dialog_view.h"
#include "gui/qt_host.h"
#include "link/prompts.h"
#include "link/session.h"
#include "monitor/monitor_display.h"
#include "monitor/monitor_page.h"
#include "monitor/read_zero_dlg.h"
#include "pages/parameter_pages.h"

namespace tarn::gui {
namespace {

// The readings of phase A's zero point, one per Read.
constexpr int kIdZeroReadingsA = 1352;
constexpr std::chrono::seconds kWalkTimeout(60);
constexpr auto kLiveValuesTime = std::chrono::milliseconds(1500);

class Walk {
 public:
  Walk(QtHost& host, QString directory) : scenario_(host), directory_(std::move(directory)) {}

  void Plan() {
    scenario_.Then(
        "the warning", [] { return OpenMessageId() == kMsgStartWarning; },
        [this] {
          Save(OpenMessageBox(), "01-warning");
          AnswerMessage(QMessageBox::Yes);
        });
    Page("02-vehicle", kIdVehicle, kTemplateVehicle);
    Page("03-control", kIdControl, kTemplateControl);
    Page("04-motor", kIdMotor, kTemplateMotor);
    Page("05-com", kIdCom, kTemplateCom);
    Monitor();
    ZeroPoints();
    scenario_.Then(
        "the close question", [] { return FindView(kTemplateMain) != nullptr; },
        [] { CloseWindow(FindView(kTemplateMain)); });
    scenario_.Then(
        "message 154", [] { return OpenMessageId() == kMsgQuitQuestion; },
        [this] {
          Save(OpenMessageBox(), "09-close-question");
          AnswerMessage(QMessageBox::Ok);
        });
  }

  bool Run(QtHost& host, Session& session) {
    scenario_.Start(kWalkTimeout);
    CQelmUserAppApp(host, session).InitInstance();
    if (scenario_.Failed() || !scenario_.Finished()) {
      std::fprintf(stderr, "screenshots: gave up waiting for %s\n",
                   qPrintable(scenario_.FailedStep()));
      return false;
    }
    return true;
  }

 private:
  // A page whose button the definitions hide (COM) is skipped.
  void Page(const char* name, int button, int templateId) {
    scenario_.Then(
        QStringLiteral("page %1").arg(templateId),
        [button] { return FindControl(kTemplateMain, button) != nullptr; },
        [button] { Click(FindControl(kTemplateMain, button)); });
    scenario_.Then(
        QStringLiteral("page %1 shown").arg(templateId),
        [templateId, button] {
          return FindView(templateId) != nullptr ||
                 !FindControl(kTemplateMain, button)->isVisible();
        },
        [this, name, templateId] {
          if (FindView(templateId) == nullptr) return;
          FocusFirstEdit(templateId);
          Save(FindView(kTemplateMain), name);
        });
  }

  // A click into the page's first editable slot puts its help on the info line.
  static void FocusFirstEdit(int templateId) {
    for (QLineEdit* edit : FindView(templateId)->findChildren<QLineEdit*>()) {
      if (edit->isVisible() && edit->isEnabled()) {
        Click(edit);
        return;
      }
    }
  }

  void Monitor() {
    scenario_.Then(
        "the monitor", [] { return FindControl(kTemplateMain, kIdMonitor) != nullptr; },
        [] { Click(FindControl(kTemplateMain, kIdMonitor)); });
    // Live values: the poll has answered and has run for a while.
    scenario_.Then(
        "live values",
        [this] {
          const QWidget* status = FindControl(kTemplateMonitor, kMonitorStatusBoxId);
          const QWidget* first = FindControl(kTemplateMonitor, SlotEditId(0));
          if (status == nullptr || first == nullptr || ShownText(status) != u"Success!")
            return false;
          if (!monitorSeen_) monitorSeen_ = std::chrono::steady_clock::now();
          return std::chrono::steady_clock::now() - *monitorSeen_ > kLiveValuesTime;
        },
        [this] {
          FocusFirstEdit(kTemplateMonitor);
          Save(FindView(kTemplateMain), "06-monitor");
        });
  }

  void ZeroPoints() {
    Page("07-vehicle-again", kIdVehicle, kTemplateVehicle);
    scenario_.Then(
        "ReadZero", [] { return FindControl(kTemplateVehicle, kIdReadZero) != nullptr; },
        [] { Click(FindControl(kTemplateVehicle, kIdReadZero)); });
    scenario_.Then(
        "the zero-point dialog", [] { return FindView(kTemplateReadZero) != nullptr; },
        [] { Click(FindControl(kTemplateReadZero, kIdZeroRead)); });
    scenario_.Then(
        "three readings",
        [] { return ShownText(FindControl(kTemplateReadZero, kIdZeroReadingsA)).count(u',') == 2; },
        [this] {
          Save(FindView(kTemplateReadZero), "08-zero-points");
          CloseWindow(FindView(kTemplateReadZero));
        });
  }

  void Save(QWidget* window, const char* name) {
    if (window == nullptr) return;
    const QString path = QDir(directory_).filePath(QString::fromLatin1(name) + ".png");
    if (window->grab().save(path)) {
      std::printf("%s\n", qPrintable(path));
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
    }
  }

  Scenario scenario_;
  QString directory_;
  std::optional<std::chrono::steady_clock::time_point> monitorSeen_;
};

}  // namespace
}  // namespace tarn::gui

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tarn-gui-screenshots <directory>  (controller in TARN_PORTS)\n");
    return 2;
  }
  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  const QString directory = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(directory);
  tarn::Session session;
  tarn::gui::QtHost host;
  tarn::gui::Walk walk(host, directory);
  walk.Plan();
  return walk.Run(host, session) ? 0 : 1;
}
