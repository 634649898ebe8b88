// Plain values the dialogs and hosts share: check states, colours, and what
// list and chart controls show (data that a dialog holds for each such
// control and a host draws; equality lets setters skip a repaint when nothing
// changed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn::ui {

enum class CheckState { Unchecked, Checked, Indeterminate };

// 0x00RRGGBB
using Rgb = std::uint32_t;
constexpr Rgb MakeRgb(int r, int g, int b) {
  return static_cast<Rgb>((r << 16) | (g << 8) | b);
}
inline constexpr Rgb kGreen = MakeRgb(0, 213, 11);
inline constexpr Rgb kRed = MakeRgb(255, 0, 0);
inline constexpr Rgb kBlue = MakeRgb(0, 0, 255);

// A column of a list: its heading and its width in dialog units.
struct ListColumn {
  std::u16string title;
  int width = 0;
  bool operator==(const ListColumn&) const = default;
};

// One row of a list, a text per column. In a list with tick boxes every row
// has one; a row that is not checkable shows its box greyed and the user
// cannot change it.
struct ListRow {
  std::vector<std::u16string> cells;
  CheckState check = CheckState::Unchecked;
  bool checkable = true;
  std::optional<Rgb> color;  // text colour of the row; nothing for the default
  bool operator==(const ListRow&) const = default;
};

struct ListData {
  std::vector<ListColumn> columns;
  std::vector<ListRow> rows;
  bool operator==(const ListData&) const = default;
};

// A chart draws each series as a line over a time axis that ends at
// `endSeconds` and spans `spanSeconds`. Every series has its own vertical
// scale: `min` at the bottom edge, `max` at the top; values outside are drawn
// at the edge.
// A value that is not a number (NaN) marks a gap: no line is drawn to or
// from it.
struct ChartPoint {
  double seconds = 0;
  double value = 0;
  bool operator==(const ChartPoint&) const = default;
};

struct ChartSeries {
  std::u16string name;
  Rgb color = 0;
  double min = 0;
  double max = 1;
  std::vector<ChartPoint> points;  // in time order
  bool operator==(const ChartSeries&) const = default;
};

struct ChartData {
  double spanSeconds = 60;
  double endSeconds = 0;
  std::vector<ChartSeries> series;
  bool operator==(const ChartData&) const = default;
};

// Where a value falls on a series' scale: 0 at `min`, 1 at `max`, clamped to
// [0, 1]; 0.5 for a scale without extent. Hosts map it to pixels.
double ChartLevel(const ChartSeries& series, double value);

}  // namespace tarn::ui
