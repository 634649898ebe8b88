// The dialog stand-in and the headless host, seen from the pages' side.
#include "ui/dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ui/headless_host.h"

namespace tarn::ui {
namespace {

constexpr int kPage = 107;  // has edits, check boxes and a button

// Records what a page would be told.
class Probe : public Dialog, public DialogObserver {
 public:
  explicit Probe(Host& host, int templateId = kPage) : Dialog(host, templateId) {
    SetObserver(this);
  }
  void OnInitDialog() override { ++inits; }
  void OnShowWindow(bool show) override { shows.push_back(show); }
  void OnCommand(int id) override {
    commands.push_back(id);
    Dialog::OnCommand(id);
  }
  void OnEditFocus(int id) override { focused.push_back(id); }

  void ControlChanged(int id) override { changed.push_back(id); }
  void ColorsChanged(int) override {}
  void DialogShown(bool) override {}
  void FocusRequested(int id) override { focusRequests.push_back(id); }

  int inits = 0;
  std::vector<bool> shows;
  std::vector<int> commands, focused, changed, focusRequests;
};

TEST(Dialog, StartsFromTheTemplateAndSettersThatChangeNothingAreSilent) {
  HeadlessHost host;
  Probe page(host);
  EXPECT_FALSE(page.IsControlVisible(1011));
  EXPECT_TRUE(page.IsControlVisible(1341));
  EXPECT_EQ(page.GetText(1010), u"Static");
  EXPECT_FALSE(page.HasControl(4242));
  page.SetText(1010, u"Static");
  page.ShowControl(1341, true);
  page.EnableControl(1341, true);
  page.SetCheck(1106, CheckState::Unchecked);
  EXPECT_TRUE(page.changed.empty());
  page.SetText(1010, u"Max speed");
  page.ShowControl(1011, true);
  page.SetText(4242, u"nowhere");  // unknown ids are ignored
  EXPECT_EQ(page.changed, (std::vector<int>{1010, 1011}));
}

TEST(Dialog, ShowWindowIsDeliveredOnlyWhenTheStateChanges) {
  HeadlessHost host;
  Probe page(host);
  page.Show(false);
  page.Show(true);
  page.Show(true);
  page.Show(false);
  EXPECT_EQ(page.shows, (std::vector<bool>{true, false}));
}

TEST(Dialog, UserReachesOnlyVisibleEnabledControls) {
  HeadlessHost host;
  Probe page(host);
  page.UserClick(1106);  // hidden check box
  page.UserType(1011, u"5");
  page.UserFocus(1011);
  EXPECT_TRUE(page.commands.empty());
  EXPECT_TRUE(page.focused.empty());
  EXPECT_EQ(page.GetText(1011), u"");

  page.ShowControl(1106, true);
  page.ShowControl(1011, true);
  page.UserClick(1106);
  EXPECT_EQ(page.GetCheck(1106), CheckState::Checked);
  page.UserClick(1106);
  EXPECT_EQ(page.GetCheck(1106), CheckState::Unchecked);
  page.UserType(1011, u"5");
  page.UserFocus(1011);
  page.UserClick(1011);  // an edit is not a button
  EXPECT_EQ(page.commands, (std::vector<int>{1106, 1106}));
  EXPECT_EQ(page.focused, (std::vector<int>{1011}));
  EXPECT_EQ(page.GetText(1011), u"5");

  page.EnableControl(1011, false);
  page.UserType(1011, u"6");
  EXPECT_EQ(page.GetText(1011), u"5");
}

TEST(Dialog, EscapeInAPageIsTheCancelOfTheDialogThatOwnsIt) {
  HeadlessHost host;
  Probe owner(host, 102), page(host);
  page.SetOwner(&owner);
  page.UserPressEscape();
  EXPECT_TRUE(page.commands.empty());
  EXPECT_EQ(owner.commands, (std::vector<int>{kIdCancel}));
}

// Enter decides by the focus: in a page it never reaches the owner's OK.
struct EnterCase {
  const char* name;
  bool inPage;              // a page (107) inside a main window, else the pop-up 166
  void (*prepare)(Probe&);  // shows controls and puts the focus somewhere
  std::vector<int> focusRequests;
  std::vector<int> commands;
  std::vector<int> ownerCommands;
};

void PrintTo(const EnterCase& c, std::ostream* out) {
  *out << c.name;
}

void ThreeEdits(Probe& page) {
  for (const int id : {1011, 1013, 1015}) page.ShowControl(id, true);
}

const EnterCase kEnterCases[] = {
    {"PageEditMovesToTheNextEdit",
     true,
     [](Probe& p) {
       ThreeEdits(p);
       p.UserFocus(1011);
     },
     {1013},
     {},
     {}},
    {"PageLastEditWrapsToTheFirst",
     true,
     [](Probe& p) {
       ThreeEdits(p);
       p.UserFocus(1015);
     },
     {1011},
     {},
     {}},
    {"PageSkipsDisabledEdits",
     true,
     [](Probe& p) {
       ThreeEdits(p);
       p.EnableControl(1013, false);
       p.UserFocus(1011);
     },
     {1015},
     {},
     {}},
    {"PageButtonIsPressed", true, [](Probe& p) { p.UserFocus(1341); }, {}, {1341}, {}},
    {"PageCheckBoxDoesNothing",
     true,
     [](Probe& p) {
       p.ShowControl(1106, true);
       p.UserFocus(1106);
     },
     {},
     {},
     {}},
    {"PageWithoutFocusDoesNothing", true, [](Probe& p) { ThreeEdits(p); }, {}, {}, {}},
    {"PageEditHiddenSinceItTookTheFocusDoesNothing",
     true,
     [](Probe& p) {
       ThreeEdits(p);
       p.UserFocus(1011);
       p.ShowControl(1011, false);
     },
     {},
     {},
     {}},
    {"PopUpEditIsTheOkCommand", false, [](Probe& p) { p.UserFocus(1350); }, {}, {kIdOk}, {}},
    {"PopUpButtonIsPressed", false, [](Probe& p) { p.UserFocus(1342); }, {}, {1342}, {}},
    {"PopUpWithoutFocusIsTheOkCommand", false, [](Probe&) {}, {}, {kIdOk}, {}},
};

class EnterKey : public ::testing::TestWithParam<EnterCase> {};

TEST_P(EnterKey, DependsOnTheFocus) {
  const EnterCase& c = GetParam();
  HeadlessHost host;
  Probe owner(host, 102);
  Probe dialog(host, c.inPage ? kPage : 166);
  if (c.inPage) dialog.SetOwner(&owner);
  c.prepare(dialog);
  const std::vector<int> focusedBefore = dialog.focused;

  dialog.UserPressEnter();
  EXPECT_EQ(dialog.focusRequests, c.focusRequests);
  EXPECT_EQ(dialog.commands, c.commands);
  EXPECT_EQ(owner.commands, c.ownerCommands);
  EXPECT_FALSE(owner.Ended());
  EXPECT_EQ(dialog.Ended(), c.commands == std::vector<int>{kIdOk});
  if (!c.focusRequests.empty()) {
    EXPECT_EQ(dialog.FocusedControl(), c.focusRequests.back());
  }
  // The host reports the move back; only then is the edit's focus delivered.
  EXPECT_EQ(dialog.focused, focusedBefore);
  EXPECT_EQ(dialog.GetCheck(1106), CheckState::Unchecked);
}

INSTANTIATE_TEST_SUITE_P(Dialog, EnterKey, ::testing::ValuesIn(kEnterCases),
                         [](const auto& param) { return std::string(param.param.name); });

// Without a host that draws it, a page takes the focus at once.
TEST(Dialog, EnterInAPageNobodyDrawsMovesTheFocusAtOnce) {
  HeadlessHost host;
  Probe owner(host, 102), page(host);
  page.SetObserver(nullptr);
  page.SetOwner(&owner);
  ThreeEdits(page);
  page.UserFocus(1011);
  page.UserPressEnter();
  EXPECT_EQ(page.FocusedControl(), 1013);
  EXPECT_EQ(page.focused, (std::vector<int>{1011, 1013}));
  EXPECT_TRUE(page.focusRequests.empty());
  EXPECT_TRUE(owner.commands.empty());
}

TEST(HeadlessHost, AnswersFromQueuesThenRulesThenTheSafeDefault) {
  HeadlessHost host;
  host.QueueAnswer(kMsgNoController, MsgAnswer::Retry);
  host.QueueAnswer(MsgAnswer::Yes);
  host.AddRule([](const ShownMessage& m) -> std::optional<MsgAnswer> {
    if (m.buttons == MsgButtons::OkCancel) return MsgAnswer::Ok;
    return std::nullopt;
  });
  EXPECT_EQ(host.ShowMessage(kMsgNoController, MsgButtons::RetryCancel, MsgIcon::None),
            MsgAnswer::Retry);
  EXPECT_EQ(host.ShowMessage(kMsgStartWarning, MsgButtons::YesNo, MsgIcon::Question),
            MsgAnswer::Yes);
  EXPECT_EQ(host.ShowMessage(kMsgQuitQuestion, MsgButtons::OkCancel, MsgIcon::Question),
            MsgAnswer::Ok);
  EXPECT_EQ(host.ShowMessage(kMsgNoController, MsgButtons::RetryCancel, MsgIcon::None),
            MsgAnswer::Cancel);
  EXPECT_EQ(host.ShowText(u"Param:x", MsgButtons::Ok, MsgIcon::Exclamation), MsgAnswer::Ok);

  const auto& shown = host.Messages();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[0].text, u"Отсутствует питание контроллера или отсоединен кабель RS232.");
  EXPECT_TRUE(shown[2].scripted);
  EXPECT_FALSE(shown[3].scripted);
  EXPECT_EQ(shown[4].id, 0);
  EXPECT_EQ(shown[4].text, u"Param:x");
  EXPECT_EQ(host.CountMessages(kMsgNoController), 2);
}

TEST(HeadlessHost, ModalRunsItsScriptAndClosesWhatTheScriptLeftOpen) {
  HeadlessHost host;
  int seen = 0;
  host.SetModalScript(166, [&](Dialog& dialog) {
    ++seen;
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_EQ(host.ModalStack().back(), &dialog);
    dialog.UserPressEnter();
  });
  Probe ended(host, 166);
  EXPECT_EQ(host.RunModal(ended), kIdOk);
  EXPECT_EQ(ended.inits, 1);
  EXPECT_EQ(ended.shows, (std::vector<bool>{true, false}));

  host.SetModalScript(166, nullptr);
  Probe left(host, 166);
  EXPECT_EQ(host.RunModal(left), kIdCancel);
  EXPECT_EQ(host.UnendedModals(), 1);
  EXPECT_EQ(seen, 1);
  EXPECT_TRUE(host.ModalStack().empty());
}

TEST(HeadlessHost, PostedWorkRunsOnTheWaitingThread) {
  HeadlessHost host;
  const auto testThread = std::this_thread::get_id();
  std::atomic<int> ran = 0;
  bool onTestThread = true;
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) {
      host.PostToUi([&] {
        onTestThread = onTestThread && std::this_thread::get_id() == testThread;
        ++ran;
      });
    }
  });
  EXPECT_TRUE(host.WaitUntil([&] { return ran == 50; }, std::chrono::seconds(10)));
  worker.join();
  EXPECT_TRUE(onTestThread);
  EXPECT_FALSE(host.WaitUntil([] { return false; }, std::chrono::milliseconds(20)));
}

}  // namespace
}  // namespace tarn::ui
