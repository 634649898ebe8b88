#include "model/value_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/definition_loader.h"

namespace tarn {
namespace {

constexpr int kAt = 100;  // address of the field under test

ParamDef Def(int pro, int pos, std::u16string sw, int en = 0, int low = 0, int high = 0) {
  ParamDef def;
  def.address = kAt;
  def.pro = pro;
  def.pos = pos;
  def.sw = std::move(sw);
  def.en = en;
  def.rangeL = low;
  def.rangeH = high;
  DecodeCodes(def);
  return def;
}

ParameterImage ImageWith(const std::vector<std::uint8_t>& bytes, int address = kAt) {
  ParameterImage image;
  int at = address;
  for (std::uint8_t b : bytes) {
    image[static_cast<std::size_t>(at++)] = b;
  }
  return image;
}

std::vector<std::uint8_t> BytesAt(const ParameterImage& image, int count, int address = kAt) {
  return {image.bytes.begin() + address, image.bytes.begin() + address + count};
}

struct FormatCase {
  const char* what;
  ParamDef def;
  std::vector<std::uint8_t> bytes;
  std::u16string text;
};

TEST(FormatValueTest, ShowsEachFormAsThePageWould) {
  const std::vector<FormatCase> cases = {
      {"1 byte uo", Def(1, 0, u"uo"), {0xD8}, u"216"},
      {"1 byte so", Def(1, 0, u"so"), {0xD8}, u"-40"},
      {"1 byte h, no leading zero", Def(1, 0, u"h"), {0x1F}, u"1f"},
      {"1 byte h zero", Def(1, 0, u"h"), {0x00}, u"0"},
      {"1 byte a", Def(1, 0, u"a"), {0xE9}, u"\u00E9"},
      {"1 byte a zero", Def(1, 0, u"a"), {0x00}, u""},
      {"1 byte unknown sw in decimal", Def(1, 0, u"xx"), {0xF5}, u"245"},
      {"2 bytes uo", Def(2, 1, u"uo"), {0x01, 0x2C}, u"300"},
      {"4 bytes uo past int max", Def(2, 3, u"uo"), {0x80, 0, 0, 0}, u"-2147483648"},
      {"3 bytes uo", Def(2, 2, u"uo"), {0x01, 0x00, 0x00}, u"65536"},
      {"2 bytes so", Def(2, 1, u"so"), {0xFF, 0xFB}, u"-5"},
      {"3 bytes so", Def(2, 2, u"so"), {0xFF, 0xFF, 0xFE}, u"-2"},
      {"1 byte group so", Def(2, 0, u"so"), {0x80}, u"-128"},
      {"4 bytes h", Def(2, 3, u"h"), {0x00, 0x01, 0xA2, 0xB3}, u"0001a2b3"},
      {"2 bytes h", Def(2, 1, u"h"), {0x00, 0x0A}, u"000a"},
      {"1 byte group h", Def(2, 0, u"h"), {0x07}, u"07"},
      {"3 bytes group h", Def(2, 2, u"h"), {0xAB, 0x00, 0x01}, u"ab0001"},
      {"8 bytes a with zeros", Def(2, 7, u"a"), {'A', 'B', 0, 0, 0, 0, 0, 0}, u"AB"},
      {"4 bytes a full", Def(2, 3, u"a"), {'T', 'A', 'R', 'N'}, u"TARN"},
      {"group unknown sw in decimal", Def(2, 1, u"UO"), {0x01, 0x02}, u"258"},
      {"long group unknown sw has no text", Def(2, 7, u"x"), {1, 2, 3, 4, 5, 6, 7, 8}, u""},
      {"bit row has no text", Def(0, 3, u"uo"), {0xFF}, u""},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatValue(c.def, ImageWith(c.bytes)), c.text) << c.what;
  }
}

struct StoreCase {
  const char* what;
  ParamDef def;
  std::u16string text;
  StoreResult result;
  std::vector<std::uint8_t> bytes;  // the field afterwards (starts as 0xEE...)
};

TEST(StoreTextTest, ConvertsChecksAndStores) {
  constexpr std::uint8_t k = 0xEE;  // untouched
  const StoreResult ok = StoreResult::Stored;
  const StoreResult refused = StoreResult::OutOfRange;
  const std::vector<StoreCase> cases = {
      {"300 in one byte checks the truncated 44", Def(1, 0, u"uo", 1, 0, 255), u"300", ok, {0x2C}},
      {"300 truncated to 44 is above 0..40", Def(1, 0, u"uo", 1, 0, 40), u"300", refused, {k}},
      {"-40 in so is checked as 216", Def(1, 0, u"so", 1, 0, 255), u"-40", ok, {0xD8}},
      {"-40 refused by a signed-looking range", Def(1, 0, u"so", 1, -50, 50), u"-40", refused, {k}},
      {"12abc gives 12", Def(1, 0, u"uo", 1, 0, 20), u"12abc", ok, {12}},
      {"empty text is 0 and range-checked", Def(1, 0, u"uo", 1, 5, 40), u"", refused, {k}},
      {"empty range refuses everything", Def(1, 0, u"uo", 1, 1, 0), u"1", refused, {k}},
      {"en 0 never refuses", Def(1, 0, u"uo", 0, 1, 0), u"7", ok, {7}},
      {"en 2 never refuses", Def(1, 0, u"uo", 2, 1, 0), u"7", ok, {7}},
      {"one-byte h takes two characters", Def(1, 0, u"h", 1, 0, 255), u"1f9", ok, {0x1F}},
      {"one-byte a takes the first character", Def(1, 0, u"a"), u"Zx", ok, {'Z'}},
      {"one-byte a empty", Def(1, 0, u"a"), u"", ok, {0}},
      {"one-byte other sw stores decimal", Def(1, 0, u"q"), u"9", ok, {9}},
      {"300 into two bytes", Def(2, 1, u"uo", 1, 0, 1000), u"300", ok, {0x01, 0x2C}},
      {"70000 outside 18..180", Def(2, 1, u"uo", 1, 18, 180), u"70000", refused, {k, k}},
      {"70000 unchecked keeps the low 16 bits",
       Def(2, 1, u"uo", 0, 18, 180),
       u"70000",
       ok,
       {0x11, 0x70}},
      {"-1 is 0xFFFFFFFF unsigned, above 0..100",
       Def(2, 1, u"so", 1, 0, 100),
       u"-1",
       refused,
       {k, k}},
      {"-1 passes only an upper bound of -1", Def(2, 1, u"so", 1, 0, -1), u"-1", ok, {0xFF, 0xFF}},
      {"-5 into two so bytes unchecked", Def(2, 1, u"so"), u"-5", ok, {0xFF, 0xFB}},
      {"0x80000000 back from its text", Def(2, 3, u"uo"), u"-2147483648", ok, {0x80, 0, 0, 0}},
      {"hex by pairs", Def(2, 3, u"h", 1, 0, 0), u"0001a2b3", ok, {0x00, 0x01, 0xA2, 0xB3}},
      {"short hex pads with zero bytes", Def(2, 3, u"h"), u"1A2B", ok, {0x1A, 0x2B, 0, 0}},
      {"odd hex length", Def(2, 1, u"h"), u"abc", ok, {0xAB, 0x0C}},
      {"pair without hex digit gives 0", Def(2, 1, u"h"), u"zz12", ok, {0x00, 0x12}},
      {"text clears the rest of its field",
       Def(2, 7, u"a"),
       u"AB",
       ok,
       {'A', 'B', 0, 0, 0, 0, 0, 0}},
      {"text cut to its field", Def(2, 3, u"a"), u"ABCDEFG", ok, {'A', 'B', 'C', 'D'}},
      {"text keeps the low byte of each character",
       Def(2, 1, u"a"),
       u"\u0416\u00E9",
       ok,
       {0x16, 0xE9}},
      {"group with another sw stores nothing", Def(2, 1, u"x", 1, 1, 0), u"5", ok, {k, k}},
  };
  for (const StoreCase& c : cases) {
    ParameterImage image;
    image.bytes.fill(k);
    EXPECT_EQ(StoreText(c.def, c.text, image), c.result) << c.what;
    EXPECT_EQ(BytesAt(image, static_cast<int>(c.bytes.size())), c.bytes) << c.what;
    EXPECT_EQ(image[kAt - 1], k) << c.what;
    EXPECT_EQ(image[kAt + c.bytes.size()], k) << c.what;
  }
}

TEST(FlagTest, ChangesOnlyItsBit) {
  ParameterImage image = ImageWith({0x81});
  const ParamDef bit7 = Def(0, 7, u"uo");
  EXPECT_TRUE(GetFlag(bit7, image));
  SetFlag(bit7, image, false);
  EXPECT_EQ(image[kAt], 0x01);
  EXPECT_FALSE(GetFlag(bit7, image));
  const ParamDef bit3 = Def(0, 3, u"uo");
  SetFlag(bit3, image, true);
  EXPECT_EQ(image[kAt], 0x09);
  SetFlag(bit3, image, true);
  EXPECT_EQ(image[kAt], 0x09);
  EXPECT_TRUE(GetFlag(Def(0, 0, u"uo"), image));
}

ParamDef At(int address, int pro, int pos, std::u16string sw) {
  ParamDef def = Def(pro, pos, std::move(sw));
  def.address = address;
  DecodeCodes(def);
  return def;
}

TEST(DefinitionUsableTest, KeepsEveryFieldInsideTheImageAndTheCodec) {
  const std::pair<ParamDef, bool> cases[] = {
      {At(511, 1, 0, u"uo"), true},  {At(512, 1, 0, u"uo"), false}, {At(-1, 1, 0, u"uo"), false},
      {At(510, 2, 1, u"uo"), true},  {At(511, 2, 1, u"uo"), false}, {At(0, 2, 3, u"h"), true},
      {At(0, 2, 4, u"uo"), false},   {At(0, 2, 4, u"so"), false},   {At(0, 2, 18, u"a"), true},
      {At(0, 2, 19, u"a"), false},   {At(0, 2, -1, u"uo"), false},  {At(0, 2, 40, u"x"), true},
      {At(500, 2, 40, u"x"), false}, {At(20, 0, 7, u"uo"), true},   {At(20, 0, 8, u"uo"), false},
      {At(20, 0, -1, u"uo"), false}, {At(20, 3, 0, u"uo"), false},
  };
  for (const auto& [def, usable] : cases) {
    EXPECT_EQ(DefinitionUsable(def), usable)
        << "address " << def.address << " pro " << def.pro << " pos " << def.pos;
  }
}

TEST(DefinitionUsableTest, UnusableRowsAreNeitherShownNorStored) {
  ParameterImage image;
  const ParameterImage before = image;
  const ParamDef past = At(510, 2, 3, u"uo");
  EXPECT_EQ(FormatValue(past, image), u"");
  EXPECT_EQ(StoreText(past, u"1", image), StoreResult::Stored);
  SetFlag(At(511, 0, 9, u"uo"), image, false);
  EXPECT_FALSE(GetFlag(At(600, 0, 1, u"uo"), image));
  ParamDef marked = Def(1, 0, u"uo");
  marked.usable = false;
  EXPECT_EQ(StoreText(marked, u"1", image), StoreResult::Stored);
  EXPECT_EQ(image.bytes, before.bytes);
}

}  // namespace
// Leaving a page stores every shown text back. A character field whose bytes
// go on behind a zero shows only the part before it; storing that same text
// must not clear the hidden rest, or a module name would change by itself and
// no later write would pass the identity check.
TEST(StoreTextTest, UnchangedTextLeavesBytesBehindAZeroAlone) {
  const ParamDef def = Def(2, 7, u"a");
  const std::vector<std::uint8_t> held = {'A', 'B', 0, 'C', 'D', 'E', 'F', 'G'};
  ParameterImage image;
  for (std::size_t i = 0; i < held.size(); ++i) {
    image[kAt + i] = held[i];
  }
  ASSERT_EQ(FormatValue(def, image), u"AB");
  EXPECT_EQ(StoreText(def, FormatValue(def, image), image), StoreResult::Stored);
  EXPECT_EQ(BytesAt(image, 8), held);
  EXPECT_EQ(StoreText(def, u"AC", image), StoreResult::Stored);
  EXPECT_EQ(BytesAt(image, 8), (std::vector<std::uint8_t>{'A', 'C', 0, 0, 0, 0, 0, 0}));
}

}  // namespace tarn
