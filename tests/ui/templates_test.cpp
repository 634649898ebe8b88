// The built-in dialog templates and the text form they are written in.
#include <gtest/gtest.h>

#include <string>

#include "ui/dialog_template.h"
#include "ui/template_parser.h"

namespace tarn::ui {
namespace {

struct Box {
  int x, y, cx, cy;
};

Box BoxOf(const ControlTemplate& c) {
  return {c.x, c.y, c.cx, c.cy};
}

void ExpectBox(int templateId, int controlId, Box expected) {
  const DialogTemplate* dialog = FindTemplate(templateId);
  ASSERT_NE(dialog, nullptr) << templateId;
  const ControlTemplate* control = dialog->Find(controlId);
  ASSERT_NE(control, nullptr) << templateId << "/" << controlId;
  const Box got = BoxOf(*control);
  EXPECT_EQ(got.x, expected.x) << templateId << "/" << controlId;
  EXPECT_EQ(got.y, expected.y) << templateId << "/" << controlId;
  EXPECT_EQ(got.cx, expected.cx) << templateId << "/" << controlId;
  EXPECT_EQ(got.cy, expected.cy) << templateId << "/" << controlId;
}

TEST(Templates, EveryTemplateLoadsWithItsSize) {
  struct Case {
    int id, cx, cy;
    bool child;
    std::size_t controls;
  };
  // Pages: info line + 2 per slot (+ 16 check boxes and a button on 107;
  // + status label and box on 110).
  const Case cases[] = {
      {102, 400, 431, false, 16}, {107, 400, 300, true, 1 + 66 + 17}, {108, 400, 300, true, 97},
      {109, 400, 300, true, 97},  {110, 400, 300, true, 1 + 94 + 2},  {111, 400, 300, true, 97},
      {114, 460, 250, false, 5},  {115, 380, 200, false, 3},  {130, 460, 300, false, 10},
      {166, 297, 157, false, 19},
  };
  for (const Case& c : cases) {
    const DialogTemplate* dialog = FindTemplate(c.id);
    ASSERT_NE(dialog, nullptr) << c.id;
    EXPECT_EQ(dialog->id, c.id);
    EXPECT_EQ(dialog->cx, c.cx) << c.id;
    EXPECT_EQ(dialog->cy, c.cy) << c.id;
    EXPECT_EQ(dialog->child, c.child) << c.id;
    EXPECT_EQ(dialog->controls.size(), c.controls) << c.id;
  }
  EXPECT_EQ(FindTemplate(103), nullptr);
}

TEST(Templates, SlotGridsFollowTheColumnRule) {
  // Third-column x of the label per 48-slot page.
  const std::pair<int, int> pages[] = {{108, 258}, {109, 254}, {111, 258}};
  for (const auto& [id, thirdX] : pages) {
    const int columns[] = {1, 126, thirdX};
    for (int k = 0; k < 48; ++k) {
      const int x = columns[k / 16];
      const int r = k % 16;
      ExpectBox(id, 1010 + 2 * k, {x, 6 + 16 * r, 70, 8});
      ExpectBox(id, 1011 + 2 * k, {x + 79, 3 + 16 * r, 40, 14});
    }
  }
  // The vehicle page: two full columns and slot 32 on its own.
  ExpectBox(107, 1010 + 2 * 31, {126, 6 + 16 * 15, 70, 8});
  ExpectBox(107, 1074, {255, 6, 70, 8});
  ExpectBox(107, 1075, {334, 3, 40, 14});
  EXPECT_EQ(FindTemplate(107)->Find(1077), nullptr);
  // The monitor page: 47 slots, the wide error edit, the status pair.
  ExpectBox(110, 1010 + 2 * 46, {254, 6 + 16 * 14, 70, 8});
  ExpectBox(110, 1043, {205, 3, 191, 14});
  ExpectBox(110, 1104, {254, 246, 70, 8});
  ExpectBox(110, 1105, {333, 243, 40, 14});
  EXPECT_EQ(FindTemplate(110)->Find(1105)->kind, ControlKind::Edit);
}

TEST(Templates, SlotControlsAreHiddenWithTheirStyles) {
  for (const int id : {107, 108, 109, 110, 111}) {
    const DialogTemplate& dialog = *FindTemplate(id);
    const ControlTemplate& label = *dialog.Find(1010);
    const ControlTemplate& edit = *dialog.Find(1011);
    EXPECT_EQ(label.kind, ControlKind::StaticText);
    EXPECT_FALSE(label.visible);
    EXPECT_EQ(label.caption, u"Static");
    EXPECT_EQ(edit.kind, ControlKind::Edit);
    EXPECT_FALSE(edit.visible);
    EXPECT_TRUE(edit.border && edit.autoScroll && edit.tabStop);
    const ControlTemplate& info = *dialog.Find(1001);
    EXPECT_TRUE(info.visible && info.staticEdge);
    EXPECT_EQ(BoxOf(info).y, 260);
    EXPECT_EQ(dialog.fontName, u"MS Shell Dlg");
  }
}

TEST(Templates, VehicleCheckBoxesAndButton) {
  for (int j = 0; j < 15; ++j) {
    ExpectBox(107, 1106 + j, {268, 30 + 16 * j, 122, 10});
    EXPECT_EQ(FindTemplate(107)->Find(1106 + j)->kind, ControlKind::CheckBox);
  }
  ExpectBox(107, 1121, {269, 245, 122, 10});
  ExpectBox(107, 1341, {329, 234, 41, 12});
  EXPECT_TRUE(FindTemplate(107)->Find(1341)->visible);
}

TEST(Templates, MainWindowAndZeroPointControls) {
  ExpectBox(102, 1, {116, 47, 50, 14});
  EXPECT_FALSE(FindTemplate(102)->Find(1)->visible);
  EXPECT_EQ(FindTemplate(102)->Find(1)->kind, ControlKind::DefPushButton);
  ExpectBox(102, 1000, {4, 64, 390, 300});
  ExpectBox(102, 1009, {212, 368, 86, 38});
  ExpectBox(102, 1008, {134, 392, 50, 14});
  EXPECT_EQ(FindTemplate(102)->title, u"Tarn User App");
  ExpectBox(166, 1349, {112, 124, 111, 14});
  ExpectBox(166, 1343, {254, 133, 35, 14});
  EXPECT_EQ(FindTemplate(166)->title, u"读零点");
  EXPECT_EQ(FindTemplate(166)->fontName, u"System");
  EXPECT_EQ(FindTemplate(166)->fontPoints, 10);
}

TEST(TemplateParser, RefusesMalformedTemplates) {
  const char* const bad[] = {
      "control id=1 kind=static at=0,0 size=1,1\n",  // no dialog first
      "dialog id=1 size=1,1 font=\"x\",9\ndialog id=2 size=1,1 font=\"x\",9\n",
      "dialog id=1 size=1,1 font=\"x\",9\ncontrol id=1 kind=knob at=0,0 size=1,1\n",
      "dialog id=1 size=1,1 font=\"x\",9\ncontrol id=1 at=0,0 size=1,1\n",  // no kind
      "dialog id=1 size=1,1 font=\"x\",9\ncontrol id=1 kind=edit at=0 size=1,1\n",
      "dialog id=1 size=1,1 font=\"x\",9\ncontrol id=1 kind=edit text=\"open\n",
      "dialog id=1 size=1,1 font=\"x\",9\ncontrol id=1 kind=edit shiny\n",
      "dialog id=1 size=1,1 font=\"x\",9\n"
      "control id=3 kind=edit at=0,0 size=1,1\ncontrol id=3 kind=edit at=0,0 size=1,1\n",
      // More slots than the columns hold.
      "dialog id=1 size=1,1 font=\"x\",9\n"
      "grid kind=edit first=10 step=2 count=17 rows=16 columns=1 y=0 dy=1 size=1,1\n",
      "dialog id=1 size=1,1 font=\"x\",9\nadjust id=9 size=1,1\n",
  };
  for (const char* text : bad) {
    DialogTemplate dialog;
    std::string error;
    EXPECT_FALSE(ParseTemplate(text, &dialog, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(TemplateParser, NamesAreKeptForTheBuildAndChecked) {
  constexpr const char* kHead = "dialog id=7 name=kTemplateSeven size=1,1 font=\"x\",9\n";
  struct Case {
    const char* body;
    const char* error;  // empty: parses
  };
  const Case cases[] = {
      {"control id=3 name=kIdThree kind=edit at=0,0 size=1,1\n", ""},
      {"control id=3 name=k kind=edit at=0,0 size=1,1\n", "line 2: bad word 'name'"},
      {"control id=3 name=IdThree kind=edit at=0,0 size=1,1\n", "line 2: bad word 'name'"},
      {"control id=3 name=kId-3 kind=edit at=0,0 size=1,1\n", "line 2: bad word 'name'"},
      {"control name=kIdNone kind=etched at=0,0 size=1,1\n", "line 2: a named control needs an id"},
      {"control id=3 name=kIdA kind=edit at=0,0 size=1,1\n"
       "control id=4 name=kIdA kind=edit at=0,0 size=1,1\n",
       "control name kIdA used twice"},
  };
  for (const Case& c : cases) {
    DialogTemplate dialog;
    std::string error;
    const bool parsed = ParseTemplate(std::string(kHead) + c.body, &dialog, &error);
    EXPECT_EQ(parsed, *c.error == '\0') << c.body;
    EXPECT_EQ(error, c.error) << c.body;
    if (parsed) {
      EXPECT_EQ(dialog.name, "kTemplateSeven");
      EXPECT_EQ(dialog.Find(3)->name, "kIdThree");
    }
  }
}

TEST(TemplateParser, GridNameStandsForItsFirstSlot) {
  DialogTemplate dialog;
  std::string error;
  ASSERT_TRUE(
      ParseTemplate("dialog id=1 size=1,1 font=\"x\",9\n"
                    "grid kind=edit first=10 name=kFirstEdit step=2 count=3 rows=3 "
                    "columns=1 y=0 dy=1 size=1,1\n",
                    &dialog, &error))
      << error;
  ASSERT_EQ(dialog.controls.size(), 3U);
  EXPECT_EQ(dialog.Find(10)->name, "kFirstEdit");
  EXPECT_EQ(dialog.Find(12)->name, "");
  EXPECT_EQ(dialog.Find(14)->name, "");
}

}  // namespace
}  // namespace tarn::ui
