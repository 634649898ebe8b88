// The Qt host's own rules: message boxes, dialog units, labels.
#include <QFontMetrics>
#include <QGlyphRun>
#include <QTextLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "gui/controls.h"
#include "gui/dialog_units.h"
#include "gui/labels.h"
#include "gui_session.h"
#include "resources/embedded.h"

namespace tarn::gui::test {
namespace {

constexpr int kIdAnyMessage = kMsgQuitQuestion;
constexpr std::chrono::seconds kBoxTimeout(10);

struct BoxCase {
  const char* name;
  MsgButtons buttons;
  MsgIcon icon;
  QMessageBox::StandardButtons shown;
  QMessageBox::Icon shownIcon;
  QMessageBox::StandardButton clicked;
  MsgAnswer answer;
};

void PrintTo(const BoxCase& box, std::ostream* out) {
  *out << box.name;
}

class MessageBoxes : public ::testing::TestWithParam<BoxCase>, private ApplicationFirst {};

TEST_P(MessageBoxes, ShowTheirButtonsAndIconAndReturnTheAnswer) {
  const BoxCase& box = GetParam();
  QtHost host;
  Scenario scenario(host);
  QString title;
  QString text;
  QMessageBox::StandardButtons shown;
  QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
  scenario.Then(
      "the box", [] { return OpenMessageBox() != nullptr; },
      [&] {
        QMessageBox* open = OpenMessageBox();
        title = open->windowTitle();
        text = open->text();
        shown = open->standardButtons();
        shownIcon = open->icon();
        AnswerMessage(box.clicked);
      });
  scenario.Start(kBoxTimeout);
  const MsgAnswer answer = host.ShowMessage(kIdAnyMessage, box.buttons, box.icon);
  ASSERT_FALSE(scenario.Failed());
  EXPECT_EQ(answer, box.answer);
  EXPECT_EQ(title, QStringLiteral("Tarn User App"));
  EXPECT_EQ(text, QString::fromStdU16String(res::String(kIdAnyMessage)));
  EXPECT_EQ(shown, box.shown);
  EXPECT_EQ(shownIcon, box.shownIcon);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MessageBoxes,
    ::testing::Values(BoxCase{"Ok", MsgButtons::Ok, MsgIcon::Exclamation, QMessageBox::Ok,
                              QMessageBox::Warning, QMessageBox::Ok, MsgAnswer::Ok},
                      BoxCase{"OkCancel_Ok", MsgButtons::OkCancel, MsgIcon::Question,
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question,
                              QMessageBox::Ok, MsgAnswer::Ok},
                      BoxCase{"OkCancel_Cancel", MsgButtons::OkCancel, MsgIcon::Question,
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question,
                              QMessageBox::Cancel, MsgAnswer::Cancel},
                      BoxCase{"YesNo_Yes", MsgButtons::YesNo, MsgIcon::Question,
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                              QMessageBox::Yes, MsgAnswer::Yes},
                      BoxCase{"YesNo_No", MsgButtons::YesNo, MsgIcon::Question,
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                              QMessageBox::No, MsgAnswer::No},
                      BoxCase{"RetryCancel_Retry", MsgButtons::RetryCancel, MsgIcon::None,
                              QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::NoIcon,
                              QMessageBox::Retry, MsgAnswer::Retry},
                      BoxCase{"RetryCancel_Cancel", MsgButtons::RetryCancel, MsgIcon::None,
                              QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::NoIcon,
                              QMessageBox::Cancel, MsgAnswer::Cancel}),
    [](const auto& param) { return std::string(param.param.name); });

class DefaultButtons : public ::testing::Test, private ApplicationFirst {};

// Enter presses the button the dialog layer chose: No in the question that
// would drop unwritten values, the first button elsewhere.
TEST_F(DefaultButtons, EnterPressesTheButtonTheDialogLayerChose) {
  struct Case {
    int id;
    MsgButtons buttons;
    QMessageBox::StandardButton expected;
    MsgAnswer answer;
  };
  const Case cases[] = {
      {kMsgQuitUnwritten, MsgButtons::YesNo, QMessageBox::No, MsgAnswer::No},
      {kMsgStartWarning, MsgButtons::YesNo, QMessageBox::Yes, MsgAnswer::Yes},
      {kMsgQuitQuestion, MsgButtons::OkCancel, QMessageBox::Ok, MsgAnswer::Ok},
      {kMsgNoController, MsgButtons::RetryCancel, QMessageBox::Retry, MsgAnswer::Retry},
  };
  for (const Case& c : cases) {
    QtHost host;
    Scenario scenario(host);
    QMessageBox::StandardButton shownDefault = QMessageBox::NoButton;
    scenario.Then(
        "the box", [] { return OpenMessageBox() != nullptr; },
        [&] {
          QMessageBox* open = OpenMessageBox();
          if (QAbstractButton* button = open->defaultButton()) {
            shownDefault = open->standardButton(button);
          }
          QTest::keyClick(open, Qt::Key_Return);
        });
    scenario.Start(kBoxTimeout);
    const MsgAnswer answer = host.ShowMessage(c.id, c.buttons, MsgIcon::Question);
    ASSERT_FALSE(scenario.Failed()) << c.id;
    EXPECT_EQ(shownDefault, c.expected) << c.id;
    EXPECT_EQ(answer, c.answer) << c.id;
  }
}

class MessageDetails : public ::testing::Test, private ApplicationFirst {};

// Message 149 keeps its text and its buttons; what each port gave is the
// box's detailed text.
TEST_F(MessageDetails, AreTheBoxsDetailedText) {
  QtHost host;
  Scenario scenario(host);
  QString text;
  QString details;
  QMessageBox::StandardButtons shown;
  scenario.Then(
      "the box", [] { return OpenMessageBox() != nullptr; },
      [&] {
        QMessageBox* open = OpenMessageBox();
        text = open->text();
        details = open->detailedText();
        shown = open->standardButtons();
        AnswerMessage(QMessageBox::Cancel);
      });
  scenario.Start(kBoxTimeout);
  const MsgAnswer answer = host.ShowMessageWithDetails(
      kMsgNoController, u"/dev/ttyS0: a\n/dev/ttyUSB0: b", MsgButtons::RetryCancel, MsgIcon::None);
  ASSERT_FALSE(scenario.Failed());
  EXPECT_EQ(answer, MsgAnswer::Cancel);
  EXPECT_EQ(text, QString::fromStdU16String(res::String(kMsgNoController)));
  EXPECT_EQ(details, QStringLiteral("/dev/ttyS0: a\n/dev/ttyUSB0: b"));
  EXPECT_EQ(shown, QMessageBox::Retry | QMessageBox::Cancel);
}

// Dialog units by the dialog manager's rule, for a font of 7 x 17 pixels:
// edges are converted, so neighbouring controls stay flush.
struct UnitCase {
  int x, y, cx, cy;
  QRect pixels;
};

TEST(DialogUnits, ConvertEdgesWithRounding) {
  const DialogUnits units(7, 17);
  const UnitCase cases[] = {
      {0, 0, 4, 8, QRect(0, 0, 7, 17)},           // one base unit each way
      {400, 431, 0, 0, QRect(700, 916, 0, 0)},    // the main window's size
      {1, 1, 1, 1, QRect(2, 2, 2, 2)},            // 1.75 rounds up, 2.125 down
      {80, 3, 40, 14, QRect(140, 6, 70, 30)},     // a slot's edit
      {2, 366, 380, -2, QRect(4, 778, 665, -4)},  // an etched line drawn upwards
  };
  for (const UnitCase& c : cases) {
    EXPECT_EQ(units.ToPixels(c.x, c.y, c.cx, c.cy), c.pixels)
        << c.x << "," << c.y << " " << c.cx << "x" << c.cy;
  }
}

// The dialog font's base units as the dialog manager measures them, in
// logical pixels: 9 points at 96 dpi are the 7 x 14 of the Arial-like face
// (the CJK fallback's taller lines must not size the dialog), 150 % measures
// the font at 144 dpi, and the zero-point dialog's 10 points give 8 x 15.
struct FontCase {
  int points;
  qreal dotsPerInch;
  qreal ratio;
  qreal baseWidth, baseHeight;
};

TEST(DialogUnits, MeasureTheDialogFontAtTheScreensResolution) {
  EnsureApplication();
  const FontCase cases[] = {
      {9, 96, 1.0, 7, 14},
      {9, 144, 1.5, 11 / 1.5, 20 / 1.5},
      {10, 96, 1.0, 8, 15},
  };
  for (const FontCase& c : cases) {
    ui::DialogTemplate dialog;
    dialog.fontPoints = c.points;
    const DialogUnits units = DialogUnits::Measure(DialogFont(dialog), c.dotsPerInch, c.ratio);
    EXPECT_DOUBLE_EQ(units.baseWidth(), c.baseWidth) << c.points << " pt at " << c.dotsPerInch;
    EXPECT_DOUBLE_EQ(units.baseHeight(), c.baseHeight) << c.points << " pt at " << c.dotsPerInch;
  }
}

// The Russian labels and the Chinese titles are drawn with real glyphs, not
// the empty boxes of a missing one (glyph 0).
TEST(DialogUnits, TheDialogFontDrawsCyrillicAndChinese) {
  EnsureApplication();
  for (const QString& text : {QStringLiteral("Версия ПО"), QStringLiteral("读零点确定退出")}) {
    QTextLayout layout(text, DialogFont(ui::DialogTemplate{}));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun& run : layout.glyphRuns()) {
      for (const quint32 glyph : run.glyphIndexes()) {
        EXPECT_NE(glyph, 0u) << text.toStdString() << " in " << run.rawFont().familyName().toStdString();
        ++glyphs;
      }
    }
    EXPECT_EQ(glyphs, text.size()) << text.toStdString();
  }
}

TEST(EtchedLines, BecomeTwoPixelLinesWhateverTheirExtent) {
  EnsureApplication();
  QWidget parent;
  EtchedLineWidget line(&parent);
  line.PlaceAt(QRect(4, 778, 665, -4));  // drawn upwards: the line sits at 778 - 4
  EXPECT_EQ(line.geometry(), QRect(4, 774, 665, 2));
  line.PlaceAt(QRect(695, 138, 2, 731));  // vertical
  EXPECT_EQ(line.geometry(), QRect(695, 138, 2, 731));
  line.PlaceAt(QRect(2, 136, 872, 0));  // zero height
  EXPECT_EQ(line.geometry(), QRect(2, 136, 872, 2));
}

// A label's lines: words on as many lines as its band holds, broken only
// between words; what does not fit is cut, and the cut is shown by an
// ellipsis. The band is a slot's: 70 x 16 units of 7 x 14 pixels.
struct LayoutCase {
  const char* name;
  QString text;
  int bandHeight;
  int lines;
  bool cut;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
  *out << c.name;
}

class LabelLines : public ::testing::TestWithParam<LayoutCase>, private ApplicationFirst {};

TEST_P(LabelLines, BreakBetweenWordsAndMarkACut) {
  const LayoutCase& c = GetParam();
  const QFont font = DialogFont(ui::DialogTemplate{});
  const QSize band(122, c.bandHeight);
  const LabelLayout layout = LayOutLabel(c.text, font, band);
  ASSERT_EQ(layout.lines.size(), c.lines) << layout.lines.join(u'|').toStdString();
  EXPECT_EQ(layout.cut, c.cut);
  const QFontMetricsF metrics(font);
  for (const QString& line : layout.lines) EXPECT_LE(metrics.horizontalAdvance(line), band.width());
  EXPECT_LE(layout.lines.size() * metrics.height(), std::max<qreal>(c.bandHeight, metrics.height()));
  if (!c.cut) {
    EXPECT_EQ(layout.lines.join(u' '), c.text);
    return;
  }
  // Whole words up to the cut, then the ellipsis.
  EXPECT_TRUE(layout.lines.back().endsWith(QChar(0x2026)));
  QStringList whole = layout.lines;
  whole.removeLast();
  if (!whole.isEmpty()) {
    EXPECT_TRUE(c.text.startsWith(whole.join(u' ') + u' '));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Labels, LabelLines,
    ::testing::Values(
        LayoutCase{"Short", QStringLiteral("Слишком низкое"), 28, 1, false},
        LayoutCase{"TwoLines", QStringLiteral("Версия программного обеспечения"), 28, 2, false},
        LayoutCase{"TooLongForTwoLines",
                   QStringLiteral("Версия программного обеспечения контроллера двигателя"), 28,
                   2, true},
        LayoutCase{"OneWordTooWide", QStringLiteral("Максимальнодопустимоенапряжениеаккумулятора"),
                   28, 1, true},
        LayoutCase{"BandOfOneLine", QStringLiteral("Версия программного обеспечения"), 14, 1,
                   true}),
    [](const auto& param) { return std::string(param.param.name); });

// Labels of one dialog share one size: the largest at which all of them fit,
// but a label that would be cut anyway, or a hidden one, does not pull the
// others down. Each shows its whole text on hover.
TEST(Labels, ShareOneSize) {
  EnsureApplication();
  const QFont font = DialogFont(ui::DialogTemplate{});
  const QString twoLines = QStringLiteral("Версия программного обеспечения");
  const int narrow = QFontMetrics(font).horizontalAdvance(QStringLiteral("Версия программного")) - 3;
  QWidget parent;
  LabelGroup group;
  group.SetFont(font);
  ui::ControlTemplate control;
  control.kind = ui::ControlKind::StaticText;
  StaticTextWidget shortLabel(control, {}, &group, &parent);
  StaticTextWidget longLabel(control, {}, &group, &parent);
  StaticTextWidget hopeless(control, {}, &group, &parent);
  for (StaticTextWidget* label : {&shortLabel, &longLabel, &hopeless}) {
    label->PlaceAt(QRect(0, 6, narrow, 14), 7, QRect());
  }
  shortLabel.SetText(QStringLiteral("Слишком низкое"));
  hopeless.SetText(QStringLiteral("Максимальнодопустимоенапряжениеаккумулятора"));
  EXPECT_EQ(shortLabel.DrawingFont(), font);

  longLabel.SetText(twoLines);
  const QFont shared = shortLabel.DrawingFont();
  EXPECT_LT(shared.pointSizeF(), font.pointSizeF());
  EXPECT_EQ(longLabel.DrawingFont(), shared);
  EXPECT_EQ(hopeless.DrawingFont(), shared);
  EXPECT_FALSE(longLabel.Lines().cut);
  EXPECT_TRUE(hopeless.Lines().cut);
  EXPECT_EQ(longLabel.toolTip(), twoLines);
  EXPECT_FALSE(longLabel.testAttribute(Qt::WA_TransparentForMouseEvents));

  longLabel.hide();
  EXPECT_EQ(shortLabel.DrawingFont(), font);
}

}  // namespace
}  // namespace tarn::gui::test
