// The zero-point dialog, opened from the vehicle page's ReadZero button.
#include <numeric>

#include "pages/read_zero_dlg.h"
#include "tool_session.h"

namespace tarn::testing {
namespace {

// Readings edits and smallest-value edits, in reply order.
constexpr int kReadingsEdits[] = {1352, 1354, 1347, 1348, 1349};
constexpr int kSmallestEdits[] = {1350, 1351, 1344, 1345, 1346};
// The image bytes the five values go to, high byte first.
constexpr int kImageAddresses[] = {33, 35, 40, 42, 44};

class ZeroPoints : public ToolSession {
 protected:
  // Opens the dialog from the vehicle page; `user` plays inside it.
  void OpenZeroPointDialog(CQelmUserAppDlg& window, std::function<void(ui::Dialog&)> user) {
    host.SetModalScript(kTemplateReadZero, std::move(user));
    PageOf(window, kPageVehicle).UserClick(kIdReadZero);
  }

  std::vector<std::uint8_t> ZeroPointBytes(const ParameterImage& image) const {
    std::vector<std::uint8_t> bytes;
    for (const int address : kImageAddresses) {
      bytes.push_back(image[address]);
      bytes.push_back(image[address + 1]);
    }
    return bytes;
  }
};

TEST_F(ZeroPoints, ThreeReadingsKeepTheSmallestAndUpdateStoresIt) {
  sim.QueueZeroPoints({{2050, 2100, 1990, 1995, 1980},
                       {2047, 2101, 1991, 1993, 1985},
                       {2049, 2099, 1992, 1994, 1979}});
  RunTool([&](CQelmUserAppDlg& window) {
    OpenZeroPointDialog(window, [&](ui::Dialog& dialog) {
      EXPECT_EQ(dialog.GetText(1355), u"Hall Zero");
      EXPECT_EQ(dialog.GetText(1361), u"RZ_C_Zero");
      EXPECT_EQ(dialog.GetText(kIdZeroRead), u"Read");
      EXPECT_EQ(dialog.GetText(kIdZeroUpdate), u"Update");
      EXPECT_FALSE(dialog.IsControlEnabled(kIdZeroUpdate)) << "nothing read yet in this run";

      dialog.UserClick(kIdZeroRead);
      EXPECT_EQ(dialog.GetText(1352), u"2050,2047,2049");
      EXPECT_EQ(dialog.GetText(1350), u"2047");
      EXPECT_EQ(dialog.GetText(1349), u"1980,1985,1979");
      EXPECT_EQ(dialog.GetText(1346), u"1979");
      EXPECT_TRUE(dialog.IsControlEnabled(kIdZeroUpdate));

      dialog.UserType(1350, u"1");  // typed text has no effect on Update
      dialog.UserClick(kIdZeroUpdate);
      dialog.UserPressEscape();
    });
    EXPECT_EQ(sim.RequestCount(kCommandReadZeroPoints), 3);
    window.UserClick(kIdWrite);
    window.UserClick(kIdQuit);
  });
  const std::vector<std::uint8_t> expected = {0x07, 0xFF, 0x08, 0x33, 0x07,
                                              0xC6, 0x07, 0xC9, 0x07, 0xBB};
  EXPECT_EQ(ZeroPointBytes(session.image), expected);
  const sim::Image written = sim.GetImage();
  ParameterImage controller;
  std::copy(written.begin(), written.end(), controller.bytes.begin());
  EXPECT_EQ(ZeroPointBytes(controller), expected);
}

TEST_F(ZeroPoints, ReopenedDialogStartsEmptyAndUpdatesTheLastValues) {
  sim.QueueZeroPoints({{100, 200, 300, 400, 500}});
  RunTool([&](CQelmUserAppDlg& window) {
    OpenZeroPointDialog(window, [&](ui::Dialog& dialog) {
      dialog.UserClick(kIdZeroRead);
      dialog.UserPressEscape();
    });
    const std::vector<std::uint8_t> before = ZeroPointBytes(session.image);
    OpenZeroPointDialog(window, [&](ui::Dialog& dialog) {
      for (const int id : kReadingsEdits) EXPECT_EQ(dialog.GetText(id), u"") << id;
      for (const int id : kSmallestEdits) EXPECT_EQ(dialog.GetText(id), u"") << id;
      EXPECT_TRUE(dialog.IsControlEnabled(kIdZeroUpdate));
      EXPECT_EQ(ZeroPointBytes(session.image), before);
      dialog.UserClick(kIdZeroUpdate);
      dialog.UserClose();
    });
    window.UserClick(kIdQuit);
  });
  EXPECT_LE(session.zeroPoints[0], 100);
  EXPECT_EQ(session.image[33] << 8 | session.image[34], session.zeroPoints[0]);
}

// Replies that do not count: the smallest-value edits show what is held (0 in
// a new run), and Update stays disabled so zeros never reach the image.
TEST_F(ZeroPoints, RepliesThatDoNotCountLeaveUpdateDisabled) {
  struct Case {
    const char* what;
    std::optional<std::vector<std::uint8_t>> reply;  // nothing: no reply at all
  };
  auto frame = [](std::uint8_t command, std::vector<std::uint8_t> data) {
    std::vector<std::uint8_t> bytes = {command, static_cast<std::uint8_t>(data.size())};
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.push_back(static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0)));
    return bytes;
  };
  const Case cases[] = {
      {"silent", std::vector<std::uint8_t>{}},
      {"eight data bytes", frame(kCommandReadZeroPoints, {8, 1, 8, 2, 8, 3, 8, 4})},
      {"another command", frame(0x36, {8, 1, 8, 2, 8, 3, 8, 4, 8, 5})},
  };
  RunTool([&](CQelmUserAppDlg& window) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      sim.SetReplyHook([&](std::span<const std::uint8_t> request) {
        return request[0] == kCommandReadZeroPoints ? c.reply : std::nullopt;
      });
      const std::vector<std::uint8_t> before = ZeroPointBytes(session.image);
      OpenZeroPointDialog(window, [&](ui::Dialog& dialog) {
        dialog.UserClick(kIdZeroRead);
        for (const int id : kReadingsEdits) EXPECT_EQ(dialog.GetText(id), u"") << id;
        for (const int id : kSmallestEdits) EXPECT_EQ(dialog.GetText(id), u"0") << id;
        EXPECT_FALSE(dialog.IsControlEnabled(kIdZeroUpdate));
        dialog.UserClick(kIdZeroUpdate);
        dialog.UserPressEscape();
      });
      EXPECT_FALSE(session.zeroPointsRead);
      EXPECT_EQ(ZeroPointBytes(session.image), before);
    }
    sim.SetReplyHook(nullptr);
    window.UserClick(kIdQuit);
  });
}

// A later reading that counts after a first one that did not is not
// compared with the start values of 0.
TEST_F(ZeroPoints, FirstCountedReadingInTheRunIsNotComparedWithZero) {
  sim.SetFaults({.silentCommand = kCommandReadZeroPoints, .silentCount = 1});
  sim.QueueZeroPoints({{2047, 2046, 1990, 1991, 1992}, {2049, 2045, 1995, 1990, 1993}});
  RunTool([&](CQelmUserAppDlg& window) {
    OpenZeroPointDialog(window, [&](ui::Dialog& dialog) {
      dialog.UserClick(kIdZeroRead);
      EXPECT_EQ(dialog.GetText(1350), u"2047");
      EXPECT_EQ(dialog.GetText(1351), u"2045");
      EXPECT_EQ(dialog.GetText(1345), u"1990");
      dialog.UserPressEscape();
    });
    window.UserClick(kIdQuit);
  });
}

// Closing the dialog refills the vehicle page; Enter leaves it as it was.
TEST_F(ZeroPoints, ClosingRefillsTheVehiclePageAndEnterDoesNot) {
  RunTool([&](CQelmUserAppDlg& window) {
    auto& vehicle = dynamic_cast<CVehicleDlg&>(PageOf(window, kPageVehicle));
    const int edit = SlotEditId(CheckedNumberSlot(vehicle));
    const std::u16string shown = vehicle.GetText(edit);
    const int box = kFirstFlagBox + 1;
    const ui::CheckState ticked = vehicle.GetCheck(box);

    struct Case {
      void (*end)(ui::Dialog&);
      bool refilled;
    };
    const Case cases[] = {
        {[](ui::Dialog& d) { d.UserPressEnter(); }, false},
        {[](ui::Dialog& d) { d.UserPressEscape(); }, true},
        {[](ui::Dialog& d) { d.UserClose(); }, true},
    };
    for (const Case& c : cases) {
      vehicle.UserType(edit, u"77");
      vehicle.SetCheck(box, ticked == ui::CheckState::Checked ? ui::CheckState::Unchecked
                                                              : ui::CheckState::Checked);
      OpenZeroPointDialog(window, c.end);
      EXPECT_EQ(vehicle.GetText(edit), c.refilled ? shown : u"77");
      EXPECT_EQ(vehicle.GetCheck(box) == ticked, c.refilled);
      EXPECT_FALSE(vehicle.pageSaved());
      EXPECT_TRUE(vehicle.IsShown());
    }
    window.UserClick(kIdQuit);
  });
}

}  // namespace
}  // namespace tarn::testing
