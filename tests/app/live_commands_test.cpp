// The Live menu in a user's session: recording from the menu with the status
// bar counting rows, the chart window and the error history window, all fed
// by the monitor's own poll against the simulated controller.
#include "app/live_commands.h"

#include <atomic>

#include "monitor/live_fixtures.h"
#include "live/live_items.h"
#include "monitor/monitor_page.h"
#include "tool_session.h"

namespace tarn::testing {
namespace {

constexpr auto kWait = std::chrono::seconds(10);

class LiveMenu : public ToolSession {
 protected:
  static LiveFeed& Feed(CQelmUserAppDlg& window) {
    return dynamic_cast<CMonitor1Dlg&>(*window.Page(kPageMonitor)).Live();
  }

  // Counts the samples the feed takes from now on.
  void CountPolls(CQelmUserAppDlg& window) {
    Feed(window).AddListener([this](const LiveSample&) { ++polls; });
  }

  bool WaitForPolls(int count) {
    return host.WaitUntil([&] { return polls >= count; }, kWait);
  }

  template <typename Window>
  Window* OpenWindow() {
    for (ui::Dialog* open : host.Modeless()) {
      if (auto* found = dynamic_cast<Window*>(open)) return found;
    }
    return nullptr;
  }

  static std::u16string Rows(int count) {
    return Utf16(std::to_string(count)) + (count == 1 ? u" row" : u" rows");
  }

  TempDir dir{"tarn-live-menu"};
  int polls = 0;
};

TEST_F(LiveMenu, RecordingWritesARowPerPollAndTheStatusBarCountsThem) {
  RunTool([&](CQelmUserAppDlg& window) {
    CountPolls(window);
    EXPECT_FALSE(window.IsMenuItemEnabled(kIdStopRecording));

    // A file that cannot be made: the box says why, nothing records.
    host.QueueFileAnswer(dir / "missing" / "live.csv");
    window.UserMenu(kIdRecordLive);
    ASSERT_EQ(host.CountMessages(kMsgRecordingNotStarted), 1);
    EXPECT_NE(host.Messages().back().details.find(u"missing"), std::u16string::npos);
    EXPECT_TRUE(window.IsMenuItemEnabled(kIdRecordLive));
    EXPECT_EQ(window.statusBarText(), u"");

    host.QueueFileAnswer(dir / "live.csv");
    window.UserMenu(kIdRecordLive);
    EXPECT_EQ(host.FileRequests().back().suffix, u"csv");
    EXPECT_FALSE(window.IsMenuItemEnabled(kIdRecordLive));
    EXPECT_TRUE(window.IsMenuItemEnabled(kIdStopRecording));
    EXPECT_EQ(window.statusBarText(),
              u"Recording live.csv: 0 rows (written while the monitor is shown)");

    window.UserClick(kIdMonitor);
    ASSERT_TRUE(WaitForPolls(4));
    EXPECT_EQ(window.statusBarText(), u"Recording live.csv: " + Rows(polls));
    window.UserClick(kIdMotor);  // the poll stops; the recording waits for it
    host.ProcessPosted();
    const int recorded = polls;
    window.UserMenu(kIdStopRecording);
    EXPECT_TRUE(window.IsMenuItemEnabled(kIdRecordLive));
    EXPECT_FALSE(window.IsMenuItemEnabled(kIdStopRecording));
    EXPECT_EQ(window.statusBarText(), u"Recorded live.csv: " + Rows(recorded));

    // Polls after the stop write nothing more.
    window.UserClick(kIdMonitor);
    ASSERT_TRUE(WaitForPolls(recorded + 2));
    const CsvFile file = ReadCsv(dir / "live.csv");
    EXPECT_TRUE(file.valid) << file.problem;
    EXPECT_EQ(file.records.size(), static_cast<std::size_t>(recorded) + 1);  // with the header
    EXPECT_EQ(window.statusBarText(), u"Recorded live.csv: " + Rows(recorded));
    window.UserClick(kIdQuit);
  });
}

TEST_F(LiveMenu, ChartDrawsAtMostFourItemsOverTheLastMinuteAndPauseHoldsIt) {
  RunTool([&](CQelmUserAppDlg& window) {
    CountPolls(window);
    window.UserMenu(kIdLiveChart);
    auto* chart = OpenWindow<CLiveChartDlg>();
    ASSERT_NE(chart, nullptr);
    ASSERT_GE(chart->RowItems().size(), kMaxChartItems + 1);
    for (std::size_t row = 0; row <= kMaxChartItems; ++row) {
      chart->UserToggleListRow(kIdChartItems, row);
    }
    const ui::ListData& list = chart->List(kIdChartItems);
    EXPECT_EQ(list.rows[kMaxChartItems].check, ui::CheckState::Unchecked);
    EXPECT_FALSE(list.rows[kMaxChartItems].checkable);
    EXPECT_EQ(Feed(window).Chart().Chosen().size(), kMaxChartItems);

    window.UserClick(kIdMonitor);
    ASSERT_TRUE(WaitForPolls(4));
    const ui::ChartData& drawn = chart->Chart(kIdChart);
    EXPECT_EQ(drawn.spanSeconds, 60.0);
    ASSERT_EQ(drawn.series.size(), kMaxChartItems);
    for (std::size_t k = 0; k < drawn.series.size(); ++k) {
      const ui::ChartSeries& line = drawn.series[k];
      const MonitorItemDef& item =
          session.defs.monitorItems[static_cast<std::size_t>(chart->RowItems()[k])];
      EXPECT_EQ(line.name, item.name);
      EXPECT_EQ(line.min, item.min);
      EXPECT_EQ(line.max, item.max);
      ASSERT_EQ(line.points.size(), static_cast<std::size_t>(polls));
      EXPECT_EQ(line.points.back().seconds, 0.0);
      EXPECT_GE(line.points.front().seconds, -60.0);
    }

    // Paused, the picture holds while the poll goes on; resumed, it moves.
    chart->UserClick(kIdChartPause);
    const ui::ChartData held = chart->Chart(kIdChart);
    ASSERT_TRUE(WaitForPolls(polls + 2));
    EXPECT_EQ(chart->Chart(kIdChart), held);
    chart->UserClick(kIdChartPause);
    EXPECT_EQ(chart->Chart(kIdChart).series[0].points.size(), static_cast<std::size_t>(polls));

    // Closed and opened again, the window shows the same choice; unticking
    // one frees the greyed rows.
    chart->UserClose();
    EXPECT_EQ(OpenWindow<CLiveChartDlg>(), nullptr);
    window.UserMenu(kIdLiveChart);
    chart = OpenWindow<CLiveChartDlg>();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->Chart(kIdChart).series.size(), kMaxChartItems);
    chart->UserToggleListRow(kIdChartItems, 0);
    EXPECT_EQ(chart->Chart(kIdChart).series.size(), kMaxChartItems - 1);
    EXPECT_TRUE(chart->List(kIdChartItems).rows[kMaxChartItems].checkable);
    window.UserClick(kIdQuit);
  });
  EXPECT_TRUE(host.Modeless().empty());
}

TEST_F(LiveMenu, HistoryKeepsAnErrorSeenForOnePollUntilCleared) {
  constexpr std::uint16_t kSteady = 0x0001;  // bit 0 active all the time
  constexpr std::uint16_t kBlip = 0x0004;    // bit 2 in one poll only
  constexpr int kBlipPoll = 3;
  sim.SetErrorWord(kSteady);
  std::atomic<int> secondThirds{0};
  sim.SetReplyHook(
      [&](std::span<const std::uint8_t> request) -> std::optional<std::vector<std::uint8_t>> {
        if (request[0] != kCommandLiveData2) return std::nullopt;
        const int n = ++secondThirds;
        sim.SetErrorWord(n == kBlipPoll ? kSteady | kBlip : kSteady);
        return std::nullopt;
      });
  RunTool([&](CQelmUserAppDlg& window) {
    CountPolls(window);
    window.UserMenu(kIdErrorHistory);
    auto* history = OpenWindow<CErrorHistoryDlg>();
    ASSERT_NE(history, nullptr);
    window.UserClick(kIdMonitor);
    ASSERT_TRUE(WaitForPolls(kBlipPoll + 2));
    window.UserClick(kIdMotor);  // the list is kept while the monitor is left
    host.ProcessPosted();

    const std::vector<ui::ListRow>& rows = history->List(kIdHistoryList).rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[1], ErrorBitName(0, session.defs));
    EXPECT_EQ(rows[0].cells[0], u"\u25CF");  // active now
    EXPECT_EQ(rows[0].color, ui::kRed);
    EXPECT_EQ(rows[0].cells[4], Utf16(std::to_string(polls)));
    EXPECT_EQ(rows[1].cells[1], ErrorBitName(2, session.defs));
    EXPECT_EQ(rows[1].cells[0], u"");
    EXPECT_EQ(rows[1].color, std::nullopt);
    EXPECT_EQ(rows[1].cells[4], u"1");
    EXPECT_EQ(rows[1].cells[2], rows[1].cells[3]);  // first and last seen: the one poll

    history->UserClick(kIdHistoryClear);
    EXPECT_TRUE(history->List(kIdHistoryList).rows.empty());
    const int cleared = polls;
    window.UserClick(kIdMonitor);
    ASSERT_TRUE(WaitForPolls(cleared + 1));
    ASSERT_EQ(history->List(kIdHistoryList).rows.size(), 1u);  // only what is still active
    EXPECT_EQ(history->List(kIdHistoryList).rows[0].cells[1], ErrorBitName(0, session.defs));
    window.UserClick(kIdQuit);
  });
  sim.SetReplyHook(nullptr);
}

}  // namespace
}  // namespace tarn::testing
