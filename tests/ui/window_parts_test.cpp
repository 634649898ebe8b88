// Lists, charts, menu bars, file dialogs and modeless windows of the dialog
// layer, as the windows use them.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "ui/chart_layout.h"
#include "ui/control_data.h"
#include "ui/dialog.h"
#include "ui/headless_host.h"
#include "ui/menu.h"

namespace tarn::ui {
namespace {

constexpr int kMain = 102;  // has a menu bar
constexpr int kPage = 107;  // has none
constexpr int kSave = 40001;
constexpr int kLiveChart = 40013;

// A dialog on a template built here: a list with tick boxes, a plain list, a
// chart and a button.
const DialogTemplate& PartsTemplate() {
  static const DialogTemplate kTemplate = [] {
    DialogTemplate t;
    t.id = 9001;
    t.cx = 200;
    t.cy = 100;
    ControlTemplate ticked;
    ticked.id = 10;
    ticked.kind = ControlKind::List;
    ticked.checkBoxes = true;
    ControlTemplate plain = ticked;
    plain.id = 11;
    plain.checkBoxes = false;
    ControlTemplate chart;
    chart.id = 12;
    chart.kind = ControlKind::Chart;
    t.controls = {ticked, plain, chart};
    return t;
  }();
  return kTemplate;
}

class Recorder : public DialogObserver {
 public:
  void ControlChanged(int id) override { changed.push_back(id); }
  void ColorsChanged(int) override {}
  void DialogShown(bool) override {}
  void FocusRequested(int) override {}
  void MenuChanged(int id) override { menus.push_back(id); }
  void StatusBarChanged() override { ++statusBar; }
  std::vector<int> changed, menus;
  int statusBar = 0;
};

// A dialog on a given template, recording what its user does.
class Parts : public Dialog {
 public:
  Parts(Host& host, int templateId) : Dialog(host, templateId) {}
  Parts(Host& host, const DialogTemplate& t) : Dialog(host, t) {}
  void OnCommand(int id) override {
    commands.push_back(id);
    Dialog::OnCommand(id);
  }
  void OnListCheck(int id, std::size_t row) override { checks.emplace_back(id, row); }
  std::vector<int> commands;
  std::vector<std::pair<int, std::size_t>> checks;
};

ListRow Row(std::u16string text, bool checkable = true) {
  ListRow row;
  row.cells = {std::move(text)};
  row.checkable = checkable;
  row.check = CheckState::Checked;
  return row;
}

TEST(MenuBars, TheMainWindowCarriesFileLiveAndHelp) {
  const MenuBar* bar = FindMenuBar(kMain);
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->menus.size(), 3u);
  EXPECT_EQ(bar->menus[0].title, u"File");
  EXPECT_EQ(bar->menus[1].title, u"Live");
  EXPECT_EQ(bar->menus[2].title, u"Help");
  ASSERT_NE(bar->Find(kSave), nullptr);
  EXPECT_EQ(bar->Find(kSave)->shortcut, u"Ctrl+S");
  // Quit in the menu is the Quit button's own command.
  ASSERT_NE(bar->Find(kIdCancel), nullptr);
  EXPECT_EQ(bar->Find(kIdCancel)->text, u"Quit");
  EXPECT_EQ(FindMenuBar(kPage), nullptr);
}

TEST(MenuBars, MalformedTextsAreRefusedWithTheirLine) {
  struct Case {
    const char* text;
    const char* fault;
  };
  const Case cases[] = {
      {"menu title=\"File\"\n", "line 1"},
      {"menubar id=5\nitem id=1 text=\"A\"\n", "outside a menu"},
      {"menubar id=5\nmenu title=\"F\"\nitem text=\"A\"\n", "line 3"},
      {"menubar id=5\nmenu title=\"F\"\nitem id=1 text=\"A\"\nitem id=1 text=\"B\"\n", "used twice"},
      {"menubar id=5\nmenu title=\"F\"\nitem id=1 text=\"A\" colour=red\n", "unknown word"},
      {"menubar id=5\nmenubar id=6\n", "line 2"},
      {"# only a comment\n", "no menubar"},
  };
  for (const Case& c : cases) {
    MenuBar bar;
    std::string error;
    EXPECT_FALSE(ParseMenuBar(c.text, &bar, &error)) << c.text;
    EXPECT_NE(error.find(c.fault), std::string::npos) << c.text << " -> " << error;
  }
  MenuBar bar;
  std::string error;
  ASSERT_TRUE(ParseMenuBar("menubar id=5\nmenu title=\"F\"\nitem id=1 text=\"A\" key=\"Ctrl+A\"\n"
                           "separator\nitem id=2 text=\"B\"\n",
                           &bar, &error))
      << error;
  ASSERT_EQ(bar.menus.at(0).items.size(), 3u);
  EXPECT_TRUE(bar.menus[0].items[1].separator);
  EXPECT_EQ(bar.Find(2)->text, u"B");
}

// Each title or item of a menu gets a letter of its own; an ampersand of
// the text is shown as one.
TEST(MenuBars, EveryItemOfAMenuGetsAMnemonicOfItsOwn) {
  std::u16string taken;
  EXPECT_EQ(WithMnemonic(u"File", taken), u"&File");
  EXPECT_EQ(WithMnemonic(u"format", taken), u"f&ormat");
  EXPECT_EQ(WithMnemonic(u"Save & load...", taken), u"&Save && load...");
  EXPECT_EQ(WithMnemonic(u"... 2", taken), u"... &2");
  EXPECT_EQ(WithMnemonic(u"FOR", taken), u"FO&R");
  EXPECT_EQ(WithMnemonic(u"Of", taken), u"Of");  // every letter is taken
}

TEST(MenuBars, OnlyEnabledItemsReachTheDialogAndChangesAreReported) {
  HeadlessHost host;
  Parts main(host, kMain);
  Recorder recorder;
  main.SetObserver(&recorder);
  EXPECT_TRUE(main.IsMenuItemEnabled(kSave));
  main.EnableMenuItem(kSave, false);
  main.EnableMenuItem(kSave, false);  // no change, no report
  main.UserMenu(kSave);
  main.EnableMenuItem(4242, true);  // no such item
  EXPECT_FALSE(main.IsMenuItemEnabled(4242));
  main.UserMenu(4242);
  EXPECT_TRUE(main.commands.empty());
  main.EnableMenuItem(kSave, true);
  main.UserMenu(kSave);
  main.UserMenu(kLiveChart);
  EXPECT_EQ(main.commands, (std::vector<int>{kSave, kLiveChart}));
  EXPECT_EQ(recorder.menus, (std::vector<int>{kSave, kSave}));

  main.SetStatusBarText(u"Recording");
  main.SetStatusBarText(u"Recording");
  EXPECT_EQ(main.statusBarText(), u"Recording");
  EXPECT_EQ(recorder.statusBar, 1);
}

TEST(MenuBars, QuitFromTheMenuEndsTheWindowLikeTheButton) {
  HeadlessHost host;
  Parts main(host, kMain);
  main.UserMenu(kIdCancel);
  EXPECT_TRUE(main.Ended());
  EXPECT_EQ(main.Result(), kIdCancel);
}

TEST(Lists, HoldRowsAndLetTheUserTickOnlyCheckableRowsOfATickList) {
  HeadlessHost host;
  Parts dialog(host, PartsTemplate());
  Recorder recorder;
  dialog.SetObserver(&recorder);
  dialog.SetListColumns(10, {{u"Page", 40}, {u"Label", 80}});
  dialog.SetListRows(10, {Row(u"speed"), Row(u"module name", false)});
  dialog.SetListRows(10, {Row(u"speed"), Row(u"module name", false)});  // same rows: silent
  EXPECT_EQ(recorder.changed, (std::vector<int>{10, 10}));
  ASSERT_EQ(dialog.List(10).rows.size(), 2u);

  dialog.UserToggleListRow(10, 0);
  EXPECT_EQ(dialog.List(10).rows[0].check, CheckState::Unchecked);
  dialog.UserToggleListRow(10, 1);  // not checkable
  dialog.UserToggleListRow(10, 7);  // no such row
  EXPECT_EQ(dialog.List(10).rows[1].check, CheckState::Checked);
  dialog.UserToggleListRow(10, 0);
  EXPECT_EQ(dialog.List(10).rows[0].check, CheckState::Checked);
  EXPECT_EQ(dialog.checks, (std::vector<std::pair<int, std::size_t>>{{10, 0}, {10, 0}}));

  // A list without tick boxes, a hidden list and an id that is no list.
  dialog.SetListRows(11, {Row(u"x")});
  dialog.UserToggleListRow(11, 0);
  dialog.ShowControl(10, false);
  dialog.UserToggleListRow(10, 0);
  dialog.SetListRows(12, {Row(u"x")});
  EXPECT_TRUE(dialog.List(12).rows.empty());
  EXPECT_EQ(dialog.checks.size(), 2u);
}

TEST(Charts, KeepTheirSeriesAndReportOnlyRealChanges) {
  HeadlessHost host;
  Parts dialog(host, PartsTemplate());
  Recorder recorder;
  dialog.SetObserver(&recorder);
  ChartData data;
  data.endSeconds = 12.5;
  data.series.push_back({u"Speed", kRed, 0, 6000, {{12.3, 1500}, {12.5, 1510}}});
  dialog.SetChart(12, data);
  dialog.SetChart(12, data);
  dialog.SetChart(10, data);  // a list is no chart
  EXPECT_EQ(dialog.Chart(12), data);
  EXPECT_TRUE(dialog.Chart(10).series.empty());
  EXPECT_EQ(recorder.changed, (std::vector<int>{12}));
}

TEST(HeadlessFileDialogs, AnswerFromTheQueueAndRecordEachRequest) {
  HeadlessHost host;
  host.QueueFileAnswer(std::filesystem::path("backup.bin"));
  FileRequest request;
  request.title = u"Save image as";
  request.proposedName = u"1QX48A01_0001A2B3_2026-12-09.bin";
  EXPECT_EQ(host.AskFileToSave(request), std::filesystem::path("backup.bin"));
  EXPECT_EQ(host.AskFileToOpen(request), std::nullopt);  // nothing queued: cancelled
  ASSERT_EQ(host.FileRequests().size(), 2u);
  EXPECT_EQ(host.FileRequests()[0].proposedName, request.proposedName);
}

TEST(HeadlessModeless, OpensBesideTheOwnerAndGoesWhenItsDialogEnds) {
  HeadlessHost host;
  Parts owner(host, kMain), chart(host, PartsTemplate()), history(host, PartsTemplate());
  host.ShowModeless(chart, owner);
  host.ShowModeless(chart, owner);  // already open
  host.ShowModeless(history, owner);
  EXPECT_TRUE(chart.IsShown());
  EXPECT_EQ(host.Modeless(), (std::vector<Dialog*>{&chart, &history}));

  chart.UserClose();  // its close box ends it
  host.ProcessPosted();
  EXPECT_FALSE(chart.IsShown());
  EXPECT_EQ(host.Modeless(), (std::vector<Dialog*>{&history}));

  host.CloseModeless(history);
  EXPECT_TRUE(history.Ended());
  EXPECT_FALSE(history.IsShown());
  EXPECT_TRUE(host.Modeless().empty());
}

TEST(ChartLevels, MapValuesOntoTheSeriesOwnScale) {
  ChartSeries series;
  series.min = -50;
  series.max = 150;
  EXPECT_DOUBLE_EQ(ChartLevel(series, -50), 0.0);
  EXPECT_DOUBLE_EQ(ChartLevel(series, 50), 0.5);
  EXPECT_DOUBLE_EQ(ChartLevel(series, 150), 1.0);
  EXPECT_DOUBLE_EQ(ChartLevel(series, 400), 1.0);   // above: at the top edge
  EXPECT_DOUBLE_EQ(ChartLevel(series, -400), 0.0);  // below: at the bottom edge
  series.max = series.min;
  EXPECT_DOUBLE_EQ(ChartLevel(series, 7), 0.5);
}

// The points a host draws: those in the span and one neighbour each side, so
// that a line runs to the plot's edges; none from a chart whose points all
// lie far before the span.
TEST(ChartLayout, DrawsThePointsOfTheSpanWithANeighbourOnEachSide) {
  ChartData chart;
  chart.spanSeconds = 10;
  chart.endSeconds = 0;
  ChartSeries series;
  for (const double t : {-30.0, -12.0, -10.0, -4.0, 0.0}) series.points.push_back({t, 1});
  const auto shown = VisiblePoints(chart, series);
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown.front().seconds, -12.0);
  EXPECT_EQ(shown.back().seconds, 0.0);
  chart.endSeconds = 100;
  EXPECT_EQ(VisiblePoints(chart, series).size(), 1u);  // the last, as the left neighbour
  EXPECT_TRUE(VisiblePoints(chart, ChartSeries{}).empty());
}

TEST(ChartLayout, GridStepsLeaveRoomForTheirLabelsAndLabelsReadAsTime) {
  ChartData chart;
  chart.spanSeconds = 60;
  EXPECT_EQ(ChartGridStep(chart, 600, 50), 5.0);  // 10 px a second: 5 s leaves 50 px
  EXPECT_EQ(ChartGridStep(chart, 6000, 50), 0.5);
  EXPECT_EQ(ChartGridStep(chart, 0, 50), 3600.0);
  chart.spanSeconds = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(HasTimeAxis(chart));
  EXPECT_EQ(ChartGridStep(chart, 600, 50), 3600.0);
  EXPECT_EQ(ChartGridLabel(-0.0, 5), u"0 s");
  EXPECT_EQ(ChartGridLabel(-2.5, 0.5), u"-2.5 s");
  EXPECT_EQ(ChartGridLabel(-20, 10), u"-20 s");
  ChartSeries series;
  series.name = u"Скорость";
  series.min = 0;
  series.max = 2.5;
  EXPECT_EQ(ChartLegendLabel(series), u"Скорость (0 \u2026 2.5)");
}

}  // namespace
}  // namespace tarn::ui
