// The chart's series: a bounded minute of samples, gaps, scales and Pause.
#include "live/chart_series.h"

#include <gtest/gtest.h>

#include "monitor/live_fixtures.h"

namespace tarn {
namespace {

using std::chrono::milliseconds;
using testing::SampleAt;

constexpr int kTps = 0;          // item 0: byte 0, min 0, max 255
constexpr int kErrorItem = 16;   // the error word
constexpr int kMotorSpeed = 17;  // item 17: bytes 18-19, min 0, max 10000

class Chart : public ::testing::Test {
 protected:
  void Choose(std::vector<int> items) { ASSERT_TRUE(chart_.Choose(items)); }
  // A sample at `at` whose TPS byte is `value`.
  void Take(std::chrono::steady_clock::time_point at, std::uint8_t value,
            std::array<bool, kLiveDataThirds> accepted = {true, true, true}) {
    LiveSample sample = SampleAt(0, at, accepted);
    sample.block[0] = value;
    chart_.Take(sample);
  }

  std::unique_ptr<DefinitionSet> defs_ = testing::BuiltInDefinitions();
  ChartSeries chart_{*defs_};
  std::chrono::steady_clock::time_point start_{};
};

TEST_F(Chart, KeepsAtMostTheLastSixtySecondsHoweverLongItRuns) {
  Choose({kTps});
  struct Case {
    const char* what;
    milliseconds period;
    int samples;
    std::size_t kept;
  };
  const Case cases[] = {
      {"an hour on time", milliseconds{200}, 18000, kChartSamples},
      {"late ticks", milliseconds{250}, 1000, 241},  // 60 s / 0.25 s, both ends
      {"fewer than a minute", milliseconds{200}, 10, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ChartSeries chart(*defs_);
    ASSERT_TRUE(chart.Choose(std::vector<int>{kTps}));
    for (int k = 0; k < c.samples; ++k) {
      LiveSample sample = SampleAt(0, start_ + c.period * k);
      sample.block[0] = static_cast<std::uint8_t>(k);
      chart.Take(sample);
    }
    const std::vector<ChartPoint> points = chart.Series(0);
    ASSERT_EQ(points.size(), c.kept);
    EXPECT_EQ(chart.Size(), c.kept);
    EXPECT_GE(points.front().seconds, -60.0);
    EXPECT_EQ(points.back().seconds, 0.0);
    EXPECT_EQ(points.back().value, static_cast<std::uint8_t>(c.samples - 1));
  }
}

TEST_F(Chart, APauseInPollingDropsWhatIsOlderThanAMinute) {
  Choose({kTps});
  for (int k = 0; k < 100; ++k) Take(start_ + milliseconds{200} * k, 1);
  const auto resumed = start_ + std::chrono::minutes{3};
  for (int k = 0; k < 10; ++k) Take(resumed + milliseconds{200} * k, 2);
  const std::vector<ChartPoint> points = chart_.Series(0);
  ASSERT_EQ(points.size(), 10u);
  EXPECT_EQ(points.front().value, 2);
}

TEST_F(Chart, ARefusedThirdIsAGapAndEachItemHasItsOwnScale) {
  EXPECT_FALSE(chart_.Choose(std::vector<int>{kTps, kErrorItem}));  // not a number
  EXPECT_FALSE(chart_.Choose(std::vector<int>{0, 1, 2, 3, 4}));     // five
  Choose({kTps, kMotorSpeed});
  Take(start_, 100);
  Take(start_ + milliseconds{200}, 120, {false, true, true});
  const std::vector<ChartPoint> tps = chart_.Series(0);
  ASSERT_EQ(tps.size(), 2u);
  EXPECT_EQ(tps[0].value, 100);
  EXPECT_FALSE(tps[1].value.has_value());
  EXPECT_EQ(chart_.Series(1)[1].value, 0);  // the second third came
  const ChartScale speed = chart_.Scale(1);
  EXPECT_EQ(speed.min, 0);
  EXPECT_EQ(speed.max, 10000);
  EXPECT_DOUBLE_EQ(speed.Fraction(2500), 0.25);
  EXPECT_DOUBLE_EQ(chart_.Scale(0).Fraction(255), 1.0);
  EXPECT_DOUBLE_EQ((ChartScale{5, 5}).Fraction(6), 1.0);  // no range: one unit
}

TEST_F(Chart, PauseFreezesThePictureWhilePollsGoOn) {
  Choose({kTps});
  Take(start_, 10);
  chart_.SetPaused(true);
  for (int k = 1; k <= 5; ++k) Take(start_ + milliseconds{200} * k, 50);
  ASSERT_EQ(chart_.Series(0).size(), 1u);
  EXPECT_EQ(chart_.Series(0)[0].value, 10);
  chart_.SetPaused(false);
  const std::vector<ChartPoint> points = chart_.Series(0);
  ASSERT_EQ(points.size(), 6u);  // the paused polls were kept
  EXPECT_EQ(points.back().value, 50);
}

}  // namespace
}  // namespace tarn
