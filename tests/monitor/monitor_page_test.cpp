// The monitor page against a scripted controller: set-up, the poll and its
// faults, the error rotation, focus, colours, and stopping the poll.
#include "monitor/monitor_page.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "model/definition_loader.h"
#include "live/monitor_display.h"
#include "monitor/scripted_port.h"
#include "sim/simulator.h"
#include "ui/headless_host.h"

namespace tarn {
namespace {

using std::chrono::milliseconds;
using testing::ScriptedPort;

constexpr milliseconds kPatience{8000};
constexpr std::uint8_t kLiveData[] = {kCommandLiveData1, kCommandLiveData2, kCommandLiveData3};

std::vector<std::uint8_t> Third(std::uint8_t fill) {
  return std::vector<std::uint8_t>(kLiveDataThird, fill);
}

MonitorItemDef Item(int offset, int pro, int pos, std::u16string sw, std::u16string name,
                    std::u16string tips = {}) {
  MonitorItemDef item;
  item.offset = offset;
  item.pro = pro;
  item.pos = pos;
  item.sw = std::move(sw);
  item.name = std::move(name);
  item.tips = std::move(tips);
  DecodeCodes(item);
  return item;
}

class MonitorPage : public ::testing::Test {
 protected:
  MonitorPage() : session_(std::make_unique<Session>()) {
    auto port = std::make_unique<ScriptedPort>();
    port_ = port.get();
    session_->link.SetPort(std::move(port));
    session_->flags.imageRead = true;
  }

  void LoadBuiltInTexts() {
    ParameterImage image;
    image[kAddrModelCode] = 'Q';
    image[kAddrModelCode + 1] = 'X';
    image[kAddrVersion] = 0x01;
    image[kAddrVersion + 1] = 0x09;
    ASSERT_EQ(LoadDefinitionSet(image, session_->defs), LoadResult::Loaded);
  }

  void UseItems(const std::vector<MonitorItemDef>& items) {
    DefinitionSet& defs = session_->defs;
    defs.monitorCount = static_cast<int>(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) defs.monitorItems[i] = items[i];
  }

  void Answer(const std::vector<std::uint8_t>& first, const std::vector<std::uint8_t>& second,
              const std::vector<std::uint8_t>& third) {
    port_->SetReply(kCommandLiveData1, ScriptedPort::MakeFrame(kCommandLiveData1, first));
    port_->SetReply(kCommandLiveData2, ScriptedPort::MakeFrame(kCommandLiveData2, second));
    port_->SetReply(kCommandLiveData3, ScriptedPort::MakeFrame(kCommandLiveData3, third));
  }

  CMonitor1Dlg& Page() {
    if (!page_) page_ = std::make_unique<CMonitor1Dlg>(host_, *session_);
    return *page_;
  }

  bool WaitFor(const std::function<bool()>& done) { return host_.WaitUntil(done, kPatience); }
  // Waits until `ticks` more whole ticks have posted their display.
  bool WaitTicks(int ticks) {
    const int target = port_->Requests(kCommandLiveData3) + ticks + 1;
    const bool reached = WaitFor([&] { return port_->Requests(kCommandLiveData3) >= target; });
    host_.ProcessPosted();
    return reached;
  }
  std::u16string Text(int id) { return Page().GetText(id); }

  ui::HeadlessHost host_;
  std::unique_ptr<Session> session_;
  ScriptedPort* port_ = nullptr;
  std::unique_ptr<CMonitor1Dlg> page_;
};

TEST_F(MonitorPage, BuiltInTextFillsThirtyTwoSlotsWithTheErrorInTheWideEdit) {
  LoadBuiltInTexts();
  Page().Show(true);
  const DefinitionSet& defs = session_->defs;
  ASSERT_EQ(defs.monitorCount, 32);
  for (int slot = 0; slot < kMonitorSlotCount; ++slot) {
    const bool used = slot < 32;
    EXPECT_EQ(Page().IsControlVisible(SlotLabelId(slot)), used) << "slot " << slot;
    EXPECT_EQ(Page().IsControlVisible(SlotEditId(slot)), used) << "slot " << slot;
    if (used) {
      EXPECT_EQ(Text(SlotLabelId(slot)), defs.monitorItems[slot].name);
    }
  }
  EXPECT_EQ(Text(kMonitorStatusLabelId), u"Status");
  const int errorEdit = SlotEditId(16);
  ASSERT_NE(Page().Template().Find(errorEdit), nullptr);
  EXPECT_EQ(Page().Template().Find(errorEdit)->cx, 191);
  EXPECT_EQ(Page().TextColor(errorEdit), ui::kRed);
  EXPECT_EQ(Page().TextColor(kIdInfoLine), ui::kBlue);
  EXPECT_EQ(Page().TextColor(SlotEditId(17)), std::nullopt);
}

TEST_F(MonitorPage, ShowsLiveValuesInGreenOnceTheControllerAnswers) {
  LoadBuiltInTexts();
  std::vector<std::uint8_t> first = Third(0);
  first[0] = 0xFF;  // a pedal reading
  std::vector<std::uint8_t> second = Third(0);
  second[2] = 0x12;  // offset 18: motor speed, two bytes
  second[3] = 0x34;
  Answer(first, second, Third(0));
  Page().Show(true);
  EXPECT_EQ(Page().TextColor(kMonitorStatusBoxId), ui::kRed);  // nothing answered yet
  ASSERT_TRUE(WaitFor([&] { return Text(kMonitorStatusBoxId) == u"Success!"; }));
  EXPECT_EQ(Text(SlotEditId(0)), u"255");
  EXPECT_EQ(Text(SlotEditId(17)), u"4660");
  EXPECT_EQ(Page().TextColor(kMonitorStatusBoxId), ui::kGreen);
}

TEST_F(MonitorPage, ReplyFaultsBlankTheValuesOfTheirThird) {
  struct FaultCase {
    const char* what;
    int third;                        // which reply is replaced
    std::vector<std::uint8_t> frame;  // the reply sent instead (empty: silence)
    std::u16string status;
    std::vector<std::u16string> values;  // one byte from each third; blank when not fresh
  };
  const auto frame = &ScriptedPort::MakeFrame;
  std::vector<std::uint8_t> badSum = frame(kCommandLiveData1, Third(7));
  ++badSum.back();
  const std::vector<FaultCase> cases = {
      {"all answered", 0, frame(kCommandLiveData1, Third(7)), u"Success!", {u"7", u"8", u"9"}},
      {"first with another command",
       0,
       frame(kCommandLiveData2, Third(7)),
       u"Failure!",
       {u"", u"8", u"9"}},
      {"first short",
       0,
       frame(kCommandLiveData1, std::vector<std::uint8_t>(8, 7)),
       u"Failure!",
       {u"", u"8", u"9"}},
      {"first with a bad sum", 0, badSum, u"Failure!", {u"", u"8", u"9"}},
      // The answer to another request is not this third's data.
      {"second with another command",
       1,
       frame(kCommandLiveData1, Third(8)),
       u"Success!",
       {u"7", u"", u"9"}},
      {"second short",
       1,
       frame(kCommandLiveData2, std::vector<std::uint8_t>(15, 8)),
       u"Success!",
       {u"7", u"", u"9"}},
      {"third silent", 2, {}, u"Success!", {u"7", u"8", u""}},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.what);
    ui::HeadlessHost host;
    Session session;
    auto port = std::make_unique<ScriptedPort>();
    ScriptedPort& script = *port;
    session.link.SetPort(std::move(port));
    session.flags.imageRead = true;
    session.defs.monitorCount = 3;
    for (int t = 0; t < 3; ++t) {
      session.defs.monitorItems[t] = Item(t * kLiveDataThird, 1, 0, u"uo", u"value");
      script.SetReply(kLiveData[t], ScriptedPort::MakeFrame(kLiveData[t], Third(7 + t)));
    }
    script.SetReply(kLiveData[c.third], c.frame);
    CMonitor1Dlg page(host, session);
    page.Show(true);
    ASSERT_TRUE(host.WaitUntil([&] { return script.Requests(kCommandLiveData3) >= 2; }, kPatience));
    host.ProcessPosted();
    EXPECT_EQ(page.GetText(kMonitorStatusBoxId), c.status);
    EXPECT_EQ(page.TextColor(kMonitorStatusBoxId), c.status == u"Success!" ? ui::kGreen : ui::kRed);
    for (int t = 0; t < 3; ++t) EXPECT_EQ(page.GetText(SlotEditId(t)), c.values[t]) << t;
    page.Show(false);
  }
}

// Nothing old passes for live: a silent controller's values go blank, the
// error item too, and they come back with its next answer.
TEST_F(MonitorPage, SilentControllerTurnsRedAndBlanksValuesUntilItAnswersAgain) {
  LoadBuiltInTexts();
  std::vector<std::uint8_t> first = Third(0);
  first[9] = 48;  // battery voltage
  std::vector<std::uint8_t> second = Third(0);
  second[1] = 0x22;  // error word at offset 16: bits 1 and 5
  Answer(first, second, Third(0));
  Page().Show(true);
  ASSERT_TRUE(WaitFor([&] { return Text(SlotEditId(9)) == u"48"; }));
  port_->SetSilent(true);
  ASSERT_TRUE(WaitFor([&] { return Text(kMonitorStatusBoxId) == u"Failure!"; }));
  EXPECT_EQ(Page().TextColor(kMonitorStatusBoxId), ui::kRed);
  EXPECT_EQ(Text(SlotEditId(9)), u"");
  EXPECT_EQ(Text(SlotEditId(16)), u"");
  port_->SetSilent(false);
  ASSERT_TRUE(WaitFor([&] { return Text(SlotEditId(9)) == u"48"; }));
  const ErrorBitDef* names = session_->defs.errorBits.data();
  ASSERT_TRUE(WaitFor([&] { return Text(SlotEditId(16)) == names[1].name; }));
  ASSERT_TRUE(WaitFor([&] { return Text(SlotEditId(16)) == names[5].name; }));
}

TEST_F(MonitorPage, HidingAndShowingKeepsTheTickCountAndTheErrorPlace) {
  LoadBuiltInTexts();
  std::vector<std::uint8_t> second = Third(0);
  second[1] = 0x22;
  Answer(Third(0), second, Third(0));
  Page().Show(true);
  const ErrorBitDef* names = session_->defs.errorBits.data();
  ASSERT_TRUE(WaitFor([&] { return Text(SlotEditId(16)) == names[1].name; }));
  Page().Show(false);
  const int ticksBefore = port_->Requests(kCommandLiveData1);
  Page().Show(true);
  ASSERT_TRUE(WaitFor([&] { return Text(SlotEditId(16)) == names[5].name; }));
  // Counters kept: bit 5 follows within the same ten ticks. Reset counters
  // would need ten ticks to show bit 1 again and ten more for bit 5.
  EXPECT_LE(port_->Requests(kCommandLiveData1) - ticksBefore, kErrorDisplayEveryTicks);
}

TEST_F(MonitorPage, FocusShowsTheSlotsTipsOnly) {
  UseItems({Item(0, 1, 0, u"uo", u"TPS", u"Throttle reading"),
            Item(1, 1, 0, u"uo", u"Brake", u"Brake reading")});
  Page().Show(true);
  Page().UserFocus(SlotEditId(1));
  EXPECT_EQ(Text(kIdInfoLine), u"Brake reading");
  Page().UserFocus(kMonitorStatusBoxId);
  EXPECT_EQ(Text(kIdInfoLine), u"Brake reading");
  Page().UserFocus(SlotEditId(0));
  EXPECT_EQ(Text(kIdInfoLine), u"Throttle reading");
}

// An item the page cannot read (an unknown storage kind, bytes outside the
// block) still shows its label; its edit keeps its text. Items beyond the
// last slot have no place.
TEST_F(MonitorPage, UnreadableItemsKeepTheirEditAndItemsBeyondTheSlotsAreNotShown) {
  std::vector<MonitorItemDef> items;
  for (int i = 0; i < kMonitorSlotCount + 3; ++i) {
    items.push_back(Item(i % kLiveDataThird, 1, 0, u"uo", u"value"));
  }
  items[3] = Item(47, 2, 1, u"uo", u"over the end");
  items[4] = Item(40, 2, 7, u"uo", u"eight bytes");
  items[5] = Item(5, 3, 0, u"uo", u"storage 3");
  items[6] = Item(6, 0, 0, u"uo", u"a bit");
  UseItems(items);
  Answer(Third(5), Third(0), Third(0));
  Page().Show(true);
  ASSERT_TRUE(WaitTicks(1));
  for (int slot = 3; slot <= 6; ++slot) {
    SCOPED_TRACE(slot);
    EXPECT_TRUE(Page().IsControlVisible(SlotLabelId(slot)));
    EXPECT_TRUE(Page().IsControlVisible(SlotEditId(slot)));
    EXPECT_EQ(Text(SlotLabelId(slot)), items[static_cast<std::size_t>(slot)].name);
    EXPECT_EQ(Text(SlotEditId(slot)), u"");
  }
  EXPECT_EQ(Text(SlotEditId(2)), u"5");
  EXPECT_EQ(Text(SlotEditId(46)), u"5");
  EXPECT_TRUE(Page().IsControlVisible(SlotLabelId(46)));
}

TEST_F(MonitorPage, NothingHappensBeforeTheImageWasRead) {
  LoadBuiltInTexts();
  session_->flags.imageRead = false;
  Page().Show(true);
  EXPECT_FALSE(Page().IsControlVisible(SlotLabelId(0)));
  EXPECT_NE(Text(kMonitorStatusLabelId), u"Status");
  Page().Show(false);
  EXPECT_EQ(port_->TotalRequests(), 0);
}

TEST_F(MonitorPage, HidingOrDestroyingStopsAPollThatIsWaitingForAReply) {
  LoadBuiltInTexts();
  port_->SetSilent(true);
  Page().Show(true);
  ASSERT_TRUE(WaitFor([&] { return port_->CallsInside() > 0; }));
  Page().Show(false);
  EXPECT_EQ(port_->CallsInside(), 0);
  // Shown again and then destroyed without a hide, as Quit does.
  Page().Show(true);
  ASSERT_TRUE(WaitFor([&] { return port_->CallsInside() > 0; }));
  page_.reset();
  EXPECT_EQ(port_->CallsInside(), 0);
  host_.ProcessPosted();  // late updates of the dead page are dropped
}

// Leaving the page and coming back at once while a slow controller's reply
// is on its way: the poll goes on with every third from its own reply, so the
// status turns green again and the values are the controller's.
TEST_F(MonitorPage, LeavingAndReturningWithASlowControllerKeepsTheThirdsApart) {
  LoadBuiltInTexts();
  sim::LiveData live{};
  for (std::size_t i = 0; i < live.size(); ++i) live[i] = static_cast<std::uint8_t>(i + 1);
  live[16] = live[17] = 0;  // no error
  // Later than the poll's period, so the reply is still on its way when the
  // page, shown again, makes its first request.
  sim::Simulator sim(sim::Options{.pacing = false, .faults = {.lateReplyMs = 450}});
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  sim.SetLiveData(live);
  auto port = MakeSerialPort();
  ASSERT_TRUE(port->Open(sim.SlavePath())) << port->LastError();
  port->Configure(PortSettings{}, PortTimeouts{});
  session_->link.SetPort(std::move(port));

  Page().Show(true);
  ASSERT_TRUE(WaitFor([&] { return sim.RequestCount(kCommandLiveData2) >= 1; }));
  Page().Show(false);
  Page().Show(true);
  const int target = sim.RequestCount(kCommandLiveData3) + 3;
  ASSERT_TRUE(WaitFor([&] { return sim.RequestCount(kCommandLiveData3) >= target; }));
  ASSERT_TRUE(sim.WaitForReplies(sim.TotalRequests(), kPatience));
  host_.ProcessPosted();
  Page().Show(false);
  EXPECT_EQ(Text(kMonitorStatusBoxId), u"Success!");
  EXPECT_EQ(Text(SlotEditId(0)), u"1");    // byte 0
  EXPECT_EQ(Text(SlotEditId(17)), u"4884");  // bytes 18-19: 0x13 0x14
  EXPECT_EQ(Text(SlotEditId(31)), u"12080");  // bytes 46-47: 0x2F 0x30
  EXPECT_EQ(session_->link.droppedFrames(), 0);
}

}  // namespace
}  // namespace tarn
