// The window parts on the real widgets: the main window's menu bar and status
// bar, the list with tick boxes and the chart, each in a window of its own
// beside an owner.
#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolTip>
#include <functional>
#include <optional>
#include <vector>

#include "gui/chart_widget.h"
#include "gui/dialog_view.h"
#include "gui/list_widget.h"
#include "gui/menu_window.h"
#include "gui_session.h"
#include "ui/parts_dialog.h"

namespace tarn::gui::test {
namespace {

constexpr int kTemplateWithMenu = 102;
constexpr int kSaveImage = 40001;
constexpr int kLoadFile = 40002;
constexpr int kIdList = ui_test::kPartsListId;
constexpr int kIdChart = ui_test::kPartsChartId;
constexpr int kWaitMs = 5000;

using ui_test::Recording;

const ui::DialogTemplate& PartsTemplate() {
  static const ui::DialogTemplate kTemplate = ui_test::PartsTemplate();
  return kTemplate;
}

class WindowParts : public ::testing::Test, private ApplicationFirst {
 protected:
  void SetUp() override {
    if (QScreen* laptop = TestScreenNamed(kTestScreens[0].name)) host.SetScreen(laptop);
  }

  // Opens `dialog` in a window of its own, on screen and active.
  DialogView& Open(ui::Dialog& dialog) {
    host.ShowModeless(dialog, owner);
    opened.push_back(&dialog);
    DialogView* view = host.ViewOf(dialog);
    EXPECT_NE(view, nullptr);
    QWidget* window = view->window();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    return *view;
  }

  void TearDown() override {
    for (ui::Dialog* dialog : opened) host.CloseModeless(*dialog);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QtHost host;
  ui::Dialog owner{host, 0};
  // Dialogs live until their windows have closed.
  Recording mainDialog{host, kTemplateWithMenu};
  Recording partsDialog{host, PartsTemplate()};
  std::vector<ui::Dialog*> opened;
};

QMenu* MenuHolding(const MenuWindow& window, const QAction* item) {
  for (QAction* top : window.menuBar()->actions()) {
    if (top->menu() != nullptr && top->menu()->actions().contains(item)) return top->menu();
  }
  return nullptr;
}

// Opens the item's menu from the menu bar with the mouse and clicks the item.
void ClickMenuItem(MenuWindow& window, QAction* item) {
  QMenuBar* bar = window.menuBar();
  QMenu* menu = MenuHolding(window, item);
  ASSERT_NE(menu, nullptr);
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                    bar->actionGeometry(menu->menuAction()).center());
  ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, kWaitMs));
  QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(item).center());
  // A click on a greyed item leaves the menu open.
  if (menu->isVisible()) menu->hide();
}

struct MenuInput {
  const char* name;
  int commandId;
  std::function<void(MenuWindow&, QAction*)> use;
};

void PrintTo(const MenuInput& input, std::ostream* out) {
  *out << input.name;
}

class MenuItems : public WindowParts, public ::testing::WithParamInterface<MenuInput> {};

TEST_P(MenuItems, ReachTheDialogOnlyWhileEnabled) {
  const MenuInput& input = GetParam();
  Recording& dialog = mainDialog;
  DialogView& view = Open(dialog);
  auto* window = dynamic_cast<MenuWindow*>(view.window());
  ASSERT_NE(window, nullptr) << "no menu bar round the dialog";
  QAction* item = window->Action(input.commandId);
  ASSERT_NE(item, nullptr);

  dialog.EnableMenuItem(input.commandId, false);
  EXPECT_FALSE(item->isEnabled());
  input.use(*window, item);
  EXPECT_TRUE(dialog.commands.empty());

  dialog.EnableMenuItem(input.commandId, true);
  EXPECT_TRUE(item->isEnabled());
  input.use(*window, item);
  EXPECT_EQ(dialog.commands, std::vector<int>{input.commandId});
}

INSTANTIATE_TEST_SUITE_P(Inputs, MenuItems,
                         ::testing::Values(MenuInput{"Click", kSaveImage, ClickMenuItem},
                                           MenuInput{"CtrlS", kSaveImage,
                                                     [](MenuWindow& window, QAction*) {
                                                       QTest::keyClick(&window, Qt::Key_S,
                                                                       Qt::ControlModifier);
                                                     }},
                                           MenuInput{"CtrlOInTheDialog", kLoadFile,
                                                     [](MenuWindow& window, QAction*) {
                                                       // Typed while a control of the dialog has
                                                       // the focus.
                                                       QWidget* control =
                                                           window.view().Control(ui::kIdCancel);
                                                       control->setFocus();
                                                       QTest::keyClick(control, Qt::Key_O,
                                                                       Qt::ControlModifier);
                                                     }}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(WindowParts, TheMenuBarShowsTheDialogsMenusAboveItAndTheStatusBarBelow) {
  Recording& dialog = mainDialog;
  DialogView& view = Open(dialog);
  auto* window = dynamic_cast<MenuWindow*>(view.window());
  ASSERT_NE(window, nullptr);
  QStringList titles;
  for (const QAction* top : window->menuBar()->actions()) titles << top->text();
  EXPECT_EQ(titles, (QStringList{"&File", "&Live", "&Help"}));  // Alt+F, Alt+L, Alt+H
  EXPECT_EQ(window->Action(kSaveImage)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));

  // The dialog at its own size between the bars.
  EXPECT_EQ(view.size(), view.DialogSize());
  EXPECT_EQ(window->menuBar()->geometry().bottom() + 1, view.geometry().top());
  EXPECT_EQ(window->statusBar()->geometry().top(), view.geometry().bottom() + 1);
  EXPECT_EQ(window->statusBar()->geometry().bottom(), window->height() - 1);

  EXPECT_EQ(window->StatusBarText(), QString());
  const std::u16string text = u"Запись: live-2026-12-09.csv, 12 строк";
  dialog.SetStatusBarText(text);
  EXPECT_EQ(window->StatusBarText(), QString::fromStdU16String(text));
  EXPECT_TRUE(window->statusBar()->isVisible());
}

ui::ListRow Row(std::vector<std::u16string> cells, ui::CheckState check, bool checkable,
                std::optional<ui::Rgb> color = std::nullopt) {
  ui::ListRow row;
  row.cells = std::move(cells);
  row.check = check;
  row.checkable = checkable;
  row.color = color;
  return row;
}

Qt::CheckState Shown(const ListWidget& list, int row) {
  return list.model().index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

// Pixels of `color`, give or take the blending of antialiased text.
int PixelsOf(const QImage& image, const QRect& area, const QColor& color) {
  constexpr int kTolerance = 40;
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (std::abs(pixel.red() - color.red()) < kTolerance &&
          std::abs(pixel.green() - color.green()) < kTolerance &&
          std::abs(pixel.blue() - color.blue()) < kTolerance) {
        ++count;
      }
    }
  }
  return count;
}

class ListControl : public WindowParts {
 protected:
  ListWidget& OpenList() {
    DialogView& view = Open(dialog);
    auto* list = dynamic_cast<ListWidget*>(view.Control(kIdList));
    EXPECT_NE(list, nullptr);
    units = view.units();
    return *list;
  }

  Recording& dialog = partsDialog;
  DialogUnits units{1, 1};
};

TEST_F(ListControl, ShowsHeadingsWidthsTextsAndRowColours) {
  ListWidget& list = OpenList();
  dialog.SetListColumns(kIdList, {{u"Page", 60}, {u"Label", 120}, {u"Value", 50}});
  dialog.SetListRows(kIdList,
                     {Row({u"Vehicle", u"Speed", u"4500"}, ui::CheckState::Checked, true),
                      Row({u"Motor", u"Poles", u"8"}, ui::CheckState::Unchecked, true, ui::kRed)});
  const QHeaderView& header = *list.header();
  ASSERT_EQ(list.model().columnCount(), 3);
  const int widths[] = {60, 120, 50};
  for (int column = 0; column < 3; ++column) {
    EXPECT_EQ(header.sectionSize(column), units.ToPixelsX(widths[column])) << column;
  }
  EXPECT_EQ(list.model().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Label");
  EXPECT_EQ(list.model().index(1, 2).data().toString(), "8");
  EXPECT_EQ(Shown(list, 0), Qt::Checked);
  EXPECT_EQ(Shown(list, 1), Qt::Unchecked);

  // The red row's text is drawn red, the other row's is not.
  const QImage image = list.viewport()->grab().toImage();
  const QRect plain = list.visualRect(list.model().index(0, 1));
  const QRect red = list.visualRect(list.model().index(1, 1));
  EXPECT_GT(PixelsOf(image, red, Qt::red), 0);
  EXPECT_EQ(PixelsOf(image, plain, Qt::red), 0);
}

TEST_F(ListControl, ATextCutByItsColumnShowsWholeOnHover) {
  ListWidget& list = OpenList();
  const QString whole = QStringLiteral("Максимальная скорость движения вперёд, процентов");
  dialog.SetListColumns(kIdList, {{u"Label", 40}, {u"Value", 60}});
  dialog.SetListRows(kIdList,
                     {Row({whole.toStdU16String(), u"100"}, ui::CheckState::Checked, true)});
  const auto hover = [&list](int column) {
    QToolTip::hideText();
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, kWaitMs));
    const QPoint at = list.visualRect(list.model().index(0, column)).center();
    QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  EXPECT_EQ(hover(0), whole);
  EXPECT_EQ(hover(1), QString());  // "100" fits
  QToolTip::hideText();
}

// A click on a row's tick box: whether it reaches the dialog, and what the
// box shows afterwards, which is always the dialog's state.
struct TickCase {
  const char* name;
  int row;
  bool reachesDialog;
  Qt::CheckState shownAfter;
};

void PrintTo(const TickCase& c, std::ostream* out) {
  *out << c.name;
}

class Ticks : public ListControl, public ::testing::WithParamInterface<TickCase> {};

TEST_P(Ticks, ReachTheDialogAndShowItsState) {
  const TickCase& c = GetParam();
  ListWidget& list = OpenList();
  dialog.keepUnticked = 2;
  dialog.SetListColumns(kIdList, {{u"Label", 100}, {u"Value", 60}});
  dialog.SetListRows(kIdList, {Row({u"Speed", u"4500"}, ui::CheckState::Checked, true),
                               Row({u"Module", u"AQX"}, ui::CheckState::Checked, false),
                               Row({u"Poles", u"8"}, ui::CheckState::Unchecked, true)});
  const QRect box = list.CheckBoxRect(c.row);
  ASSERT_FALSE(box.isEmpty());
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
  EXPECT_EQ(dialog.checks, c.reachesDialog ? std::vector<std::size_t>{std::size_t(c.row)}
                                           : std::vector<std::size_t>{});
  const ui::CheckState held = dialog.List(kIdList).rows[c.row].check;
  EXPECT_EQ(Shown(list, c.row), held == ui::CheckState::Checked ? Qt::Checked : Qt::Unchecked);
  EXPECT_EQ(Shown(list, c.row), c.shownAfter);
}

INSTANTIATE_TEST_SUITE_P(Rows, Ticks,
                         ::testing::Values(TickCase{"Checkable", 0, true, Qt::Unchecked},
                                           TickCase{"NotCheckable", 1, false, Qt::Checked},
                                           TickCase{"RefusedByTheDialog", 2, true, Qt::Unchecked}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(ListControl, ALongListScrollsAndKeepsItsPlaceWhenRowsChange) {
  ListWidget& list = OpenList();
  dialog.SetListColumns(kIdList, {{u"Bit", 40}, {u"Error", 120}});
  std::vector<ui::ListRow> rows;
  for (int i = 0; i < 200; ++i) {
    rows.push_back(Row({std::u16string(u"bit ") + char16_t(u'0' + i % 10), u"ошибка"},
                       ui::CheckState::Unchecked, true));
  }
  dialog.SetListRows(kIdList, rows);
  QScrollBar& scroll = *list.verticalScrollBar();
  ASSERT_TRUE(QTest::qWaitFor([&] { return scroll.maximum() > 0; }, kWaitMs))
      << "a long list must scroll";
  list.scrollToBottom();
  const int bottom = scroll.value();
  ASSERT_GT(bottom, 0);

  rows[150].cells[1] = u"перегрев";
  rows[150].color = ui::kRed;
  rows.push_back(Row({u"bit x", u"новая"}, ui::CheckState::Unchecked, false));
  dialog.SetListRows(kIdList, rows);
  ASSERT_EQ(list.model().rowCount(), 201);
  EXPECT_EQ(list.model().index(150, 1).data().toString(), QStringLiteral("перегрев"));
  EXPECT_EQ(list.model().index(200, 1).data().toString(), QStringLiteral("новая"));
  QCoreApplication::processEvents();
  EXPECT_GE(scroll.value(), bottom);

  rows.resize(3);
  dialog.SetListRows(kIdList, rows);
  EXPECT_EQ(list.model().rowCount(), 3);
}

// The chart, sampled at known points of its lines. Each series has its own
// scale: the top edge of the plot is its max, the bottom edge its min.
class ChartControl : public WindowParts {
 protected:
  ChartWidget& OpenChart() {
    DialogView& view = Open(dialog);
    auto* chart = dynamic_cast<ChartWidget*>(view.Control(kIdChart));
    EXPECT_NE(chart, nullptr);
    return *chart;
  }

  Recording& dialog = partsDialog;
};

ui::ChartSeries Constant(std::u16string name, ui::Rgb color, double min, double max, double value,
                         double from, double to) {
  ui::ChartSeries series{std::move(name), color, min, max, {}};
  for (double t = from; t <= to + 1e-9; t += 0.2) series.points.push_back({t, value});
  return series;
}

int Distance(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
         std::abs(a.blue() - b.blue());
}

// Whether a line of `color` crosses column x within two rows of y: a pixel
// there is nearer that colour than the column's background (a grid line may
// run under it) a little further off.
bool LineAt(const QImage& image, int x, qreal y, const QColor& color) {
  constexpr int kRows = 2;
  const QColor background = image.pixelColor(x, static_cast<int>(y) - 2 * kRows);
  for (int row = static_cast<int>(y) - kRows; row <= static_cast<int>(y) + kRows; ++row) {
    const QColor pixel = image.pixelColor(x, row);
    if (Distance(pixel, color) < Distance(pixel, background)) return true;
  }
  return false;
}

TEST_F(ChartControl, DrawsEachSeriesOnItsOwnScaleOverTheSpan) {
  ChartWidget& chart = OpenChart();
  ui::ChartData data;
  data.spanSeconds = 60;
  data.endSeconds = 120;
  // Red from before the span (it must run in from the left edge), halfway up
  // its scale; blue at a quarter of its own; green only in the second half.
  data.series = {Constant(u"Speed", ui::kRed, 0, 6000, 3000, 40, 120),
                 Constant(u"Current", ui::kBlue, -100, 300, 0, 60, 120),
                 Constant(u"Temperature", ui::MakeRgb(0, 160, 0), 0, 100, 80, 90, 120)};
  dialog.SetChart(kIdChart, data);
  ASSERT_EQ(chart.data(), data);

  const QImage image = chart.grab().toImage();
  const QRect plot = chart.PlotArea();
  ASSERT_GT(plot.height(), 50);
  const auto x = [&](double fraction) {
    return plot.left() + static_cast<int>(fraction * (plot.width() - 1));
  };
  const auto y = [&](double level) { return plot.top() + (1 - level) * (plot.height() - 1); };
  const QColor red = Qt::red;
  const QColor blue = Qt::blue;
  const QColor green(0, 160, 0);
  for (const double at : {0.01, 0.25, 0.5, 0.75, 0.99}) {
    EXPECT_TRUE(LineAt(image, x(at), y(0.5), red)) << "red at " << at;
    EXPECT_TRUE(LineAt(image, x(at), y(0.25), blue)) << "blue at " << at;
    EXPECT_FALSE(LineAt(image, x(at), y(0.75), red)) << "red at " << at;
  }
  for (const double at : {0.55, 0.75, 0.99}) {
    EXPECT_TRUE(LineAt(image, x(at), y(0.8), green)) << "green at " << at;
  }
  // Nothing green before its first point, anywhere up the plot.
  EXPECT_EQ(PixelsOf(image, QRect(x(0.05), plot.top(), x(0.45) - x(0.05), plot.height()), green),
            0);
  // The legend above the plot carries every series' colour.
  const QRect legend(0, 0, chart.width(), plot.top());
  for (const QColor& color : {red, blue, green}) EXPECT_GT(PixelsOf(image, legend, color), 0);
}

// A value that is not a number leaves a gap in its line; a time axis that
// cannot be drawn leaves the plot empty, and nothing hangs or breaks.
TEST_F(ChartControl, LeavesGapsAndSurvivesAxesItCannotDraw) {
  ChartWidget& chart = OpenChart();
  const double nan = std::nan("");
  const double huge = 1e300;
  ui::ChartData data;
  data.spanSeconds = 60;
  data.endSeconds = 60;
  data.series = {Constant(u"Speed", ui::kRed, 0, 100, 50, 0, 60)};
  for (ui::ChartPoint& point : data.series[0].points) {
    if (point.seconds > 20 && point.seconds < 40) point.value = nan;
  }
  dialog.SetChart(kIdChart, data);
  QImage image = chart.grab().toImage();
  const QRect plot = chart.PlotArea();
  const qreal middle = plot.top() + 0.5 * (plot.height() - 1);
  const auto x = [&](double seconds) {
    return plot.left() + static_cast<int>(seconds / 60 * (plot.width() - 1));
  };
  EXPECT_TRUE(LineAt(image, x(10), middle, Qt::red));
  EXPECT_FALSE(LineAt(image, x(30), middle, Qt::red)) << "no gap";
  EXPECT_TRUE(LineAt(image, x(50), middle, Qt::red));

  const std::pair<double, double> axes[] = {{0, 60},   {-5, 60},   {nan, 60},  {60, nan},
                                            {huge, 0}, {60, huge}, {1e-300, 0}};
  for (const auto& [span, end] : axes) {
    data.spanSeconds = span;
    data.endSeconds = end;
    dialog.SetChart(kIdChart, data);
    image = chart.grab().toImage();
    EXPECT_FALSE(image.isNull()) << span << " s to " << end << " s";
  }
}

TEST_F(ChartControl, DrawsALightGridAtWholeStepsOfTime) {
  ChartWidget& chart = OpenChart();
  ui::ChartData data;
  data.spanSeconds = 60;
  data.endSeconds = 125;  // the grid lines fall between the plot's edges
  dialog.SetChart(kIdChart, data);
  const QImage image = chart.grab().toImage();
  const QRect plot = chart.PlotArea();
  const double step = chart.GridStep();
  ASSERT_GE(step, 1.0);
  const double start = data.endSeconds - data.spanSeconds;
  const QColor base = chart.palette().color(QPalette::Base);
  const int row = plot.top() + plot.height() / 3;
  int lines = 0;
  for (double t = std::ceil(start / step) * step; t <= data.endSeconds; t += step) {
    const int at =
        plot.left() +
        static_cast<int>(std::lround((t - start) / data.spanSeconds * (plot.width() - 1)));
    if (at <= plot.left() || at >= plot.right()) continue;
    const QColor grid = image.pixelColor(at, row);
    EXPECT_NE(grid, base) << "no grid line at " << t << " s";
    EXPECT_GT(grid.lightness(), 160) << "the grid is light";
    // Halfway to the next line there is only the background.
    const int between = at + static_cast<int>(step / data.spanSeconds * plot.width() / 2);
    if (between < plot.right()) {
      EXPECT_EQ(image.pixelColor(between, row), base);
    }
    ++lines;
  }
  EXPECT_GE(lines, 3);
}

}  // namespace
}  // namespace tarn::gui::test
