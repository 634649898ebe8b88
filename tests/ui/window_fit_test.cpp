// The fit of a window to its screen, as both front ends use it.
#include "ui/window_fit.h"

#include <gtest/gtest.h>

#include <string>

namespace tarn::ui {
namespace {

// The main window's natural size at 9 points and 96 dpi (400 x 431 units of
// 7 x 14 pixels), and the bars beside it.
constexpr Extent kNaturalMain{700, 754};
constexpr Extent kBars{0, 48};
constexpr Margins kFrame{8, 32, 8, 8};
constexpr int kMainPoints = 9;

struct FitCase {
  const char* name;
  Box area;
  double screenScale;
  bool atLegibleFloor;  // the window does not fit even at the floor
};

void PrintTo(const FitCase& c, std::ostream* out) {
  *out << c.name;
}

// A dialog that scales exactly, as the Qt front end draws it, or in whole
// font points, as the Win32 front end does.
Extent ContinuousClient(double scale) {
  return {static_cast<int>(kNaturalMain.width * scale + 0.5) + kBars.width,
          static_cast<int>(kNaturalMain.height * scale + 0.5) + kBars.height};
}

Extent PointClient(double scale) {
  const double points = static_cast<int>(kMainPoints * scale + 1 - 1e-6);  // ceil
  return ContinuousClient(points / kMainPoints);
}

class FitOnScreen : public ::testing::TestWithParam<FitCase> {};

// The whole window lies inside the area and, unless the dialog is at its
// natural size or at the legible floor, nearly fills it in one direction.
TEST_P(FitOnScreen, TheWindowFitsAtTheLargestLegibleScale) {
  const FitCase& c = GetParam();
  for (const auto& clientAt : {&ContinuousClient, &PointClient}) {
    FitRequest request;
    request.area = c.area;
    request.frame = kFrame;
    request.besides = kBars;
    request.fontPoints = kMainPoints;
    request.screenScale = c.screenScale;
    request.over = c.area;
    int calls = 0;
    const WindowFit fit = FitWindow(request, [&](double scale) {
      ++calls;
      return clientAt(scale);
    });
    const double legible = LegibleScale(kMainPoints, c.screenScale);
    ASSERT_LE(fit.scale, 1.0);
    ASSERT_GE(fit.scale, legible);
    EXPECT_EQ(fit.client.width, clientAt(fit.scale).width);
    const Box outer{fit.client.left - kFrame.left, fit.client.top - kFrame.top,
                    fit.client.width + kFrame.left + kFrame.right,
                    fit.client.height + kFrame.top + kFrame.bottom};
    EXPECT_GE(outer.left, c.area.left);
    EXPECT_GE(outer.top, c.area.top);
    if (c.atLegibleFloor) {
      EXPECT_DOUBLE_EQ(fit.scale, legible);
    }
    // Whole points may not fit where the exact scale just does; the floor
    // then holds and the title bar stays on screen.
    if (fit.scale == legible) continue;
    EXPECT_LE(outer.left + outer.width, c.area.left + c.area.width);
    EXPECT_LE(outer.top + outer.height, c.area.top + c.area.height);
    if (fit.scale < 1.0) {
      // No more than a font point's worth of room is left over.
      const int slack = std::min(c.area.width - outer.width, c.area.height - outer.height);
      EXPECT_LE(slack, kNaturalMain.height / kMainPoints + 2);
      EXPECT_LE(calls, 2 + kMainPoints);
    } else {
      EXPECT_EQ(calls, 1) << "drawn again though it fits";
    }
  }
}

// Areas are in the pixels the front end places windows in: Qt's at 150 %
// are the screen's pixels divided by 1.5, less the taskbar.
INSTANTIATE_TEST_SUITE_P(
    Screens, FitOnScreen,
    ::testing::Values(FitCase{"RoomEnough", {0, 0, 1920, 1040}, 1.0, false},
                      FitCase{"Laptop", {0, 0, 1366, 728}, 1.0, false},
                      FitCase{"LaptopAt150Qt", {0, 0, 910, 485}, 1.5, false},
                      FitCase{"LaptopAt150Win32", {0, 0, 1366, 728}, 1.5, false},
                      FitCase{"FullHdAt150Qt", {0, 0, 1280, 693}, 1.5, false},
                      FitCase{"NarrowScreen", {100, 0, 640, 1000}, 1.0, false},
                      FitCase{"TooSmallToRead", {0, 0, 800, 400}, 1.0, true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(FitOnScreen, TheLegibleFloorComesDownWithTheDesktopsScaling) {
  EXPECT_DOUBLE_EQ(LegibleScale(9, 1.0), 7.0 / 9);
  EXPECT_DOUBLE_EQ(LegibleScale(9, 1.5), 7.0 / 13.5);
  EXPECT_DOUBLE_EQ(LegibleScale(7, 1.0), 1.0);
  EXPECT_DOUBLE_EQ(LegibleScale(0, 0.5), 1.0);  // no font, no scaling below 100 %
}

TEST(FitOnScreen, PlacesTheFrameCentredAndInsideTheArea) {
  const Box area{100, 0, 1366, 728};
  // Centred on the area.
  Box client = PlaceWindow({640, 680}, kFrame, area, area);
  EXPECT_EQ(client.left - kFrame.left, 100 + (1366 - 656) / 2);
  // Centred on an owner near the area's corner: moved back inside.
  client = PlaceWindow({594, 294}, kFrame, area, {1300, 600, 400, 300});
  EXPECT_EQ(client.left + client.width + kFrame.right, area.left + area.width);
  EXPECT_EQ(client.top + client.height + kFrame.bottom, area.height);
  // Larger than the area: the title bar stays on screen.
  client = PlaceWindow({2000, 900}, kFrame, area, area);
  EXPECT_EQ(client.left - kFrame.left, area.left);
  EXPECT_EQ(client.top - kFrame.top, area.top);
}

}  // namespace
}  // namespace tarn::ui
