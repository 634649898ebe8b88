// A whole session of the program on the real widgets against the simulated
// controller on a pseudo-terminal: the warning, the main window, the pages.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QScreen>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "app/app.h"
#include "app/file_commands.h"
#include "app/main_dlg.h"
#include "app/session.h"
#include "gui/automation/automation.h"
#include "gui/qt_host.h"
#include "monitor/monitor_page.h"
#include "pages/read_zero_dlg.h"
#include "pages/parameter_pages.h"
#include "sim/simulator.h"

// Readable QStrings in the failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << text.toStdString();
}

namespace tarn::gui::test {

inline constexpr std::chrono::seconds kSessionTimeout(60);

// The screens of the service laptops and workshop PCs, side by side on the
// offscreen platform. Each is given by its available area: the screen less a
// taskbar of 40 pixels, scaled with the screen. Sessions open on the first,
// the laptop's, unless a test picks another (the platform takes the first
// name in sort order for its primary screen, so sessions set theirs).
struct TestScreen {
  const char* name;
  int width, height;  // device pixels
  int percent;        // the desktop's scaling
};

inline void PrintTo(const TestScreen& s, std::ostream* out) {
  *out << s.name;
}

inline constexpr TestScreen kTestScreens[] = {
    {"1366x768", 1366, 768, 100},
    {"1280x1024", 1280, 1024, 100},
    {"1920x1080", 1920, 1080, 100},
    {"1920x1080-150", 1920, 1080, 150},
    {"1366x768-150", 1366, 768, 150},
};
inline constexpr int kTaskbarHeight = 40;
inline constexpr int kBaseDpi = 96;
inline constexpr int kFullPercent = 100;

// The offscreen platform's configuration with the screens above.
inline std::string ScreensConfiguration() {
  std::string json = R"({"windowFrameMargins": true, "screens": [)";
  int x = 0;
  for (const TestScreen& screen : kTestScreens) {
    const int taskbar = kTaskbarHeight * screen.percent / kFullPercent;
    json += (x == 0 ? "" : ",") + std::string(R"({"name": ")") + screen.name +
            R"(", "x": )" + std::to_string(x) + R"(, "y": 0, "width": )" +
            std::to_string(screen.width) + R"(, "height": )" +
            std::to_string(screen.height - taskbar) + R"(, "logicalDpi": )" +
            std::to_string(kBaseDpi * screen.percent / kFullPercent) +
            R"(, "logicalBaseDpi": 96, "dpr": 1})";
    x += screen.width;
  }
  return json + "]}";
}

// The screen of that name, or nullptr (on a platform the caller chose).
inline QScreen* TestScreenNamed(const char* name) {
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen->name() == QLatin1String(name)) return screen;
  }
  return nullptr;
}

// One QApplication for the whole test program, on the offscreen platform
// with the screens above unless the caller chose another platform.
inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "tests_gui";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() != nullptr) return;
  const std::filesystem::path config = std::filesystem::temp_directory_path() /
                                       ("tarn-gui-screens-" + std::to_string(getpid()) + ".json");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    std::ofstream(config) << ScreensConfiguration();
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
  }
  new QApplication(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  std::error_code ignored;
  std::filesystem::remove(config, ignored);
}

struct ApplicationFirst {
  ApplicationFirst() { EnsureApplication(); }
};

class GuiSession : public ::testing::Test, private ApplicationFirst {
 protected:
  void SetUp() override {
    // The laptop's screen, the smallest, unless a test picks another.
    if (QScreen* laptop = TestScreenNamed(kTestScreens[0].name)) host.SetScreen(laptop);
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    setenv("TARN_PORTS", sim.SlavePath().c_str(), 1);
  }

  // Runs the program's session until it ends; the scenario plays the user.
  void Run() {
    scenario.Start(kSessionTimeout);
    CQelmUserAppApp(host, session).InitInstance();
    EXPECT_FALSE(scenario.Failed())
        << "gave up waiting for: " << scenario.FailedStep().toStdString();
    EXPECT_TRUE(scenario.Finished());
  }

  // The common opening: Yes at the warning, then the vehicle page on screen.
  void StartToVehiclePage() {
    scenario
        .Then(
            "the warning", [] { return OpenMessageId() == kMsgStartWarning; },
            [] { AnswerMessage(QMessageBox::Yes); })
        .Then("the vehicle page", [] { return FindView(kTemplateVehicle) != nullptr; });
  }

  // The common ending: the Quit button.
  void Quit() {
    scenario.Then(
        "Quit", [] { return FindControl(kTemplateMain, ui::kIdCancel) != nullptr; },
        [] { Click(FindControl(kTemplateMain, ui::kIdCancel)); });
  }
  // Quit with typed values not yet written: the question is answered Yes.
  void QuitLeavingUnwritten() {
    Quit();
    scenario.Then(
        "the unwritten question", [] { return OpenMessageId() == kMsgQuitUnwritten; },
        [] { AnswerMessage(QMessageBox::Yes); });
  }

  sim::Simulator sim{sim::Options{.pacing = false}};
  Session session;
  QtHost host;
  Scenario scenario{host};
};

}  // namespace tarn::gui::test
