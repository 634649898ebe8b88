// The window on the screens technicians have: the whole window with its frame
// inside the available area, drawn smaller when it does not fit, and the
// start-up's message boxes centred on the screen.
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "gui/controls.h"
#include "gui/dialog_view.h"
#include "gui/menu_window.h"
#include "gui/window_fit.h"
#include "gui_session.h"

namespace tarn::gui::test {
namespace {

bool Centred(const QRect& window, const QRect& area) {
  const QPoint offset = window.center() - area.center();
  return std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1;
}

// Every control of a page lies inside the page area with the page's frame
// left free on every side; the page itself fills the area that the main
// window's frame control marks. Its labels share one size, show their whole
// text on hover, and one that is cut shows an ellipsis.
void CheckPage(int templateId, std::vector<std::string>& faults) {
  DialogView* main = FindView(kTemplateMain);
  DialogView* page = FindView(templateId);
  const ui::ControlTemplate* frame = main->dialog()->Template().Find(kIdPageFrame);
  const QRect area = main->units().ToPixels(frame->x, frame->y, frame->cx, frame->cy);
  const std::string name = "page " + std::to_string(templateId);
  if (page->geometry() != area) faults.push_back(name + " is not on the page area");
  const QRect inside = page->rect().marginsRemoved(QMargins(1, 1, 1, 1));
  for (QObject* child : page->children()) {
    const auto* widget = qobject_cast<const QWidget*>(child);
    if (widget == nullptr || inside.contains(widget->geometry())) continue;
    const QRect r = widget->geometry();
    faults.push_back(name + ": " + widget->objectName().toStdString() + " at " +
                     std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
                     std::to_string(r.width()) + "x" + std::to_string(r.height()));
  }
  std::optional<QFont> shared;
  for (const auto* label : page->findChildren<const StaticTextWidget*>()) {
    if (!label->IsLabel() || label->isHidden()) continue;
    const std::string which = name + ": label " + label->text().toStdString();
    if (!shared) shared = label->DrawingFont();
    if (label->DrawingFont() != *shared) faults.push_back(which + " has a size of its own");
    if (label->toolTip() != label->text()) faults.push_back(which + " has no full tooltip");
    const LabelLayout layout = label->Lines();
    if (layout.cut && !layout.lines.back().endsWith(QChar(0x2026))) {
      faults.push_back(which + " is cut without an ellipsis");
    }
    if (!layout.cut && layout.lines.join(u' ') != label->text().simplified()) {
      faults.push_back(which + " lost words");
    }
  }
}

struct PageVisit {
  int button;
  int templateId;
};

constexpr PageVisit kPages[] = {{kIdVehicle, kTemplateVehicle},
                                {kIdControl, kTemplateControl},
                                {kIdMotor, kTemplateMotor},
                                {kIdMonitor, kTemplateMonitor},
                                {kIdCom, kTemplateCom}};

// What a session on one screen saw of the main window: its window, and in
// the window's client coordinates the dialog, the menu bar and the status bar.
struct Seen {
  QRect frame;
  QRect client;
  QRect dialog;
  QRect menuBar;
  QRect statusBar;
  QSize drawn;  // the template's size at the scale drawn
  qreal scale = 0;
  QSize natural;
  bool warningCentred = false;
};

void SeeMainWindow(Seen& seen) {
  DialogView* main = FindView(kTemplateMain);
  QWidget* window = main->window();
  seen.frame = window->frameGeometry();
  seen.client = window->geometry();
  seen.dialog = QRect(main->mapTo(window, QPoint(0, 0)), main->size());
  if (const auto* bars = dynamic_cast<const MenuWindow*>(window)) {
    if (bars->menuBar()->isVisible()) seen.menuBar = bars->menuBar()->geometry();
    if (bars->statusBar()->isVisible()) seen.statusBar = bars->statusBar()->geometry();
  }
  seen.drawn = main->DialogSize();
  seen.scale = main->units().scale();
  seen.natural = main->units().WithScale(1.0).ToPixels(400, 431);
}

class OnEveryScreen : public GuiSession, public ::testing::WithParamInterface<TestScreen> {};

TEST_P(OnEveryScreen, TheWholeWindowLiesInsideTheAvailableArea) {
  QScreen* screen = TestScreenNamed(GetParam().name);
  if (screen == nullptr) GTEST_SKIP() << "not on the offscreen platform's test screens";
  host.SetScreen(screen);
  const QRect area = screen->availableGeometry();
  Seen seen;
  scenario
      .Then(
          "the warning", [] { return OpenMessageId() == kMsgStartWarning; },
          [&] {
            seen.warningCentred = Centred(OpenMessageBox()->frameGeometry(), area);
            AnswerMessage(QMessageBox::Yes);
          })
      .Then(
          "the vehicle page", [] { return FindView(kTemplateVehicle) != nullptr; },
          [&] { SeeMainWindow(seen); });
  // Every page in turn; the COM page's button may be hidden by the definitions.
  std::vector<std::string> pageFaults;
  std::size_t pagesChecked = 0;
  bool comHidden = false;
  for (const PageVisit& visit : kPages) {
    scenario
        .Then(
            "a page button", [] { return true; },
            [visit, &comHidden] {
              QWidget* button = FindControl(kTemplateMain, visit.button);
              if (button->isVisible()) {
                Click(button);
              } else {
                comHidden = true;
              }
            })
        .Then("the page shown", [visit, &comHidden, &pageFaults, &pagesChecked] {
          if (visit.button == kIdCom && comHidden) return true;
          if (FindView(visit.templateId) == nullptr) return false;
          CheckPage(visit.templateId, pageFaults);
          ++pagesChecked;
          return true;
        });
  }
  Quit();
  Run();
  EXPECT_EQ(pagesChecked, std::size(kPages) - (comHidden ? 1 : 0));
  for (const std::string& fault : pageFaults) ADD_FAILURE() << fault;
  std::printf("[ screen   ] %s (area %dx%d): window %dx%d, scale %.3f, natural %dx%d\n",
              GetParam().name, area.width(), area.height(), seen.client.width(),
              seen.client.height(), seen.scale, seen.natural.width(), seen.natural.height());
  EXPECT_TRUE(seen.warningCentred);
  EXPECT_TRUE(area.contains(seen.frame)) << "frame outside the area";
  // Room for a desktop's title bar and borders too, not just this platform's.
  EXPECT_TRUE(area.contains(seen.client.marginsAdded(WindowFrame(nullptr))));
  // The menu bar above the whole dialog, the status bar below it, all of
  // them inside the window.
  const QRect inside(QPoint(0, 0), seen.client.size());
  ASSERT_FALSE(seen.menuBar.isEmpty()) << "no menu bar";
  ASSERT_FALSE(seen.statusBar.isEmpty()) << "no status bar";
  EXPECT_EQ(seen.dialog.size(), seen.drawn);
  EXPECT_LE(seen.menuBar.bottom(), seen.dialog.top());
  EXPECT_GE(seen.statusBar.top(), seen.dialog.bottom());
  for (const QRect& part : {seen.dialog, seen.menuBar, seen.statusBar}) {
    EXPECT_TRUE(inside.contains(part));
  }
  const int bars = seen.menuBar.height() + seen.statusBar.height();
  if (seen.natural.grownBy(WindowFrame(nullptr)).height() + bars <= area.height()) {
    EXPECT_EQ(seen.scale, 1.0) << "shrunk though it fits";
    EXPECT_EQ(seen.dialog.size(), seen.natural);
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, OnEveryScreen, ::testing::ValuesIn(kTestScreens),
                         [](const auto& param) {
                           std::string name = param.param.name;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return "Screen" + name;
                         });

// Before the main window is on screen its boxes are centred on the screen.
TEST_F(GuiSession, NoControllerMessageIsCentredOnTheScreen) {
  setenv("TARN_PORTS", "/nonexistent/tarn-test-port", 1);
  bool centred = false;
  scenario
      .Then(
          "the warning", [] { return OpenMessageId() == kMsgStartWarning; },
          [] { AnswerMessage(QMessageBox::Yes); })
      .Then(
          "message 149", [] { return OpenMessageId() == kMsgNoController; },
          [&] {
            centred = Centred(OpenMessageBox()->frameGeometry(),
                              host.Screen()->availableGeometry());
            AnswerMessage(QMessageBox::Cancel);
          });
  Run();
  EXPECT_TRUE(centred);
}

}  // namespace
}  // namespace tarn::gui::test
