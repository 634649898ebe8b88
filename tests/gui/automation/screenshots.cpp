// tarn-gui-screenshots <directory> [taskbar-height]: walks a session of the
// program on the offscreen platform against the controller named in
// TARN_PORTS (the simulator) and writes one PNG for each stage: the warning,
// every page, the monitor with live values, the live chart with moving lines
// and the error history beside it, the zero-point dialog after a Read,
// the comparison window of Load from file, a page with values not yet written,
// the main window's File menu and the close questions.
//
// Each picture shows the whole screen as the user sees it: the screen's
// available area with the windows at their places, each in a frame with its
// title bar (of the size the fit allows for), and the taskbar below.
#include <QApplication>
#include <QFileDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyleFactory>
#include <QTest>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/app.h"
#include "app/file_commands.h"
#include "app/history_commands.h"
#include "app/live_commands.h"
#include "app/main_dlg.h"
#include "app/session.h"
#include "gui/automation/automation.h"
#include "gui/dialog_view.h"
#include "gui/list_widget.h"
#include "gui/menu_window.h"
#include "gui/qt_host.h"
#include "gui/window_fit.h"
#include "model/page_layout.h"
#include "live/monitor_display.h"
#include "monitor/monitor_page.h"
#include "pages/read_zero_dlg.h"
#include "pages/parameter_pages.h"
#include "ui/prompter.h"

namespace tarn::gui {
namespace {

constexpr std::chrono::seconds kWalkTimeout(120);
// The chart's lines have moved through more than one pedal sweep of the
// simulated controller (8 s) when the picture is taken.
constexpr std::size_t kChartPicturePoints = 60;
// The items drawn: throttle, brake, motor speed and phase current, by their
// offsets in the live-data block, which move with the simulated pedal.
constexpr std::array<int, 4> kChartOffsets = {0, 1, 18, 20};
constexpr auto kLiveValuesTime = std::chrono::milliseconds(1500);

// The desktop's colours in the pictures.
const QColor kDesktop(0x2d, 0x5a, 0x7b);
const QColor kTaskbar(0x20, 0x20, 0x20);
const QColor kFrame(0xd4, 0xdc, 0xe6);
const QColor kFrameLine(0x70, 0x78, 0x80);
const QColor kTitle(0x10, 0x10, 0x10);
constexpr int kTitleIndent = 8;

class Walk {
 public:
  Walk(QtHost& host, const Session& session, QString directory, int taskbar)
      : scenario_(host), session_(session), directory_(std::move(directory)), taskbar_(taskbar) {}

  void Plan() {
    scenario_.Then(
        "the warning", [] { return OpenMessageId() == kMsgStartWarning; },
        [this] {
          Save("01-warning", OpenMessageBox());
          AnswerMessage(QMessageBox::Yes);
        });
    Page("02-vehicle", kIdVehicle, kTemplateVehicle);
    Page("03-control", kIdControl, kTemplateControl);
    Page("04-motor", kIdMotor, kTemplateMotor);
    Page("05-com", kIdCom, kTemplateCom);
    Monitor();
    LiveChart();
    ErrorHistory();
    ZeroPoints();
    LoadFromFile();
    FileMenu();
    ServiceHistory();
    scenario_.Then(
        "the close question", [] { return FindView(kTemplateMain) != nullptr; },
        [] { CloseWindow(FindView(kTemplateMain)); });
    scenario_.Then(
        "message 154", [] { return OpenMessageId() == kMsgQuitQuestion; },
        [this] {
          Save("10-close-question", OpenMessageBox());
          AnswerMessage(QMessageBox::Ok);
        });
    scenario_.Then(
        "the unwritten question", [] { return OpenMessageId() == kMsgQuitUnwritten; },
        [this] {
          Save("14-unwritten-question", OpenMessageBox());
          AnswerMessage(QMessageBox::Yes);
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
          Save(name);
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
          Save("06-monitor");
        });
  }

  static void TriggerMenu(int commandId) {
    DialogView* main = FindView(kTemplateMain);
    auto* window = main != nullptr ? dynamic_cast<MenuWindow*>(main->window()) : nullptr;
    if (window != nullptr && window->Action(commandId) != nullptr) {
      window->Action(commandId)->trigger();
    }
  }

  template <typename Dlg>
  static Dlg* Dialog(int templateId) {
    DialogView* view = FindView(templateId);
    return view != nullptr ? dynamic_cast<Dlg*>(view->dialog()) : nullptr;
  }

  // Live > Chart beside the running monitor: four items ticked with the
  // mouse, their lines after a few sweeps of the pedal.
  void LiveChart() {
    scenario_.Then(
        "Live > Chart", [] { return FindView(kTemplateMain) != nullptr; },
        [] { TriggerMenu(kIdLiveChart); });
    scenario_.Then(
        "the chart window", [] { return Dialog<CLiveChartDlg>(kTemplateLiveChart) != nullptr; },
        [this] { TickChartItems(); });
    scenario_.Then(
        "moving lines",
        [] {
          const auto* chart = Dialog<CLiveChartDlg>(kTemplateLiveChart);
          const ui::ChartData& data = chart->Chart(kIdChart);
          return !data.series.empty() && data.series[0].points.size() >= kChartPicturePoints;
        },
        [this] {
          QWidget* window = FindView(kTemplateLiveChart)->window();
          Save("06b-live-chart", window);
          CloseWindow(window);
        });
  }

  void TickChartItems() {
    const auto* chart = Dialog<CLiveChartDlg>(kTemplateLiveChart);
    auto* list = dynamic_cast<ListWidget*>(FindControl(kTemplateLiveChart, kIdChartItems));
    if (chart == nullptr || list == nullptr) return;
    for (std::size_t row = 0; row < chart->RowItems().size(); ++row) {
      const int item = chart->RowItems()[row];
      const int offset = session_.defs.monitorItems[static_cast<std::size_t>(item)].offset;
      if (std::find(kChartOffsets.begin(), kChartOffsets.end(), offset) == kChartOffsets.end()) {
        continue;
      }
      const QRect box = list->CheckBoxRect(static_cast<int>(row));
      if (!box.isEmpty()) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
      }
    }
  }

  // File > Service history with its newest write ticked: the values it
  // changed below the list of entries.
  void ServiceHistory() {
    scenario_.Then(
        "File > Service history", [] { return FindView(kTemplateMain) != nullptr; },
        [] { TriggerMenu(kIdMenuServiceHistory); });
    scenario_.Then(
        "the service history", [] { return Dialog<CHistoryDlg>(kTemplateHistory) != nullptr; },
        [] {
          const auto& entries = Dialog<CHistoryDlg>(kTemplateHistory)->entries();
          int row = 0;
          while (row + 1 < static_cast<int>(entries.size()) &&
                 entries[static_cast<std::size_t>(row)].kind != journal::EntryKind::Write) {
            ++row;
          }
          auto* list = dynamic_cast<ListWidget*>(FindControl(kTemplateHistory, kIdHistoryEntries));
          const QRect box = list != nullptr ? list->CheckBoxRect(row) : QRect();
          if (!box.isEmpty()) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
          }
        });
    scenario_.Then(
        "an entry selected",
        [] {
          const auto* history = Dialog<CHistoryDlg>(kTemplateHistory);
          return history != nullptr && history->selected().has_value();
        },
        [this] {
          QWidget* window = FindView(kTemplateHistory)->window();
          Save("09b-service-history", window);
          CloseWindow(window);
        });
  }

  // Live > Error history once the simulated controller has shown an error.
  void ErrorHistory() {
    scenario_.Then(
        "Live > Error history", [] { return FindView(kTemplateMain) != nullptr; },
        [] { TriggerMenu(kIdErrorHistory); });
    scenario_.Then(
        "an error in the history",
        [] {
          const auto* history = Dialog<CErrorHistoryDlg>(kTemplateErrorHistory);
          return history != nullptr && !history->List(kIdHistoryList).rows.empty();
        },
        [this] {
          QWidget* window = FindView(kTemplateErrorHistory)->window();
          Save("06c-error-history", window);
          CloseWindow(window);
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
          Save("08-zero-points", FindView(kTemplateReadZero));
          CloseWindow(FindView(kTemplateReadZero));
        });
  }

  // A file like the controller's image with values of the control page
  // changed: every third shown editable value one step up, and the first one
  // beyond its range, so the window shows values taken and refused.
  void WriteOtherVehicle() {
    ParameterImage other = session_.image;
    int seen = 0;
    bool refusedOne = false;
    for (const ShownRow& row : ShownRowsOfPage(session_.defs, PageRows::Control)) {
      const ParamDef& def = *row.def;
      if (!row.editable || row.shows != Shows::Text || def.storage != Storage::Byte ||
          def.format != Format::Unsigned || seen++ % 3 != 0) {
        continue;
      }
      const int value = other[def.address];
      const int changed = !refusedOne && def.en == 1 && def.rangeH < 0xFF ? def.rangeH + 1
                          : value < def.rangeH ? value + 1
                                               : def.rangeL;
      refusedOne = refusedOne || changed > def.rangeH;
      other[def.address] = static_cast<std::uint8_t>(changed);
    }
    std::ofstream(otherFile_.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(other.bytes.data()),
               static_cast<std::streamsize>(other.bytes.size()));
  }

  // Load from file with its shortcut, the file chosen in the file dialog, the
  // comparison window, Apply, and the control page with the taken values
  // marked and one more typed.
  void LoadFromFile() {
    Page("11-control-again", kIdControl, kTemplateControl);
    scenario_.Then(
        "Load from file", [] { return FindView(kTemplateControl) != nullptr; },
        [this] {
          otherFile_ = QDir(directory_).absoluteFilePath(QStringLiteral("other-vehicle.bin"));
          WriteOtherVehicle();
          // The menu's own action, as its shortcut would trigger it.
          auto* window = dynamic_cast<MenuWindow*>(FindView(kTemplateMain)->window());
          for (QAction* action : window->menuBar()->actions().front()->menu()->actions()) {
            if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_O)) action->trigger();
          }
        });
    scenario_.Then(
        "the file dialog", [] { return OpenFileDialog() != nullptr; },
        [this] {
          QFileDialog* dialog = OpenFileDialog();
          // The name typed into the dialog's name field, then its Open button.
          auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
          if (name != nullptr) TypeInto(name, otherFile_);
          QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        });
    scenario_.Then(
        "the comparison window", [] { return FindView(kTemplateCompare) != nullptr; },
        [this] {
          Save("12-comparison", FindView(kTemplateCompare)->window());
          Click(FindControl(kTemplateCompare, ui::kIdOk));
        });
    scenario_.Then(
        "the values taken",
        [] { return FindView(kTemplateCompare) == nullptr && FindView(kTemplateControl); },
        [this] {
          for (QLineEdit* edit : FindView(kTemplateControl)->findChildren<QLineEdit*>()) {
            if (edit->isVisible() && edit->isEnabled()) {
              TypeInto(edit, edit->text() == QStringLiteral("1") ? QStringLiteral("2")
                                                                 : QStringLiteral("1"));
              break;
            }
          }
          Save("13-marked-values");
          QFile::remove(otherFile_);
        });
  }

  static QFileDialog* OpenFileDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(widget);
      if (dialog != nullptr && dialog->isVisible()) return dialog;
    }
    return nullptr;
  }

  // The main window's first menu, opened with the mouse from its menu bar.
  void FileMenu() {
    const auto fileMenu = [] {
      DialogView* main = FindView(kTemplateMain);
      const auto* window = main != nullptr ? dynamic_cast<MenuWindow*>(main->window()) : nullptr;
      const QList<QAction*> menus =
          window != nullptr ? window->menuBar()->actions() : QList<QAction*>();
      return menus.isEmpty() ? nullptr : menus.front()->menu();
    };
    scenario_.Then(
        "the File menu", [fileMenu] { return fileMenu() != nullptr; },
        [fileMenu] {
          QMenu* menu = fileMenu();
          QMenuBar* bar = dynamic_cast<MenuWindow*>(FindView(kTemplateMain)->window())->menuBar();
          QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                            bar->actionGeometry(menu->menuAction()).center());
        });
    scenario_.Then(
        "the File menu open", [fileMenu] { return fileMenu()->isVisible(); },
        [this, fileMenu] {
          Save("09-file-menu", fileMenu());
          fileMenu()->hide();
        });
  }

  // The screen with the main window, and `above` over it when given.
  void Save(const char* name, QWidget* above = nullptr) {
    QWidget* main =
        FindView(kTemplateMain) != nullptr ? FindView(kTemplateMain)->window() : nullptr;
    const QWidget* any = above != nullptr ? above : main;
    if (any == nullptr) return;
    const QRect area = any->screen()->availableGeometry();
    QImage picture(area.width(), area.height() + taskbar_, QImage::Format_RGB32);
    picture.fill(kDesktop);
    QPainter painter(&picture);
    painter.fillRect(0, area.height(), area.width(), taskbar_, kTaskbar);
    painter.translate(-area.topLeft());
    for (QWidget* window : {main, above}) {
      if (window == nullptr || !window->isVisible()) continue;
      // A menu that pops up has no frame.
      if (window->windowType() == Qt::Popup) {
        painter.drawPixmap(window->geometry().topLeft(), window->grab());
      } else {
        DrawWindow(painter, *window);
      }
    }
    painter.end();
    const QString path = QDir(directory_).filePath(QString::fromLatin1(name) + ".png");
    if (picture.save(path)) {
      std::printf("%s\n", qPrintable(path));
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
    }
  }

  // A window in the frame and title bar that the fit leaves room for.
  static void DrawWindow(QPainter& painter, QWidget& window) {
    const QMargins frame = WindowFrame(nullptr);
    const QRect client = window.geometry();
    const QRect outer = client.marginsAdded(frame);
    painter.fillRect(outer, kFrame);
    painter.setPen(kFrameLine);
    painter.drawRect(outer.adjusted(0, 0, -1, -1));
    painter.setPen(kTitle);
    painter.setFont(QApplication::font());
    const QRect title(outer.left() + kTitleIndent, outer.top(), outer.width() - 2 * kTitleIndent,
                      frame.top());
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, window.windowTitle());
    painter.drawPixmap(client.topLeft(), window.grab());
  }

  Scenario scenario_;
  const Session& session_;
  QString directory_;
  int taskbar_;
  std::optional<std::chrono::steady_clock::time_point> monitorSeen_;
  QString otherFile_;
};

}  // namespace
}  // namespace tarn::gui

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr,
                 "usage: tarn-gui-screenshots <directory> [taskbar-height]"
                 "  (controller in TARN_PORTS)\n");
    return 2;
  }
  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  const QString directory = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(directory);
  tarn::Session session;
  tarn::gui::QtHost host;
  const int taskbar = argc == 3 ? std::max(0, std::atoi(argv[2])) : 0;
  tarn::gui::Walk walk(host, session, directory, taskbar);
  walk.Plan();
  return walk.Run(host, session) ? 0 : 1;
}
