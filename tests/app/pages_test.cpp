// The parameter pages on hand-made definition rows: set-up, fill, save with
// the range check, the info line and the vehicle page's check boxes.
#include <gtest/gtest.h>

#include <string>

#include "model/definition_loader.h"
#include "pages/parameter_pages.h"
#include "ui/headless_host.h"

namespace tarn {
namespace {

using ui::CheckState;

ParamDef Byte(int address, std::u16string name, int rangeL, int rangeH, int en = 1, int show = 1) {
  ParamDef row;
  row.address = address;
  row.pro = 1;
  row.show = show;
  row.en = en;
  row.sw = u"uo";
  row.name = std::move(name);
  row.rangeL = rangeL;
  row.rangeH = rangeH;
  row.tips = row.name + u" tips";
  DecodeCodes(row);
  return row;
}

ParamDef Bit(int address, int bit, std::u16string name, int en = 1, int show = 1) {
  ParamDef row = Byte(address, std::move(name), 0, 1, en, show);
  row.pro = 0;
  row.pos = bit;
  DecodeCodes(row);
  return row;
}

// A session with an image read and definitions laid out by the test.
class PagesTest : public ::testing::Test {
 protected:
  PagesTest() {
    session.flags.imageRead = true;
    session.image.bytes.fill(0);
  }

  void Add(const ParamDef& row) { session.defs.params[session.defs.paramCount++] = row; }

  // Sixteen flag rows on bytes 20 and 21; those with an odd index are hidden.
  void AddFlags() {
    for (int i = 0; i < kFlagRowCount; ++i) {
      const int show = i % 2 == 0 ? 1 : 0;
      const int en = i == 2 ? 0 : 1;
      Add(Bit(20 + i / 8, i % 8, u"flag" + std::u16string(1, u'a' + i), en, show));
    }
  }

  // Marks the page ranges: everything added so far is the vehicle page.
  void StartControlRows() { session.defs.controlStart = session.defs.paramCount; }
  void EndPageRows() { session.defs.motorStart = session.defs.comStart = session.defs.paramCount; }

  ui::HeadlessHost host;
  Session session;
};

TEST_F(PagesTest, SetUpGivesShownRowsTheirSlotsInOrder) {
  AddFlags();
  StartControlRows();
  Add(Byte(130, u"first", 0, 255));
  Add(Byte(131, u"hidden", 0, 255, 1, 0));
  Add(Byte(132, u"fixed", 0, 255, 0));
  Add(Bit(133, 3, u"bit in a slot"));
  EndPageRows();
  session.image[130] = 7;
  session.image[132] = 9;
  session.image[133] = 0xFF;

  CControlDlg page(host, session);
  page.Show(true);
  EXPECT_EQ(page.GetText(SlotLabelId(0)), u"first");
  EXPECT_EQ(page.GetText(SlotEditId(0)), u"7");
  EXPECT_EQ(page.GetText(SlotLabelId(1)), u"fixed");
  EXPECT_FALSE(page.IsControlEnabled(SlotEditId(1)));
  EXPECT_EQ(page.GetText(SlotEditId(1)), u"9");
  EXPECT_EQ(page.GetText(SlotLabelId(2)), u"bit in a slot");
  EXPECT_EQ(page.GetText(SlotEditId(2)), u"");
  EXPECT_TRUE(page.IsControlVisible(SlotEditId(2)));
  EXPECT_FALSE(page.IsControlEnabled(SlotEditId(2))) << "nothing typed there would be stored";
  EXPECT_FALSE(page.IsControlVisible(SlotLabelId(3)));

  // A bit row in a slot is never stored, whatever its edit holds.
  page.SetText(SlotEditId(2), u"0");
  page.Show(false);
  EXPECT_TRUE(page.pageSaved());
  EXPECT_EQ(session.image[133], 0xFF);
}

// A format the codec does not know is shown in decimal: leaving the page
// stores the same byte back instead of the empty text as 0. A group in such a
// format is never stored, so its edit takes no input.
TEST_F(PagesTest, UnknownFormatsShowTheirValueAndKeepItOnLeaving) {
  AddFlags();
  StartControlRows();
  ParamDef byte = Byte(130, u"odd byte", 0, 255);
  byte.sw = u"x";
  DecodeCodes(byte);
  ParamDef group = Byte(140, u"odd group", 0, 0);
  group.pro = 2;
  group.pos = 1;
  group.sw = u"UO";
  DecodeCodes(group);
  Add(byte);
  Add(group);
  EndPageRows();
  session.image[130] = 0xF5;
  session.image[140] = 0x01;
  session.image[141] = 0x02;

  CControlDlg page(host, session);
  page.Show(true);
  EXPECT_EQ(page.GetText(SlotEditId(0)), u"245");
  EXPECT_TRUE(page.IsControlEnabled(SlotEditId(0)));
  EXPECT_EQ(page.GetText(SlotEditId(1)), u"258");
  EXPECT_FALSE(page.IsControlEnabled(SlotEditId(1)));
  const ParameterImage before = session.image;
  page.Show(false);
  EXPECT_TRUE(page.pageSaved());
  EXPECT_EQ(session.image.bytes, before.bytes);

  page.Show(true);
  page.UserType(SlotEditId(0), u"17");
  page.Show(false);
  EXPECT_EQ(session.image[130], 17);
}

TEST_F(PagesTest, NothingHappensBeforeTheImageWasRead) {
  session.flags.imageRead = false;
  AddFlags();
  StartControlRows();
  Add(Byte(130, u"first", 0, 255));
  EndPageRows();
  CVehicleDlg vehicle(host, session);
  CControlDlg control(host, session);
  vehicle.Show(true);
  control.Show(true);
  control.Show(false);
  EXPECT_FALSE(control.labelsBuilt());
  EXPECT_FALSE(control.IsControlVisible(SlotEditId(0)));
  EXPECT_FALSE(vehicle.IsControlVisible(kFirstFlagBox));
  EXPECT_EQ(vehicle.GetText(kIdReadZero), u"ReadZero");
}

TEST_F(PagesTest, RowsBeyondTheSlotsAreNeitherShownNorStored) {
  struct Case {
    const char* page;
    int slots;
  };
  for (const Case c : {Case{"vehicle", 33}, Case{"control", 48}}) {
    SCOPED_TRACE(c.page);
    session.defs.paramCount = 0;
    AddFlags();
    const bool vehicle = std::string(c.page) == "vehicle";
    if (!vehicle) {
      StartControlRows();
    }
    const int first = session.defs.paramCount;
    for (int k = 0; k < c.slots + 2; ++k) {
      Add(Byte(100 + k, u"row", 1, 255));
    }
    if (vehicle) {
      StartControlRows();
    }
    EndPageRows();
    session.image.bytes.fill(5);

    std::unique_ptr<ParameterPage> page;
    if (vehicle) {
      page = std::make_unique<CVehicleDlg>(host, session);
    } else {
      page = std::make_unique<CControlDlg>(host, session);
    }
    page->Show(true);
    ASSERT_EQ(page->slotRows().size(), static_cast<std::size_t>(c.slots));
    EXPECT_EQ(page->slotRows().back(), first + c.slots - 1);
    page->Show(false);
    EXPECT_TRUE(page->pageSaved());
    EXPECT_EQ(session.image[100 + c.slots], 5);
    EXPECT_EQ(session.image[100 + c.slots + 1], 5);
    EXPECT_EQ(host.CountMessages(0), 0);
  }
}

TEST_F(PagesTest, SaveStopsAtTheFirstRefusedValue) {
  AddFlags();
  StartControlRows();
  Add(Byte(130, u"A", 0, 255));
  Add(Byte(131, u"B", 0, 255));
  Add(Byte(132, u"Max speed", 20, 100));
  Add(Byte(133, u"D", 0, 255));
  Add(Byte(134, u"E", 10, 20));
  EndPageRows();
  session.image[132] = 50;
  session.image[133] = 1;

  CControlDlg page(host, session);
  page.Show(true);
  page.UserType(SlotEditId(0), u"11");
  page.UserType(SlotEditId(1), u"12");
  page.UserType(SlotEditId(2), u"101");
  page.UserType(SlotEditId(3), u"13");
  page.UserType(SlotEditId(4), u"99");
  page.Show(false);

  EXPECT_FALSE(page.pageSaved());
  ASSERT_EQ(host.Messages().size(), 1u);
  const ui::ShownMessage& shown = host.Messages()[0];
  EXPECT_EQ(shown.text, u"Param:Max speed\nThe range should be between 20~100");
  EXPECT_EQ(shown.buttons, MsgButtons::Ok);
  EXPECT_EQ(shown.icon, MsgIcon::Exclamation);
  EXPECT_EQ(session.image[130], 11);
  EXPECT_EQ(session.image[131], 12);
  EXPECT_EQ(session.image[132], 50);
  EXPECT_EQ(session.image[133], 1);

  // Shown again, the page forgets what was typed from the refused slot on.
  page.Show(true);
  EXPECT_EQ(page.GetText(SlotEditId(1)), u"12");
  EXPECT_EQ(page.GetText(SlotEditId(2)), u"50");
  EXPECT_EQ(page.GetText(SlotEditId(3)), u"1");
}

TEST_F(PagesTest, FocusShowsTipsAndRangeWithinTheRoutedEdits) {
  AddFlags();
  for (int k = 0; k < 33; ++k) {
    Add(Byte(100 + k, u"v", 20, 100));
  }
  StartControlRows();
  for (int k = 0; k < 48; ++k) {
    Add(Byte(150 + k, u"c" + std::u16string(1, u'A' + k % 26), -1, 7));
  }
  EndPageRows();
  CVehicleDlg vehicle(host, session);
  CControlDlg control(host, session);
  vehicle.Show(true);
  control.Show(true);

  struct Case {
    ParameterPage* page;
    int edit;
    std::u16string expected;  // empty: the info line does not change
  };
  const Case cases[] = {
      {&vehicle, SlotEditId(0), u"v tips Range:20~100"},
      {&vehicle, SlotEditId(32), u"v tips Range:20~100"},
      {&control, SlotEditId(0), u"cA tips Range:-1~7"},
      {&control, SlotEditId(46), u"cU tips Range:-1~7"},
      {&control, SlotEditId(47), u""},  // 1105 is beyond the routed edits
  };
  for (const Case& c : cases) {
    c.page->SetText(kIdInfoLine, u"");
    c.page->UserFocus(c.edit);
    EXPECT_EQ(c.page->GetText(kIdInfoLine), c.expected) << c.edit;
    EXPECT_EQ(c.page->TextColor(kIdInfoLine), ui::kBlue);
  }
}

TEST_F(PagesTest, CheckBoxesFollowTheShownFlagRows) {
  AddFlags();
  Add(Byte(100, u"speed", 20, 100));
  StartControlRows();
  EndPageRows();
  session.image[20] = 0b0000'0101;  // flags a (bit 0) and c (bit 2)
  session.image[21] = 0b0001'0000;  // flag m (bit 4 of byte 21)
  session.image[100] = 50;

  CVehicleDlg page(host, session);
  page.Show(true);
  // The eight shown rows a, c, e, ... take boxes 1106-1113.
  ASSERT_EQ(page.flagRows().size(), 8u);
  EXPECT_EQ(page.GetText(kFirstFlagBox + 1), u"flagc");
  EXPECT_FALSE(page.IsControlEnabled(kFirstFlagBox + 1));
  EXPECT_TRUE(page.IsControlVisible(kFirstFlagBox + 7));
  EXPECT_FALSE(page.IsControlVisible(kFirstFlagBox + 8));
  EXPECT_EQ(page.GetCheck(kFirstFlagBox + 0), CheckState::Checked);
  EXPECT_EQ(page.GetCheck(kFirstFlagBox + 1), CheckState::Checked);
  EXPECT_EQ(page.GetCheck(kFirstFlagBox + 2), CheckState::Unchecked);
  EXPECT_EQ(page.GetCheck(kFirstFlagBox + 6), CheckState::Checked);

  // A click shows the row's tips alone.
  page.UserClick(kFirstFlagBox + 2);
  EXPECT_EQ(page.GetText(kIdInfoLine), u"flage tips");

  // Boxes are stored although a slot value is refused; a third state keeps its bit.
  page.UserClick(kFirstFlagBox + 0);                            // a: off
  page.SetCheck(kFirstFlagBox + 6, CheckState::Indeterminate);  // m: kept
  page.UserType(SlotEditId(0), u"5");
  page.Show(false);
  EXPECT_FALSE(page.pageSaved());
  EXPECT_EQ(session.image[20], 0b0001'0100);  // e on, a off, c kept
  EXPECT_EQ(session.image[21], 0b0001'0000);
  EXPECT_EQ(session.image[100], 50);
}

}  // namespace
}  // namespace tarn
