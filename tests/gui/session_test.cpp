// Sessions on the real widgets against the simulated controller, played as a
// user would: real clicks, keys and the close box, real message boxes.
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "gui/dialog_view.h"
#include "gui_session.h"
#include "model/value_codec.h"
#include "live/monitor_display.h"
#include "pages/parameter_page.h"

namespace tarn::gui::test {
namespace {

// The zero-point dialog's first edit: phase A of the current sensor.
constexpr int kIdZeroFirstEdit = 1350;
constexpr int kPollsToCompare = 2;

ParameterImage ImageOf(const sim::Image& bytes) {
  ParameterImage image;
  std::copy(bytes.begin(), bytes.end(), image.bytes.begin());
  return image;
}

QString ToQ(const std::u16string& text) {
  return QString::fromStdU16String(text);
}

// The rows in the vehicle page's slots 0, 1, ... and in its check boxes.
std::vector<int> SlotRows(const DefinitionSet& defs) {
  std::vector<int> rows;
  const RowRange range = RowsOfPage(PageRows::Vehicle, defs);
  for (int row = range.begin; row < range.end; ++row) {
    if (TakesSlot(defs.params[row])) rows.push_back(row);
  }
  return rows;
}

std::vector<int> FlagRows(const DefinitionSet& defs) {
  std::vector<int> rows;
  for (int row = 0; row < kFlagRowCount; ++row) {
    if (TakesSlot(defs.params[row])) rows.push_back(row);
  }
  return rows;
}

TEST_F(GuiSession, StartUpShowsTheControllersValuesOnTheVehiclePage) {
  std::vector<std::pair<QString, QString>> shownAndExpected;
  StartToVehiclePage();
  scenario.Then("the vehicle page's values", [&] {
    const ParameterImage image = ImageOf(sim.GetImage());
    const std::vector<int> rows = SlotRows(session.defs);
    for (std::size_t slot = 0; slot < rows.size(); ++slot) {
      const ParamDef& def = session.defs.params[rows[slot]];
      const QWidget* edit = FindControl(kTemplateVehicle, SlotEditId(static_cast<int>(slot)));
      const QWidget* label = FindControl(kTemplateVehicle, SlotLabelId(static_cast<int>(slot)));
      if (edit == nullptr || label == nullptr || !edit->isVisible() || !label->isVisible()) {
        ADD_FAILURE() << "slot " << slot << " is not on screen";
        return true;
      }
      shownAndExpected.emplace_back(ShownText(edit), ToQ(FormatValue(def, image)));
      shownAndExpected.emplace_back(ShownText(label), ToQ(def.name));
    }
    return true;
  });
  Quit();
  Run();
  ASSERT_FALSE(shownAndExpected.empty());
  for (const auto& [shown, expected] : shownAndExpected) EXPECT_EQ(shown, expected);
}

TEST_F(GuiSession, AnOutOfRangeValueIsRefusedAndThePageStays) {
  int slot = -1;
  QString message;
  StartToVehiclePage();
  scenario
      .Then(
          "an out-of-range value typed",
          [&] {
            const std::vector<int> rows = SlotRows(session.defs);
            for (std::size_t k = 0; k < rows.size() && slot < 0; ++k) {
              const ParamDef& def = session.defs.params[rows[k]];
              if (def.en == 1 && def.sw == u"uo" && def.pro == 1) slot = static_cast<int>(k);
            }
            return true;
          },
          [&] {
            const ParamDef& def = session.defs.params[SlotRows(session.defs)[slot]];
            TypeInto(FindControl(kTemplateVehicle, SlotEditId(slot)),
                     QString::number(def.rangeH + 1));
            Click(FindControl(kTemplateMain, kIdMotor));
          })
      .Then(
          "the range message", [] { return OpenMessageId() == 0; },
          [&] {
            message = OpenMessageBox()->text();
            AnswerMessage(QMessageBox::Ok);
          })
      .Then("the vehicle page still shown",
            [] { return OpenMessageBox() == nullptr && FindView(kTemplateVehicle) != nullptr; });
  Quit();
  Run();
  ASSERT_GE(slot, 0) << "no range-checked byte on the vehicle page";
  EXPECT_EQ(message, ToQ(RangeMessage(session.defs.params[SlotRows(session.defs)[slot]])));
  EXPECT_EQ(FindView(kTemplateMotor), nullptr);
}

TEST_F(GuiSession, TickingACheckBoxAndWritingChangesExactlyThatBit) {
  const sim::Image before = sim.GetImage();
  int box = -1;
  QString status;
  StartToVehiclePage();
  scenario
      .Then(
          "a check box ticked",
          [&] {
            const std::vector<int> rows = FlagRows(session.defs);
            for (std::size_t j = 0; j < rows.size() && box < 0; ++j) {
              if (session.defs.params[rows[j]].en == 1) box = static_cast<int>(j);
            }
            return true;
          },
          [&] {
            Click(FindControl(kTemplateVehicle, kFirstFlagBox + box));
            Click(FindControl(kTemplateMain, kIdWrite));
          })
      .Then(
          "message 153", [] { return OpenMessageId() == kMsgWriteDone; },
          [&] {
            status = ShownText(FindControl(kTemplateMain, kIdStatus));
            AnswerMessage(QMessageBox::Ok);
          });
  Quit();
  Run();
  ASSERT_GE(box, 0) << "no check box that can be ticked";
  EXPECT_EQ(status, QStringLiteral("Write success!"));
  const ParamDef& def = session.defs.params[FlagRows(session.defs)[box]];
  sim::Image expected = before;
  expected[def.address] ^= static_cast<std::uint8_t>(1U << def.pos);
  const sim::Image after = sim.GetImage();
  for (std::size_t address = 0; address < after.size(); ++address) {
    EXPECT_EQ(after[address], expected[address]) << "byte " << address;
  }
}

TEST_F(GuiSession, TheMonitorsValuesChangeBetweenPolls) {
  QStringList first;
  int firstPoll = 0;
  auto shownValues = [] {
    QStringList values;
    for (QLineEdit* edit : FindView(kTemplateMonitor)->findChildren<QLineEdit*>()) {
      if (edit->isVisible()) values << edit->text();
    }
    return values;
  };
  StartToVehiclePage();
  scenario
      .Then(
          "the monitor", [] { return true; }, [] { Click(FindControl(kTemplateMain, kIdMonitor)); })
      .Then("a poll answered",
            [&] {
              const QWidget* status = FindControl(kTemplateMonitor, kMonitorStatusBoxId);
              if (status == nullptr || ShownText(status) != u"Success!") return false;
              first = shownValues();
              firstPoll = sim.RequestCount(kCommandLiveData1);
              return true;
            })
      .Then(
          "later polls show other values",
          [&] {
            return sim.RequestCount(kCommandLiveData1) >= firstPoll + kPollsToCompare &&
                   shownValues() != first;
          },
          [] { Click(FindControl(kTemplateMain, kIdVehicle)); })
      .Then("back on the vehicle page", [] { return FindView(kTemplateVehicle) != nullptr; });
  Quit();
  Run();
}

TEST_F(GuiSession, TheCloseBoxWithCancelKeepsTheWindow) {
  bool keptAfterCancel = false;
  StartToVehiclePage();
  scenario
      .Then(
          "the close box", [] { return true; }, [] { CloseWindow(FindView(kTemplateMain)); })
      .Then(
          "message 154", [] { return OpenMessageId() == kMsgQuitQuestion; },
          [] { AnswerMessage(QMessageBox::Cancel); })
      .Then(
          "the window and its page still there",
          [&] {
            keptAfterCancel =
                FindView(kTemplateMain) != nullptr && FindView(kTemplateVehicle) != nullptr;
            return OpenMessageBox() == nullptr;
          },
          [] { CloseWindow(FindView(kTemplateMain)); })
      .Then(
          "message 154 again", [] { return OpenMessageId() == kMsgQuitQuestion; },
          [] { AnswerMessage(QMessageBox::Ok); });
  Run();
  EXPECT_TRUE(keptAfterCancel);
  EXPECT_EQ(FindView(kTemplateMain), nullptr);
}

// The main window opens with the focus on the Vehicle button, not on Quit:
// Enter typed right after start-up leaves the program and its page open.
TEST_F(GuiSession, EnterRightAfterStartUpKeepsTheWindow) {
  bool focusOnVehicle = false;
  bool stillOpen = false;
  StartToVehiclePage();
  scenario
      .Then(
          "the focus in the main window", [] { return QApplication::focusWidget() != nullptr; },
          [&] {
            QWidget* focus = QApplication::focusWidget();
            focusOnVehicle = focus == FindControl(kTemplateMain, kIdVehicle);
            QTest::keyClick(focus, Qt::Key_Return);
          })
      .Then(
          "after Enter", [] { return true; },
          [&] {
            stillOpen = FindView(kTemplateMain) != nullptr &&
                        FindView(kTemplateVehicle) != nullptr && OpenMessageBox() == nullptr;
          });
  Quit();
  Run();
  EXPECT_TRUE(focusOnVehicle);
  EXPECT_TRUE(stillOpen);
}

// Enter in a page's edit moves on to the next edit, as Tab does, and keeps
// the program and what was typed, refused or not; Enter on a focused button
// presses it.
TEST_F(GuiSession, EnterMovesToTheNextEditAndPressesAFocusedButton) {
  int slot = -1;
  QString refused;
  QString leftBehind;
  int focusedId = 0;
  bool focusOnThatEdit = false;
  bool selected = false;
  QString info;
  QString expectedInfo;
  bool boxShown = true;
  StartToVehiclePage();
  scenario
      .Then(
          "a refused value typed, then Enter",
          [&] {
            const std::vector<int> rows = SlotRows(session.defs);
            for (std::size_t k = 0; k + 1 < rows.size() && slot < 0; ++k) {
              const ParamDef& def = session.defs.params[rows[k]];
              if (def.en == 1 && def.sw == u"uo" && def.pro == 1) slot = static_cast<int>(k);
            }
            return true;
          },
          [&] {
            const ParamDef& def = session.defs.params[SlotRows(session.defs)[slot]];
            QWidget* edit = FindControl(kTemplateVehicle, SlotEditId(slot));
            refused = QString::number(def.rangeH + 1);
            TypeInto(edit, refused);
            QTest::keyClick(edit, Qt::Key_Return);
          })
      .Then(
          "the focus on the next edit",
          [&] {
            const QWidget* focus = QApplication::focusWidget();
            return focus != nullptr && focus != FindControl(kTemplateVehicle, SlotEditId(slot)) &&
                   qobject_cast<const QLineEdit*>(focus) != nullptr;
          },
          [&] {
            DialogView* page = FindView(kTemplateVehicle);
            auto* vehicle = dynamic_cast<ParameterPage*>(page->dialog());
            focusedId = vehicle->FocusedControl();
            auto* next = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            focusOnThatEdit = page->Control(focusedId) == next;
            selected = next->selectedText() == next->text();
            info = ShownText(FindControl(kTemplateVehicle, kIdInfoLine));
            const int nextSlot = (focusedId - kFirstSlotEdit) / kSlotIdStep;
            expectedInfo = ToQ(TipsWithRange(session.defs.params[vehicle->slotRows()[nextSlot]]));
            boxShown = OpenMessageBox() != nullptr;
            leftBehind = ShownText(FindControl(kTemplateVehicle, SlotEditId(slot)));

            // A value in range, then Enter on the Motor button.
            TypeInto(FindControl(kTemplateVehicle, SlotEditId(slot)),
                     QString::number(session.defs.params[vehicle->slotRows()[slot]].rangeL));
            QWidget* motor = FindControl(kTemplateMain, kIdMotor);
            motor->setFocus(Qt::TabFocusReason);
            QTest::keyClick(motor, Qt::Key_Return);
          })
      .Then("Enter on the Motor button shows the motor page",
            [] { return FindView(kTemplateMotor) != nullptr; });
  QuitLeavingUnwritten();
  Run();
  ASSERT_GE(slot, 0) << "no range-checked byte on the vehicle page";
  EXPECT_FALSE(boxShown);
  EXPECT_EQ(leftBehind, refused);
  EXPECT_GT(focusedId, SlotEditId(slot));
  EXPECT_TRUE(focusOnThatEdit);
  EXPECT_TRUE(selected);
  EXPECT_EQ(info, expectedInfo);
}

// Esc ends the zero-point dialog with the cancel result, on which the vehicle
// page refills itself from the image; Enter in an edit gives the OK result,
// which leaves the page as it was.
struct ZeroDialogKey {
  const char* name;
  Qt::Key key;
  bool pageRefilled;
};

void PrintTo(const ZeroDialogKey& key, std::ostream* out) {
  *out << key.name;
}

class ZeroDialogKeys : public GuiSession, public ::testing::WithParamInterface<ZeroDialogKey> {};

TEST_P(ZeroDialogKeys, EndTheDialogWithTheirResult) {
  QString typed;
  int slot = -1;
  QString original;
  QString typedShown;
  QString afterwards;
  StartToVehiclePage();
  scenario
      .Then(
          "a value typed, then ReadZero",
          [&] {
            const std::vector<int> rows = SlotRows(session.defs);
            for (std::size_t k = 0; k < rows.size() && slot < 0; ++k) {
              const ParamDef& def = session.defs.params[rows[k]];
              if (def.en == 1 && def.sw == u"uo") slot = static_cast<int>(k);
            }
            return true;
          },
          [&] {
            // A value in range, so that leaving the page later stores it.
            const ParamDef& def = session.defs.params[SlotRows(session.defs)[slot]];
            QWidget* edit = FindControl(kTemplateVehicle, SlotEditId(slot));
            original = ShownText(edit);
            typed = QString::number(ShownText(edit) == QString::number(def.rangeL) ? def.rangeH
                                                                                   : def.rangeL);
            TypeInto(edit, typed);
            typedShown = ShownText(edit);
            Click(FindControl(kTemplateVehicle, kIdReadZero));
          })
      .Then(
          "the zero-point dialog", [] { return FindView(kTemplateReadZero) != nullptr; },
          [] {
            QWidget* edit = FindControl(kTemplateReadZero, kIdZeroFirstEdit);
            QTest::mouseClick(edit, Qt::LeftButton);
            QTest::keyClick(edit, GetParam().key);
          })
      .Then(
          "the dialog gone", [] { return FindView(kTemplateReadZero) == nullptr; },
          [&] { afterwards = ShownText(FindControl(kTemplateVehicle, SlotEditId(slot))); });
  // A refilled page dropped the typed value; one that kept it asks at Quit.
  if (GetParam().pageRefilled) {
    Quit();
  } else {
    QuitLeavingUnwritten();
  }
  Run();
  ASSERT_GE(slot, 0) << "no editable slot on the vehicle page";
  ASSERT_EQ(typedShown, typed);
  ASSERT_NE(original, typed);
  EXPECT_EQ(afterwards, GetParam().pageRefilled ? original : typed);
}

INSTANTIATE_TEST_SUITE_P(Keys, ZeroDialogKeys,
                         ::testing::Values(ZeroDialogKey{"Escape", Qt::Key_Escape, true},
                                           ZeroDialogKey{"Enter", Qt::Key_Return, false}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tarn::gui::test
