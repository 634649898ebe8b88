#include "model/csv.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

struct QuotingCase {
  const char* name;
  std::string_view field;
  std::string_view written;
};

void PrintTo(const QuotingCase& c, std::ostream* out) {
  *out << c.name;
}

class CsvQuoting : public ::testing::TestWithParam<QuotingCase> {};

TEST_P(CsvQuoting, QuotesOnlyWhatSpreadsheetsWouldMisread) {
  EXPECT_EQ(csv::Field(GetParam().field), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CsvQuoting,
    ::testing::Values(QuotingCase{"plain", "Max speed", "Max speed"},
                      QuotingCase{"empty", "", ""},
                      QuotingCase{"comma", "1,5", "\"1,5\""},
                      QuotingCase{"quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
                      QuotingCase{"only_quote", "\"", "\"\"\"\""},
                      QuotingCase{"line_feed", "a\nb", "\"a\nb\""},
                      QuotingCase{"carriage_return", "a\rb", "\"a\rb\""},
                      QuotingCase{"semicolon_is_plain", "a;b", "a;b"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(Csv, RowJoinsQuotedFieldsAndEndsWithCrLf) {
  EXPECT_EQ(csv::Row({"Vehicle", "Макс. скорость, км/ч", "30"}),
            "Vehicle,\"Макс. скорость, км/ч\",30\r\n");
  EXPECT_EQ(csv::Row({}), "\r\n");
}

// With the semicolon between fields, quoting follows the semicolon: a
// decimal comma stays plain, a semicolon inside a field is quoted.
struct SeparatedCase {
  std::string_view field;
  char separator;
  std::string_view written;
};

TEST(Csv, QuotingFollowsTheSeparator) {
  const SeparatedCase cases[] = {
      {"1,5", ';', "1,5"},           {"a;b", ';', "\"a;b\""},
      {"a;b", ',', "a;b"},           {"1,5", ',', "\"1,5\""},
      {"say \"hi\"", ';', "\"say \"\"hi\"\"\""}, {"a\nb", ';', "\"a\nb\""},
      {";", ';', "\";\""},           {"", ';', ""},
  };
  for (const SeparatedCase& c : cases) {
    EXPECT_EQ(csv::Field(c.field, c.separator), c.written) << c.field << " with " << c.separator;
  }
  EXPECT_EQ(csv::Row({"Vehicle", "1,5", "x;y", ""}, ';'), "Vehicle;1,5;\"x;y\";\r\n");
}

TEST(Csv, WideTextIsWrittenAsUtf8) {
  EXPECT_EQ(csv::Field(std::u16string_view(u"Ток, А")), "\"Ток, А\"");
}

}  // namespace
}  // namespace tarn
