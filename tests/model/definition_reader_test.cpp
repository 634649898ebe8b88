#include "model/definition_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tarn {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::vector<std::string> Rows(std::string_view text) {
  RowScanner scanner(Bytes(text));
  std::vector<std::string> rows;
  std::string row;
  while (scanner.Next(row)) {
    rows.push_back(row);
  }
  return rows;
}

struct ScanCase {
  const char* what;
  std::string text;
  std::vector<std::string> rows;
};

TEST(RowScannerTest, SplitsTextByTheGrammar) {
  using namespace std::string_literals;
  const std::vector<ScanCase> cases = {
      {"CR stays, LF ends the row",
       "[001]#\tpro=1#\r\n[002]#\r\n\\\r\n",
       {"[001]#\tpro=1#\r", "[002]#\r"}},
      {"two rows on one line keep only the second", "[027]#a=1#[029]#b=2#\r\n\\", {"[029]#b=2#\r"}},
      {"backslash drops the unfinished row and what follows",
       "[001]#x=1#\n[002]#y=\\2#\n[003]#\n",
       {"[001]#x=1#"}},
      {"bytes outside rows are ignored",
       "head line\r\n\r\n[005]#\n tail ]# text\n\\\r\n\r\n",
       {"[005]#"}},
      {"NUL bytes are skipped",
       "[0\0"s
       "07]#na\0me=A#\n\\",
       {"[007]#name=A#"}},
      {"no backslash: reading stops at the end, open row lost", "[001]#\n[002]#", {"[001]#"}},
      {"empty text", "", {}},
      {"a lone '[' at the end of a line is an empty row", "[\n\\", {"["}},
  };
  for (const ScanCase& c : cases) {
    EXPECT_EQ(Rows(c.text), c.rows) << c.what;
  }
}

TEST(RowScannerTest, StaysAtTheEndAfterBackslash) {
  RowScanner scanner(Bytes("\\[001]#\n"));
  std::string row = "stale";
  EXPECT_FALSE(scanner.Next(row));
  EXPECT_TRUE(row.empty());
  EXPECT_FALSE(scanner.Next(row));
}

struct FieldCase {
  const char* row;
  const char* key;
  const char* value;
};

TEST(FieldValueTest, FindsTheFirstKeyWithItsEqualsSign) {
  const FieldCase cases[] = {
      {"[025]#\tpro=2#\tpos=1#\tshow=1#", "pos", "1"},
      {"[025]#\tname=Low#\trangeL=18#\trangeH=180#\r", "rangeH", "180"},
      {"[025]#\trangeH=300\r", "rangeH", ""},             // no closing '#'
      {"[025]#\tpro=1#", "pos", ""},                      // missing key
      {"[025]#\tpros=7#\tpro=2#", "pro", "2"},            // "pro" without '=' is not the key
      {"[025]#\ttips=a pro=5 b#\tpro=2#", "pro", "5 b"},  // first occurrence wins
      {"[025]#\tname=#", "name", ""},
      {"[025]#\tsw=uo#", "", ""},
  };
  for (const FieldCase& c : cases) {
    EXPECT_EQ(FieldValue(c.row, c.key), c.value) << c.row << " / " << c.key;
  }
}

TEST(ValueConversionTest, DecimalFollowsAtoi) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"180", 180},
      {"  -40", -40},
      {"+7", 7},
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"010", 10},
      {"\t\r\n 5", 5},
      {"- 5", 0},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-99999999999999999999", -2147483647 - 1},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(DecimalOf(text), value) << '"' << text << '"';
  }
}

TEST(ValueConversionTest, HexAndText) {
  EXPECT_EQ(HexOf("7F7F7F"), 8355711U);
  EXPECT_EQ(HexOf("ff"), 255U);
  EXPECT_EQ(HexOf("xyz"), 0U);
  EXPECT_EQ(HexOf("FFFFFFFFF"), 0xFFFFFFFFU);
  EXPECT_EQ(TextOf("\xD0\x98\xD0\xBC\xD1\x8F 60\xC2\xB0"), u"Имя 60°");
  EXPECT_EQ(TextOf("\xE2\x84\x83\xEF\xBC\x8C"), u"℃，");
}

TEST(RowTagTest, ReadsNumbersAndSections) {
  EXPECT_EQ(RowTag("[010]#"), 10);
  EXPECT_EQ(RowTag("[511]#\tpro=1#"), 511);
  EXPECT_EQ(RowTag("[7]#"), 7);
  EXPECT_EQ(RowTag("[Dat]#"), 0);
  EXPECT_EQ(RowTag("["), 0);
  EXPECT_EQ(RowTag(""), 0);
  EXPECT_EQ(RowSection("[Dat]#"), Section::Dat);
  EXPECT_EQ(RowSection("[Err]\r"), Section::Err);
  EXPECT_EQ(RowSection("[dat]#"), Section::None);
  EXPECT_EQ(RowSection("[Da"), Section::None);
  EXPECT_EQ(RowSection("[000]#"), Section::None);
}

}  // namespace
}  // namespace tarn
