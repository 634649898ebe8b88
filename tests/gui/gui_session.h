// A whole session of the program on the real widgets against the simulated
// controller on a pseudo-terminal: the warning, the main window, the pages.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <ostream>

#include "app/app.h"
#include "app/main_dlg.h"
#include "gui/automation.h"
#include "gui/qt_host.h"
#include "link/session.h"
#include "monitor/monitor_page.h"
#include "monitor/read_zero_dlg.h"
#include "pages/parameter_pages.h"
#include "sim/simulator.h"

// Readable QStrings in the failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << text.toStdString();
}

namespace tarn::gui::test {

inline constexpr std::chrono::seconds kSessionTimeout(60);

// One QApplication for the whole test program, on the offscreen platform
// unless the caller chose another.
inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "tests_gui";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  new QApplication(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
}

struct ApplicationFirst {
  ApplicationFirst() { EnsureApplication(); }
};

class GuiSession : public ::testing::Test, private ApplicationFirst {
 protected:
  void SetUp() override {
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

  sim::Simulator sim{sim::Options{.pacing = false}};
  Session session;
  QtHost host;
  Scenario scenario{host};
};

}  // namespace tarn::gui::test
