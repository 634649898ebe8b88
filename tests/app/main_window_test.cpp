// The main window after start-up: switching pages with the refusal rule, the
// monitor, Read and Write with the status line, and the ways to close.
#include "model/definition_loader.h"
#include "model/value_codec.h"
#include "tool_session.h"

namespace tarn::testing {
namespace {

constexpr auto kWait = std::chrono::seconds(10);

class MainWindow : public ToolSession {
 protected:
  // Opens the control page and types a value its range refuses.
  const ParamDef& TypeRefusedValueOnControlPage(CQelmUserAppDlg& window) {
    window.UserClick(kIdControl);
    EXPECT_EQ(window.currentPage(), kPageControl);
    ParameterPage& control = PageOf(window, kPageControl);
    const int slot = CheckedNumberSlot(control);
    EXPECT_GE(slot, 0);
    const ParamDef& row = RowOfSlot(control, std::max(slot, 0));
    control.UserType(SlotEditId(slot), RefusedText(row));
    return row;
  }

  std::u16string RangeMessageOf(const ParamDef& row) {
    return u"Param:" + row.name + u"\nThe range should be between " +
           Utf16(std::to_string(row.rangeL)) + u"~" + Utf16(std::to_string(row.rangeH));
  }
};

TEST_F(MainWindow, RefusedValueKeepsTheControlPageAndDropsTheCommand) {
  RunTool([&](CQelmUserAppDlg& window) {
    for (const int command : {kIdMotor, kIdWrite}) {
      SCOPED_TRACE(command);
      const ParamDef& row = TypeRefusedValueOnControlPage(window);
      const std::uint8_t before = session.image[row.address];
      host.ClearMessages();
      sim.ResetCounters();

      window.UserClick(command);
      EXPECT_EQ(window.currentPage(), kPageControl);
      EXPECT_EQ(ShownPages(window), std::vector<int>{kPageControl});
      ASSERT_EQ(host.Messages().size(), 1u);
      EXPECT_EQ(host.Messages()[0].text, RangeMessageOf(row));
      EXPECT_EQ(host.Messages()[0].icon, MsgIcon::Exclamation);
      EXPECT_EQ(sim.TotalRequests(), 0);
      EXPECT_EQ(session.image[row.address], before);
      // Shown again, the page was refilled from the image.
      ParameterPage& control = PageOf(window, kPageControl);
      EXPECT_NE(control.GetText(SlotEditId(SlotOf(control, row.address))), RefusedText(row));
    }
    // Clicking the page that is shown does not even check it again.
    const ParamDef& row = TypeRefusedValueOnControlPage(window);
    host.ClearMessages();
    window.UserClick(kIdControl);
    EXPECT_TRUE(host.Messages().empty());
    ParameterPage& control = PageOf(window, kPageControl);
    EXPECT_EQ(control.GetText(SlotEditId(SlotOf(control, row.address))), RefusedText(row));
    control.UserType(SlotEditId(SlotOf(control, row.address)), Utf16(std::to_string(row.rangeL)));
    window.UserClick(kIdQuit);
  });
}

TEST_F(MainWindow, MonitorSkipsTheCheckAndPollsUntilLeft) {
  RunTool([&](CQelmUserAppDlg& window) {
    TypeRefusedValueOnControlPage(window);
    window.UserClick(kIdMonitor);
    EXPECT_EQ(host.CountMessages(0), 1);  // the range message, yet the monitor opens
    EXPECT_EQ(window.currentPage(), kPageMonitor);
    EXPECT_EQ(ShownPages(window), std::vector<int>{kPageMonitor});
    EXPECT_FALSE(window.IsControlEnabled(kIdRead) || window.IsControlEnabled(kIdWrite));
    EXPECT_TRUE(host.WaitUntil([&] { return sim.RequestCount(kCommandLiveData1) >= 2; }, kWait));

    // Read and Write cannot be clicked while the monitor polls.
    const int reads = sim.RequestCount(kCommandTransferStart);
    window.UserClick(kIdRead);
    window.UserClick(kIdWrite);
    window.UserClick(kIdMonitor);
    EXPECT_EQ(sim.RequestCount(kCommandTransferStart), reads);

    window.UserClick(kIdMotor);
    EXPECT_EQ(window.currentPage(), kPageMotor);
    EXPECT_TRUE(window.IsControlEnabled(kIdRead) && window.IsControlEnabled(kIdWrite));
    const int polls = sim.RequestCount(kCommandLiveData1);
    host.WaitUntil([] { return false; }, std::chrono::milliseconds(450));
    EXPECT_EQ(sim.RequestCount(kCommandLiveData1), polls);
    window.UserClick(kIdQuit);
  });
}

TEST_F(MainWindow, CancelAtTheCloseQuestionBringsBackThePage) {
  host.QueueAnswer(kMsgQuitQuestion, MsgAnswer::Cancel);
  host.QueueAnswer(kMsgQuitQuestion, MsgAnswer::Ok);
  bool stayedOpen = false;
  EXPECT_EQ(RunTool([&](CQelmUserAppDlg& window) {
              window.UserClick(kIdMotor);
              window.UserClose();
              stayedOpen = !window.Ended();
              EXPECT_EQ(window.currentPage(), kPageMotor);
              EXPECT_EQ(ShownPages(window), std::vector<int>{kPageMotor});
              window.UserClose();
              EXPECT_TRUE(window.Ended());
              EXPECT_TRUE(ShownPages(window).empty());
            }),
            0);
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(host.CountMessages(kMsgQuitQuestion), 2);
  EXPECT_EQ(host.Messages()[1].buttons, MsgButtons::OkCancel);
  EXPECT_EQ(host.Messages()[1].icon, MsgIcon::Question);
  EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 0);
}

TEST_F(MainWindow, CheckBoxesAreSavedAlthoughASlotValueIsRefused) {
  RunTool([&](CQelmUserAppDlg& window) {
    auto& vehicle = dynamic_cast<CVehicleDlg&>(PageOf(window, kPageVehicle));
    // An enabled check box, clicked to the other state.
    int box = -1;
    for (std::size_t j = 0; j < vehicle.flagRows().size() && box < 0; ++j) {
      if (vehicle.IsControlEnabled(kFirstFlagBox + static_cast<int>(j))) {
        box = static_cast<int>(j);
      }
    }
    ASSERT_GE(box, 0);
    const ParamDef& flag = session.defs.params[vehicle.flagRows()[box]];
    const bool was = GetFlag(flag, session.image);
    vehicle.UserClick(kFirstFlagBox + box);

    const int slot = CheckedNumberSlot(vehicle);
    ASSERT_GE(slot, 0);
    vehicle.UserType(SlotEditId(slot), RefusedText(RowOfSlot(vehicle, slot)));
    window.UserClick(kIdControl);

    EXPECT_EQ(window.currentPage(), kPageVehicle);
    EXPECT_EQ(host.CountMessages(0), 1);
    EXPECT_EQ(GetFlag(flag, session.image), !was);
    EXPECT_EQ(vehicle.GetCheck(kFirstFlagBox + box),
              was ? ui::CheckState::Unchecked : ui::CheckState::Checked);
    window.UserClick(kIdQuit);
  });
}

TEST_F(MainWindow, WriteSendsTheImageAndLeavesNoPageShown) {
  RunTool([&](CQelmUserAppDlg& window) {
    window.UserClick(kIdWrite);
    EXPECT_EQ(window.currentPage(), kPageNone);
    EXPECT_TRUE(ShownPages(window).empty());
    EXPECT_EQ(window.GetText(kIdStatus), u"Write success!");
    EXPECT_EQ(window.TextColor(kIdStatus), ui::kGreen);
    EXPECT_TRUE(window.IsControlEnabled(kIdRead) && window.IsControlEnabled(kIdWrite));
    window.UserClick(kIdQuit);
  });
  EXPECT_EQ(host.CountMessages(kMsgWriteDone), 1);
  EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 40);
}

// A Write that meets another controller, or cannot read its name, says so
// and sends no block; the status line keeps the last outcome.
TEST_F(MainWindow, WriteToAnotherOrAnUnreadableControllerSendsNothing) {
  const struct {
    const char* name;
    sim::Faults faults;
    int message;
  } cases[] = {
      {"another module name", {.moduleName = "BQX48B01"}, kMsgIdentityMismatch},
      {"name unreadable", {.silentCommand = kCommandReadBlock, .silentCount = 1},
       kMsgIdentityUnreadable},
  };
  RunTool([&](CQelmUserAppDlg& window) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      sim.SetFaults(c.faults);
      host.ClearMessages();
      window.UserClick(kIdWrite);
      ASSERT_EQ(host.Messages().size(), 1u);
      EXPECT_EQ(host.Messages()[0].id, c.message);
      ExpectItsButtonsAndIcon(host.Messages()[0]);
      EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 0);
      EXPECT_EQ(window.GetText(kIdStatus), u"Read success!");
    }
    sim.SetFaults({});
    window.UserClick(kIdQuit);
  });
}

// The status colour follows the outcome shown, not an earlier success.
TEST_F(MainWindow, FailedWriteAfterASuccessfulReadIsRed) {
  RunTool([&](CQelmUserAppDlg& window) {
    sim.SetFaults({.silentCommand = kCommandWriteBlock, .silentCount = 1000});
    window.UserClick(kIdWrite);  // 152 is answered Cancel
    EXPECT_EQ(host.CountMessages(kMsgWriteFailed), 1);
    EXPECT_EQ(window.GetText(kIdStatus), u"Write failure!");
    EXPECT_EQ(window.TextColor(kIdStatus), ui::kRed);
    sim.SetFaults({});
    window.UserClick(kIdRead);
    EXPECT_EQ(window.TextColor(kIdStatus), ui::kGreen);
    window.UserClick(kIdQuit);
  });
}

// A later Read of a controller the loaded definitions do not fit counts as
// a failed read: nothing can be edited or written until a fitting one is read.
TEST_F(MainWindow, LaterReadOfAnotherControllerTypeCountsAsFailed) {
  struct Case {
    const char* what;
    std::size_t address;
    std::vector<std::uint8_t> bytes;
    int message;
  };
  const Case cases[] = {
      {"another model", 1, {'Q', 'Y'}, kMsgUnsupportedModel},
      {"a version older than supported", 16, {0x01, 0x02}, kMsgOldVersion},
      {"a version of other definitions", 16, {0x01, 0x05}, kMsgOldVersion},
  };
  RunTool([&](CQelmUserAppDlg& window) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      sim.SetImage(sim::DefaultImage());
      sim.SetImageBytes(c.address, c.bytes);
      host.ClearMessages();
      window.UserClick(kIdRead);
      ASSERT_EQ(host.Messages().size(), 1u);
      EXPECT_EQ(host.Messages()[0].id, c.message);
      EXPECT_EQ(host.Messages()[0].buttons, MsgButtons::Ok);
      EXPECT_FALSE(session.flags.imageRead);
      EXPECT_EQ(window.GetText(kIdStatus), u"Read failure!");
      EXPECT_EQ(window.TextColor(kIdStatus), ui::kRed);
      EXPECT_TRUE(ShownPages(window).empty());

      sim.ResetCounters();
      window.UserClick(kIdVehicle);
      window.UserClick(kIdWrite);
      window.UserClick(kIdMonitor);
      EXPECT_TRUE(ShownPages(window).empty());
      EXPECT_EQ(sim.TotalRequests(), 0);

      sim.SetImage(sim::DefaultImage());
      window.UserClick(kIdRead);
      EXPECT_EQ(window.currentPage(), kPageVehicle);
      EXPECT_EQ(window.GetText(kIdStatus), u"Read success!");
    }
    window.UserClick(kIdQuit);
  });
}

// A later read of a controller of another voltage class checks the voltage
// limits against that class: 60 V fits a 48 V controller, not a 24 V one.
TEST_F(MainWindow, LaterReadOfAnotherVoltageClassChecksItsOwnLimits) {
  constexpr int kUnderVoltageAddress = 25;
  constexpr int kOverVoltageAddress = 27;
  RunTool([&](CQelmUserAppDlg& window) {
    // A 24 V controller with limits of 20 V and 28 V.
    const std::vector<std::uint8_t> class24 = {'2', '4'};
    const std::vector<std::uint8_t> limits = {0x00, 20, 0x00, 28};
    sim.SetImageBytes(kAddrVoltageClass, class24);
    sim.SetImageBytes(kUnderVoltageAddress, limits);
    window.UserClick(kIdRead);
    ASSERT_EQ(window.currentPage(), kPageVehicle);
    ParameterPage& vehicle = PageOf(window, kPageVehicle);
    const int slot = SlotOf(vehicle, kOverVoltageAddress);
    ASSERT_GE(slot, 0);
    vehicle.UserType(SlotEditId(slot), u"60");
    host.ClearMessages();
    window.UserClick(kIdMotor);
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text, RangeMessageOf(RowOfSlot(vehicle, slot)));
    EXPECT_NE(host.Messages()[0].text.find(u"8~30"), std::u16string::npos);
    EXPECT_EQ(window.currentPage(), kPageVehicle);

    sim.SetImage(sim::DefaultImage());
    window.UserClick(kIdRead);
    vehicle.UserType(SlotEditId(slot), u"60");
    host.ClearMessages();
    window.UserClick(kIdMotor);
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(window.currentPage(), kPageMotor);
    window.UserClick(kIdQuit);
  });
}

// Enter typed in a page never ends the window: in an edit it moves on to the
// next edit, and what was typed stays, refused or not, until the page is left.
TEST_F(MainWindow, EnterInAPageKeepsTheWindowAndWhatWasTyped) {
  RunTool([&](CQelmUserAppDlg& window) {
    ParameterPage& vehicle = PageOf(window, kPageVehicle);
    const int slot = CheckedNumberSlot(vehicle);
    ASSERT_GE(slot, 0);
    const ParamDef& row = RowOfSlot(vehicle, slot);
    host.ClearMessages();
    vehicle.UserFocus(SlotEditId(slot));
    vehicle.UserType(SlotEditId(slot), RefusedText(row));
    vehicle.UserPressEnter();
    EXPECT_FALSE(window.Ended());
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(vehicle.GetText(SlotEditId(slot)), RefusedText(row));
    const int next = vehicle.FocusedControl();
    ASSERT_GT(next, SlotEditId(slot));
    EXPECT_EQ(vehicle.GetText(kIdInfoLine),
              TipsWithRange(RowOfSlot(vehicle, (next - kFirstSlotEdit) / kSlotIdStep)));

    vehicle.UserType(SlotEditId(slot), Utf16(std::to_string(row.rangeL)));
    window.UserClick(kIdMonitor);
    ui::Dialog& monitor = *window.Page(kPageMonitor);
    monitor.UserFocus(SlotEditId(0));
    monitor.UserPressEnter();
    EXPECT_FALSE(window.Ended());
    EXPECT_TRUE(monitor.IsShown());
    window.UserClick(kIdQuit);
  });
}

// Right after start-up the window's focus is on the first page button, so
// Enter presses a button that changes nothing; with an edit not yet written,
// the quit question opens on No, so Enter there keeps the window too.
TEST_F(MainWindow, EnterAfterStartUpAndAtTheUnwrittenQuestionKeepsTheWindow) {
  RunTool([&](CQelmUserAppDlg& window) {
    const int first = window.InitialFocus();
    EXPECT_EQ(first, kIdVehicle);
    window.UserFocus(first);
    window.UserPressEnter();
    EXPECT_FALSE(window.Ended());
    EXPECT_EQ(window.currentPage(), kPageVehicle);

    auto& vehicle = dynamic_cast<CVehicleDlg&>(*window.Page(kPageVehicle));
    ASSERT_FALSE(vehicle.flagRows().empty());
    vehicle.UserClick(kFirstFlagBox);
    host.ClearMessages();
    window.UserFocus(kIdQuit);
    window.UserPressEnter();
    ASSERT_EQ(host.CountMessages(kMsgQuitUnwritten), 1);
    EXPECT_EQ(host.Messages().back().defaultAnswer, MsgAnswer::No);
    EXPECT_FALSE(window.Ended());
    host.QueueAnswer(kMsgQuitUnwritten, MsgAnswer::Yes);
    window.UserClick(kIdQuit);
    EXPECT_TRUE(window.Ended());
  });
}

// However the window ends, every page is hidden (and the poll stopped) before
// the pages are destroyed.
struct WayOut {
  const char* name;
  void (*leave)(CQelmUserAppDlg&);
};

void PrintTo(const WayOut& w, std::ostream* out) {
  *out << w.name;
}

class EveryWayOut : public ToolSession, public ::testing::WithParamInterface<WayOut> {};

TEST_P(EveryWayOut, HidesThePagesAndStopsThePollBeforeThePagesGo) {
  RunTool([&](CQelmUserAppDlg& window) {
    window.UserClick(kIdMonitor);
    ASSERT_TRUE(host.WaitUntil([&] { return sim.RequestCount(kCommandLiveData1) >= 1; }, kWait));
    GetParam().leave(window);
    EXPECT_TRUE(window.Ended());
    EXPECT_TRUE(ShownPages(window).empty());
  });
  ASSERT_EQ(host.Children().size(), 5u);
  for (const auto& child : host.Children()) {
    EXPECT_TRUE(child.destroyed);
    EXPECT_FALSE(child.shownWhenDestroyed) << child.templateId;
  }
  const int polls = sim.RequestCount(kCommandLiveData1);
  host.WaitUntil([] { return false; }, std::chrono::milliseconds(450));
  EXPECT_EQ(sim.RequestCount(kCommandLiveData1), polls);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, EveryWayOut,
    ::testing::Values(WayOut{"Quit", [](CQelmUserAppDlg& w) { w.UserClick(kIdQuit); }},
                      WayOut{"Escape", [](CQelmUserAppDlg& w) { w.UserPressEscape(); }},
                      WayOut{"EnterOnHiddenOk", [](CQelmUserAppDlg& w) { w.UserPressEnter(); }}),
    [](const ::testing::TestParamInfo<WayOut>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tarn::testing
