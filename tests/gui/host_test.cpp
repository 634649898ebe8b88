// The Qt host's own rules: message boxes, dialog units, long labels.
#include <QFontMetrics>
#include <QMessageBox>

#include "gui/controls.h"
#include "gui/dialog_units.h"
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

TEST(DialogUnits, MeasureTheDialogFont) {
  EnsureApplication();
  ui::DialogTemplate dialog;
  dialog.fontPoints = 9;
  const QFont font = DialogFont(dialog);
  const DialogUnits units(font);
  EXPECT_EQ(units.baseHeight(), QFontMetrics(font).height());
  const int letters = QFontMetrics(font).horizontalAdvance(
      QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
  EXPECT_NEAR(units.baseWidth(), letters / 52.0, 0.5);
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

// A slot label too long for its width is drawn smaller on two lines within
// its grid row; one that fits keeps the dialog font.
TEST(Labels, LongNamesShrinkToFitTheirRow) {
  EnsureApplication();
  ui::DialogTemplate dialog;
  QWidget parent;
  parent.setFont(DialogFont(dialog));
  const DialogUnits units(parent.font());
  ui::ControlTemplate control;
  control.kind = ui::ControlKind::StaticText;
  StaticTextWidget label(control, {}, &parent);
  const QRect slot = units.ToPixels(1, 6, 70, 8);
  label.PlaceAt(slot, units.ToPixelsY(3));

  label.SetText(QStringLiteral("Слишком низкое"));
  EXPECT_EQ(label.DrawingFont(), parent.font());

  const QString longName = QStringLiteral("Версия программного обеспечения");
  label.SetText(longName);
  const QFont fitted = label.DrawingFont();
  EXPECT_LT(fitted.pointSizeF(), parent.font().pointSizeF());
  const QRect needed = QFontMetrics(fitted).boundingRect(QRect(0, 0, label.width(), label.height()),
                                                         Qt::TextWordWrap, longName);
  EXPECT_LE(needed.width(), slot.width());
  EXPECT_LE(needed.height(), label.height());
  EXPECT_LT(label.height(), units.ToPixelsY(16));  // stays inside its row
}

}  // namespace
}  // namespace tarn::gui::test
