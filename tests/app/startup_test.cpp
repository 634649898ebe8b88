// Start-up as the user sees it: the warning, the search for the controller,
// the first read, the choice of definitions and the vehicle page.
#include <array>

#include "model/definition_loader.h"
#include "tool_session.h"

namespace tarn::testing {
namespace {

TEST_F(ToolSession, StartUpShowsTheVehiclePageWithReadSuccess) {
  const int result = RunTool([&](CQelmUserAppDlg& window) {
    EXPECT_EQ(window.currentPage(), kPageVehicle);
    EXPECT_EQ(ShownPages(window), std::vector<int>{kPageVehicle});
    EXPECT_EQ(window.GetText(kIdStatus), u"Read success!");
    EXPECT_EQ(window.TextColor(kIdStatus), ui::kGreen);
    EXPECT_TRUE(window.IsBold(kIdStatus));
    EXPECT_TRUE(window.IsControlEnabled(kIdRead) && window.IsControlEnabled(kIdWrite));
    EXPECT_TRUE(window.IsControlVisible(kIdCom));

    const std::array<std::pair<int, std::u16string_view>, 8> captions = {{
        {kIdVehicle, u"Vehicle"},
        {kIdControl, u"Control"},
        {kIdMotor, u"Motor"},
        {kIdCom, u"COM"},
        {kIdRead, u"Read"},
        {kIdWrite, u"Write"},
        {kIdMonitor, u"Monitor"},
        {kIdQuit, u"Quit"},
    }};
    for (const auto& [id, caption] : captions) {
      EXPECT_EQ(window.GetText(id), caption) << id;
    }

    // Five pages in order, all in the page area.
    ASSERT_EQ(window.pageCount(), 5);
    const int templates[] = {107, 108, 109, 110, 111};
    for (int key = 1; key <= 5; ++key) {
      EXPECT_EQ(window.Page(key)->Template().id, templates[key - 1]);
    }
    for (const auto& child : host.Children()) {
      EXPECT_EQ(child.rect.x, 4);
      EXPECT_EQ(child.rect.y, 64);
      EXPECT_EQ(child.rect.cx, 390);
      EXPECT_EQ(child.rect.cy, 300);
    }
    ParameterPage& vehicle = PageOf(window, kPageVehicle);
    EXPECT_TRUE(vehicle.IsControlVisible(SlotEditId(0)));
    EXPECT_EQ(vehicle.GetText(kIdReadZero), u"ReadZero");
    window.UserClick(kIdQuit);
  });

  EXPECT_EQ(result, 0);
  EXPECT_EQ(mainWindowRuns, 1);
  ASSERT_EQ(host.Messages().size(), 1u);
  const ui::ShownMessage& warning = host.Messages()[0];
  EXPECT_EQ(warning.id, kMsgStartWarning);
  EXPECT_EQ(warning.buttons, MsgButtons::YesNo);
  EXPECT_EQ(warning.icon, MsgIcon::Question);
  EXPECT_TRUE(warning.text.starts_with(u"Предупреждение: "));
  EXPECT_NE(warning.text.find(u"двигателе.\r\n\r\n1.\"Да\" чтобы продолжить"),
            std::u16string::npos);
  EXPECT_NE(warning.text.find(u"не работает.\r\n2.\"Нет\" если"), std::u16string::npos);
  EXPECT_EQ(host.Children().size(), 5u);
  EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 0);
}

TEST_F(ToolSession, NoAtTheWarningTouchesNoPort) {
  AnswerWarning(MsgAnswer::No);
  EXPECT_NE(RunTool(nullptr), 0);
  EXPECT_EQ(mainWindowRuns, 0);
  EXPECT_EQ(host.Messages().size(), 1u);
  EXPECT_EQ(sim.TotalRequests(), 0);
  EXPECT_EQ(session.link.port(), nullptr);
}

TEST_F(ToolSession, WithoutAPortRetryScansAgainAndCancelEnds) {
  setenv("TARN_PORTS", "/nonexistent/ttyUSB9", 1);
  host.QueueAnswer(kMsgNoController, MsgAnswer::Retry);
  host.QueueAnswer(kMsgNoController, MsgAnswer::Cancel);
  EXPECT_EQ(RunTool(nullptr), 0);
  EXPECT_EQ(host.CountMessages(kMsgNoController), 2);
  // The box's details say what the port gave.
  EXPECT_EQ(host.Messages().back().details,
            u"/nonexistent/ttyUSB9: нет такого устройства (No such file or directory)");
  EXPECT_EQ(mainWindowRuns, 0);
  EXPECT_TRUE(host.Children().empty());
}

TEST_F(ToolSession, RetryFindsAControllerPluggedInMeanwhile) {
  const std::string controller = sim.SlavePath();
  setenv("TARN_PORTS", "/nonexistent/ttyUSB9", 1);
  host.AddRule([&](const ui::ShownMessage& shown) -> std::optional<MsgAnswer> {
    if (shown.id != kMsgNoController) return std::nullopt;
    setenv("TARN_PORTS", controller.c_str(), 1);
    return MsgAnswer::Retry;
  });
  RunTool([](CQelmUserAppDlg& window) { EXPECT_EQ(window.currentPage(), kPageVehicle); });
  EXPECT_EQ(host.CountMessages(kMsgNoController), 1);
  EXPECT_EQ(mainWindowRuns, 1);
}

TEST_F(ToolSession, FirstReadThatSucceedsOnRetryStartsNormally) {
  // Both opening TransferStart frames of the first read go unanswered.
  sim.SetFaults({.silentCommand = kCommandTransferStart, .silentCount = 2});
  host.QueueAnswer(kMsgReadFailed, MsgAnswer::Retry);
  RunTool([](CQelmUserAppDlg& window) {
    EXPECT_EQ(window.currentPage(), kPageVehicle);
    EXPECT_EQ(window.GetText(kIdStatus), u"Read success!");
  });
  EXPECT_EQ(host.CountMessages(kMsgReadFailed), 1);
  EXPECT_EQ(mainWindowRuns, 1);
}

// Every refusal on the way ends the program after its message.
struct Refusal {
  const char* name;
  std::size_t address;
  std::vector<std::uint8_t> bytes;  // none: the controller stops answering reads
  int message;
  MsgButtons buttons;
};

void PrintTo(const Refusal& r, std::ostream* out) {
  *out << r.name;
}

class StartUpRefusal : public ToolSession, public ::testing::WithParamInterface<Refusal> {};

TEST_P(StartUpRefusal, EndsTheProgramAfterItsMessage) {
  const Refusal& c = GetParam();
  if (c.bytes.empty()) {
    sim.SetFaults({.silentCommand = kCommandTransferStart, .silentCount = 1000});
  }
  sim.SetImageBytes(c.address, c.bytes);
  EXPECT_EQ(RunTool([](CQelmUserAppDlg&) {}), 0);
  EXPECT_EQ(mainWindowRuns, 0);
  ASSERT_EQ(host.Messages().size(), 2u);
  EXPECT_EQ(host.Messages()[1].id, c.message);
  EXPECT_EQ(host.Messages()[1].buttons, c.buttons);
  EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 0);
  EXPECT_EQ(host.Children().size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, StartUpRefusal,
    ::testing::Values(Refusal{"ReadCancelled", 0, {}, kMsgReadFailed, MsgButtons::RetryCancel},
                      Refusal{
                          "ModelInLowerCase", 1, {'q', 'x'}, kMsgUnsupportedModel, MsgButtons::Ok},
                      Refusal{"ModelCutShort", 1, {'Q', 0}, kMsgUnsupportedModel, MsgButtons::Ok},
                      Refusal{"Version0103", 16, {0x01, 0x03}, kMsgOldVersion, MsgButtons::Ok}),
    [](const ::testing::TestParamInfo<Refusal>& param) { return std::string(param.param.name); });

TEST_F(ToolSession, HardwareCode7WHidesTheComButton) {
  sim.SetImageBytes(84, std::vector<std::uint8_t>{'7', 'W'});
  RunTool([](CQelmUserAppDlg& window) {
    EXPECT_FALSE(window.IsControlVisible(kIdCom));
    window.UserClick(kIdCom);  // a hidden button cannot be clicked
    EXPECT_EQ(window.currentPage(), kPageVehicle);
  });
  EXPECT_EQ(mainWindowRuns, 1);
}

}  // namespace
}  // namespace tarn::testing
