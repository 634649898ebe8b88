// What the recording, the chart and tarn-cli read from a sample: numbers as
// the page shows them and the error word.
#include "live/live_items.h"

#include <gtest/gtest.h>


#include "monitor/live_fixtures.h"

namespace tarn {
namespace {

using testing::MonitorItem;
constexpr auto Item = MonitorItem;

TEST(LiveItems, NumbersAreTheValuesThePageShows) {
  struct Case {
    MonitorItemDef item;
    std::vector<std::uint8_t> bytes;  // from the item's offset
    std::optional<std::int32_t> number;
  };
  const Case cases[] = {
      {Item(0, 1, 0, u"uo"), {0xFF}, 255},
      {Item(0, 1, 0, u"so"), {0xFF}, -1},
      {Item(0, 1, 0, u"h"), {0xAB}, 0xAB},
      {Item(4, 2, 1, u"uo"), {0x12, 0x34}, 0x1234},
      {Item(4, 2, 1, u"so"), {0xFF, 0xFE}, -2},
      {Item(4, 2, 3, u"uo"), {0x80, 0, 0, 1}, -2147483647},
      {Item(0, 1, 0, u"a"), {'A'}, std::nullopt},          // characters
      {Item(16, 2, 1, u"h"), {0x00, 0x22}, std::nullopt},  // the error word
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "offset " << c.item.offset << " pro " << c.item.pro << " pos " << c.item.pos);
    MonitorBlock block{};
    std::copy(c.bytes.begin(), c.bytes.end(), block.begin() + c.item.offset);
    EXPECT_EQ(ItemNumber(c.item, block), c.number);
    EXPECT_EQ(IsNumberItem(c.item), c.number.has_value());
  }
  MonitorBlock block{};
  EXPECT_EQ(ItemNumber(Item(47, 2, 1, u"uo"), block), std::nullopt);  // past the block
}

TEST(LiveItems, TheErrorWordIsTheLastErrorItemAndItsBitsAreNamed) {
  auto defs = testing::BuiltInDefinitions();
  EXPECT_EQ(ErrorWordIndex(*defs), 16);
  EXPECT_EQ(ActiveErrorNames(0, *defs), u"");
  EXPECT_EQ(ActiveErrorNames(0x8001, *defs),
            defs->errorBits[0].name + u"; " + defs->errorBits[15].name);
  EXPECT_EQ(ActiveErrorNames(1u << 20, *defs), u"бит 20");  // the text names 16 bits
  defs->monitorItems[30] = Item(40, 2, 1, u"h");
  EXPECT_EQ(ErrorWordIndex(*defs), 30);
  defs->monitorCount = 10;
  EXPECT_EQ(ErrorWordIndex(*defs), -1);
}

}  // namespace
}  // namespace tarn
