// Row labels: words on the lines a band holds, a cut marked by an ellipsis,
// and one size for every label of a dialog. Widths are counted in characters
// here, so the expected lines can be read off the cases.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "ui/label_layout.h"

namespace tarn::ui {
namespace {

double CharacterCount(std::u16string_view text) {
  return static_cast<double>(text.size());
}

struct LayoutCase {
  const char* name;
  std::u16string text;
  double width;
  int lineRoom;
  std::vector<std::u16string> lines;
  bool cut;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
  *out << c.name;
}

class LabelLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LabelLayout, BreaksBetweenWordsAndMarksACut) {
  const LayoutCase& c = GetParam();
  const LabelLines layout = LayOutLabel(c.text, c.width, c.lineRoom, CharacterCount);
  EXPECT_EQ(layout.lines, c.lines);
  EXPECT_EQ(layout.cut, c.cut);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, LabelLayout,
    ::testing::Values(
        LayoutCase{"OneLine", u"ab cd", 10, 2, {u"ab cd"}, false},
        LayoutCase{"FillsALineBeforeBreaking", u"ab cd efghij", 6, 2, {u"ab cd", u"efghij"}, false},
        LayoutCase{"SpacesCollapse", u"  ab   cd  ", 10, 2, {u"ab cd"}, false},
        // Whole words up to the last line, which is cut with an ellipsis.
        LayoutCase{"TooLongForTwoLines", u"abc def ghi jkl", 6, 2, {u"abc", u"def g\u2026"}, true},
        // The space before a cut is not kept in front of the ellipsis.
        LayoutCase{"CutAfterAWord", u"abc def", 5, 1, {u"abc\u2026"}, true},
        // A word wider than the band is cut where it stands, on its own line.
        LayoutCase{"WordTooWide", u"ab abcdefghij", 6, 3, {u"ab", u"abcde\u2026"}, true},
        LayoutCase{"NoRoomStillOneLine", u"ab cd", 10, 0, {u"ab cd"}, false},
        LayoutCase{"Empty", u"", 10, 2, {}, false}),
    [](const auto& param) { return std::string(param.param.name); });

// Each label fits from its own largest size down (`fitsFrom` percent), or
// not even at the floor (below 80).
struct SizeCase {
  const char* name;
  std::vector<int> fitsFrom;
  int chosen;
};

void PrintTo(const SizeCase& c, std::ostream* out) {
  *out << c.name;
}

class LabelSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(LabelSize, LargestSizeAtWhichEveryLabelThatCanFitFits) {
  const SizeCase& c = GetParam();
  const int chosen = ChooseLabelPercent(c.fitsFrom.size(), [&](std::size_t label, int percent) {
    return percent > c.fitsFrom[label];
  });
  EXPECT_EQ(chosen, c.chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, LabelSize,
    ::testing::Values(SizeCase{"AllFitAtFullSize", {100, 100}, 100},
                      SizeCase{"TheLongestSetsTheSize", {100, 90, 95}, 90},
                      SizeCase{"BetweenSteps", {100, 87}, 85},
                      SizeCase{"OnlyAtTheFloor", {100, 82}, 80},
                      SizeCase{"HopelessLabelDoesNotPullDown", {100, 60}, 100},
                      SizeCase{"NoLabels", {}, 100}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tarn::ui
