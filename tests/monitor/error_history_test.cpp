// The history of errors: what a fault that came and went leaves behind.
#include "live/error_history.h"

#include <gtest/gtest.h>

#include "monitor/live_fixtures.h"

namespace tarn {
namespace {

using testing::SampleAt;

constexpr std::size_t kErrorWordOffset = 16;  // the built-in text's error item

class History : public ::testing::Test {
 protected:
  // Takes a poll whose error word is `word`; `errorThirdCame` false: the
  // reply carrying the error word was refused.
  LiveSample Poll(std::uint16_t word, bool errorThirdCame = true) {
    LiveSample sample = SampleAt(++tick_, {}, {true, errorThirdCame, true});
    testing::PutWord(sample, kErrorWordOffset, word);
    history_.Take(sample);
    return sample;
  }

  std::unique_ptr<DefinitionSet> defs_ = testing::BuiltInDefinitions();
  ErrorHistory history_{*defs_};
  int tick_ = 0;
};

TEST_F(History, AnErrorShownForOnePollStaysListed) {
  Poll(0);
  const LiveSample blip = Poll(1u << 7);
  Poll(0);
  Poll(0);
  const auto records = history_.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].bit, 7);
  EXPECT_EQ(records[0].polls, 1);
  EXPECT_EQ(records[0].firstSeen, blip.wallTime);
  EXPECT_EQ(records[0].lastSeen, blip.wallTime);
  EXPECT_FALSE(records[0].activeNow);
  EXPECT_EQ(history_.ActiveBits(), 0u);
}

TEST_F(History, CountsThePollsOfEachBitMarksTheActiveOnesAndClears) {
  const LiveSample first = Poll(0x0004);
  Poll(0x0024);
  Poll(0x8024, false);  // refused: neither counted nor taken as active
  const LiveSample last = Poll(0x0020);
  const auto records = history_.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].bit, 2);
  EXPECT_EQ(records[0].polls, 2);
  EXPECT_EQ(records[0].firstSeen, first.wallTime);
  EXPECT_FALSE(records[0].activeNow);
  EXPECT_EQ(records[1].bit, 5);
  EXPECT_EQ(records[1].polls, 2);
  EXPECT_EQ(records[1].lastSeen, last.wallTime);
  EXPECT_TRUE(records[1].activeNow);
  EXPECT_TRUE(history_.IsActive(5));
  EXPECT_FALSE(history_.IsActive(15));
  history_.Clear();
  EXPECT_TRUE(history_.Records().empty());
  EXPECT_FALSE(history_.IsActive(5));
}

}  // namespace
}  // namespace tarn
