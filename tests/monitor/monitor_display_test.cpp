// The pure display rules of the monitor: which items fit, how bytes become
// texts, and the rotating error display.
#include "live/monitor_display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/definition_loader.h"
#include "monitor/live_fixtures.h"

namespace tarn {
namespace {

constexpr auto Item = testing::MonitorItem;

MonitorBlock BlockWith(int offset, const std::vector<std::uint8_t>& bytes) {
  MonitorBlock block{};
  std::size_t at = static_cast<std::size_t>(offset);
  for (std::uint8_t byte : bytes) block[at++] = byte;
  return block;
}

struct FormatCase {
  const char* what;
  int offset, pro, pos;
  std::u16string sw;
  std::vector<std::uint8_t> bytes;
  std::optional<std::u16string> text;
};

TEST(MonitorDisplay, FormatsEachStorageKindAndFormat) {
  const std::vector<FormatCase> cases = {
      {"byte unsigned", 3, 1, 0, u"uo", {0xFF}, u"255"},
      {"byte signed", 3, 1, 0, u"so", {0xFF}, u"-1"},
      {"byte signed positive", 3, 1, 0, u"so", {0x7F}, u"127"},
      {"byte hex lower case", 3, 1, 0, u"h", {0xAB}, u"ab"},
      {"byte hex zero", 3, 1, 0, u"h", {0x00}, u"0"},
      {"byte character", 3, 1, 0, u"a", {'A'}, u"A"},
      {"byte character zero", 3, 1, 0, u"a", {0x00}, u""},
      {"byte character high code", 3, 1, 0, u"a", {0xE9}, u"\u00e9"},
      {"byte unknown format", 3, 1, 0, u"x", {0x12}, std::nullopt},
      {"two bytes unsigned", 16, 2, 1, u"uo", {0x01, 0x02}, u"258"},
      {"two bytes unsigned top bit", 16, 2, 1, u"uo", {0xFF, 0xFE}, u"65534"},
      {"two bytes signed", 16, 2, 1, u"so", {0xFF, 0xFE}, u"-2"},
      {"three bytes signed", 16, 2, 2, u"so", {0xFF, 0xFF, 0xFD}, u"-3"},
      {"four bytes unsigned top bit", 40, 2, 3, u"uo", {0x80, 0x00, 0x00, 0x01}, u"-2147483647"},
      {"four bytes signed", 40, 2, 3, u"so", {0xFF, 0xFF, 0xFF, 0xFF}, u"-1"},
      {"one-byte group signed", 40, 2, 0, u"so", {0x80}, u"-128"},
      {"text up to zero byte", 20, 2, 3, u"a", {'Q', 'X', 0, 'Z'}, u"QX"},
      {"text without zero", 20, 2, 1, u"a", {'O', 'K'}, u"OK"},
      {"group with unknown format", 20, 2, 1, u"x", {1, 2}, std::nullopt},
      {"unknown storage kind", 20, 3, 0, u"uo", {1}, std::nullopt},
      {"bit storage kind", 20, 0, 0, u"uo", {1}, std::nullopt},
      {"group past the block end", 47, 2, 1, u"uo", {1}, std::nullopt},
  };
  for (const FormatCase& c : cases) {
    const MonitorBlock block = BlockWith(c.offset, c.bytes);
    EXPECT_EQ(FormatItem(Item(c.offset, c.pro, c.pos, c.sw), block), c.text) << c.what;
  }
}

TEST(MonitorDisplay, ItemsFitOnlyInsideTheBlockAndTheirWidth) {
  struct FitCase {
    const char* what;
    MonitorItemDef item;
    bool fits;
  };
  const std::vector<FitCase> cases = {
      {"last byte", Item(47, 1, 0, u"uo"), true},
      {"byte past the end", Item(48, 1, 0, u"uo"), false},
      {"negative offset", Item(-1, 1, 0, u"uo"), false},
      {"pair at the end", Item(46, 2, 1, u"uo"), true},
      {"pair over the end", Item(47, 2, 1, u"uo"), false},
      {"four-byte number", Item(0, 2, 3, u"so"), true},
      {"five-byte number", Item(0, 2, 4, u"uo"), false},
      {"19 characters", Item(0, 2, 18, u"a"), true},
      {"20 characters", Item(0, 2, 19, u"a"), false},
      {"negative group size", Item(0, 2, -1, u"uo"), false},
      {"bit storage kind", Item(0, 0, 0, u"uo"), false},
  };
  for (const FitCase& c : cases) EXPECT_EQ(ItemFits(c.item), c.fits) << c.what;
}

std::vector<ErrorBitDef> Names(int count) {
  std::vector<ErrorBitDef> names;
  for (int k = 0; k < count; ++k) {
    names.push_back({k, u"bit" + std::u16string(1, static_cast<char16_t>(u'A' + k))});
  }
  return names;
}

// Runs `steps` display steps over `word` and lists the texts ("=" for a step
// that keeps the text).
std::vector<std::u16string> Rotate(ErrorRotation& rotation, std::uint32_t word, int names,
                                   int steps) {
  const std::vector<ErrorBitDef> bits = Names(names);
  std::vector<std::u16string> shown;
  for (int i = 0; i < steps; ++i) shown.push_back(rotation.Step(word, bits).value_or(u"="));
  return shown;
}

TEST(MonitorDisplay, ErrorRotationNamesSetBitsInTurn) {
  struct RotationCase {
    const char* what;
    std::uint32_t word;
    int names;
    std::vector<std::u16string> shown;
  };
  const std::vector<RotationCase> cases = {
      {"no error", 0x0000, 16, {u" ", u" "}},
      {"bits 1 and 5, bit 5 held once",
       0x0022,
       16,
       {u"bitB", u"bitF", u"=", u"bitB", u"bitF", u"="}},
      {"top bit of sixteen", 0x8000, 16, {u"bitP", u"bitP", u"bitP"}},
      {"single low bit stays", 0x0001, 16, {u"bitA", u"=", u"bitA"}},
      {"bit without a name", 0x10000, 16, {u"=", u"="}},
      {"highest named bit wraps at once", 0x0003, 2, {u"bitA", u"bitB", u"bitA", u"bitB"}},
      {"no names at all", 0x0001, 0, {u"=", u"="}},
  };
  for (const RotationCase& c : cases) {
    ErrorRotation rotation;
    EXPECT_EQ(Rotate(rotation, c.word, c.names, static_cast<int>(c.shown.size())), c.shown)
        << c.what;
  }
}

TEST(MonitorDisplay, ErrorWordZeroKeepsTheRotationPlace) {
  ErrorRotation rotation;
  Rotate(rotation, 0x0022, 16, 1);  // bit 1 shown, next search from bit 2
  EXPECT_EQ(rotation.index(), 2);
  EXPECT_EQ(Rotate(rotation, 0, 16, 1), std::vector<std::u16string>{u" "});
  EXPECT_EQ(rotation.index(), 2);
  EXPECT_EQ(Rotate(rotation, 0x0022, 16, 1), std::vector<std::u16string>{u"bitF"});
}

}  // namespace
}  // namespace tarn
