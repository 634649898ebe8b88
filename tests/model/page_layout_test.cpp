// Which rows the pages show, where, and what they hold: the one rule that the
// pages, tarn-cli and the views of an image share.
#include "model/page_layout.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/definition_loader.h"

namespace tarn {
namespace {

ParamDef Row(int address, int pro, std::u16string sw, int show = 1, int en = 1) {
  ParamDef row;
  row.address = address;
  row.pro = pro;
  row.pos = pro == 2 ? 1 : 0;
  row.show = show;
  row.en = en;
  row.sw = std::move(sw);
  row.name = u"at " + std::u16string(1, static_cast<char16_t>(u'0' + address % 10));
  DecodeCodes(row);
  return row;
}

class PageLayoutTest : public ::testing::Test {
 protected:
  void Add(const ParamDef& row) {
    defs->params[static_cast<std::size_t>(defs->paramCount++)] = row;
  }

  // Flag rows 0-15: 0 shown, 1 hidden, 2 read-only, 3 a byte where a bit
  // belongs, the rest hidden.
  void AddFlags() {
    for (int i = 0; i < kFlagRowCount; ++i) {
      const int show = i == 0 || i == 2 || i == 3 ? 1 : 0;
      ParamDef row = Row(20, i == 3 ? 1 : 0, u"uo", show, i == 2 ? 0 : 1);
      row.pos = i % 8;
      DecodeCodes(row);
      Add(row);
    }
  }

  std::unique_ptr<DefinitionSet> defs = std::make_unique<DefinitionSet>();
};

struct Expected {
  PageRows page;
  Place place;
  int number;
  int index;
  Shows shows;
  bool editable;
};

TEST_F(PageLayoutTest, EveryShownRowHasItsPagePlaceAndValue) {
  AddFlags();                   // 0-15
  Add(Row(30, 1, u"uo"));       // 16: vehicle slot 0
  Add(Row(31, 1, u"uo", 0));    // 17: hidden
  Add(Row(32, 2, u"h", 1, 0));  // 18: vehicle slot 1, read-only
  defs->controlStart = defs->paramCount;
  Add(Row(128, 0, u"uo"));                // 19: a bit in a slot shows nothing
  Add(Row(130, 2, u"zz"));                // 20: a group of an unknown format
  Add(Row(131, 1, u"zz"));                // 21: a byte of an unknown format
  ParamDef outside = Row(600, 1, u"uo");  // the codec cannot reach it
  Add(outside);                           // 22
  defs->motorStart = defs->paramCount;
  Add(Row(256, 2, u"so"));            // 23: motor slot 0
  defs->comStart = defs->paramCount;  // an empty communication page

  const std::vector<Expected> expected = {
      {PageRows::Vehicle, Place::CheckBox, 0, 0, Shows::Flag, true},
      {PageRows::Vehicle, Place::CheckBox, 1, 2, Shows::Flag, false},
      {PageRows::Vehicle, Place::CheckBox, 2, 3, Shows::Nothing, false},
      {PageRows::Vehicle, Place::Slot, 0, 16, Shows::Text, true},
      {PageRows::Vehicle, Place::Slot, 1, 18, Shows::Text, false},
      {PageRows::Control, Place::Slot, 0, 19, Shows::Nothing, false},
      {PageRows::Control, Place::Slot, 1, 20, Shows::Text, false},
      {PageRows::Control, Place::Slot, 2, 21, Shows::Text, true},
      {PageRows::Motor, Place::Slot, 0, 23, Shows::Text, true},
  };
  const std::vector<ShownRow> rows = ShownRows(*defs);
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ShownRow& row = rows[i];
    const Expected& want = expected[i];
    SCOPED_TRACE("row " + std::to_string(want.index));
    EXPECT_EQ(row.page, want.page);
    EXPECT_EQ(row.place, want.place);
    EXPECT_EQ(row.number, want.number);
    EXPECT_EQ(row.index, want.index);
    EXPECT_EQ(row.def, &defs->params[static_cast<std::size_t>(want.index)]);
    EXPECT_EQ(row.shows, want.shows);
    EXPECT_EQ(row.editable, want.editable);
  }
  EXPECT_TRUE(ShownRowsOfPage(*defs, PageRows::Com).empty());
}

}  // namespace
}  // namespace tarn
