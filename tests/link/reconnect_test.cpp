// A port that goes away and comes back: how the link tells a gone device from
// a silent or garbled line, and how the watch gets the same controller back
// through a stable name (a symlink stands in for /dev/serial/by-id/...).
#include "link/reconnect.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>

#include "link/port_list.h"
#include "link_fixture.h"

namespace tarn {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::unique_ptr<sim::Simulator> StartController(sim::Faults faults = {}) {
  auto sim = std::make_unique<sim::Simulator>(sim::Options{.pacing = false, .faults = faults});
  EXPECT_TRUE(sim->Start()) << sim->LastError();
  return sim;
}

// A directory of stable names, removed at the end.
class StableNames {
 public:
  StableNames() : dir_(fs::temp_directory_path() / ("tarn-by-id-" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~StableNames() { fs::remove_all(dir_); }
  // Points `alias` at `device`, replacing what it pointed at.
  std::string Point(const std::string& alias, const std::string& device) {
    const fs::path path = dir_ / alias;
    fs::remove(path);
    fs::create_symlink(device, path);
    return path.string();
  }
  std::string Dir() const { return dir_.string(); }

 private:
  fs::path dir_;
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto until = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() >= until) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

struct OutcomeCase {
  const char* name;
  sim::Faults faults;
  bool stopController;  // the pseudo-terminal closed before the request
  LinkOutcome outcome;
  std::chrono::milliseconds within;
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

class ExchangeOutcome : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(ExchangeOutcome, NamesWhatWentWrong) {
  const OutcomeCase& c = GetParam();
  auto sim = StartController(c.faults);
  ControllerLink link;
  link.SetPort(testing::OpenPort(sim->SlavePath()));
  ASSERT_NE(link.port(), nullptr);
  if (c.stopController) sim->Stop();
  const auto start = Clock::now();
  const bool answered = link.Exchange(kCommandIdentify, {}, 0ms, nullptr);
  EXPECT_LT(Clock::now() - start, c.within);
  EXPECT_EQ(answered, c.outcome == LinkOutcome::Answered);
  EXPECT_EQ(link.LastOutcome(), c.outcome);
  const bool gone = c.outcome == LinkOutcome::PortGone;
  EXPECT_EQ(link.PortGone(), gone);
  // A gone port is closed at once; a quiet or garbled line keeps it.
  EXPECT_EQ(link.port()->IsOpen(), !gone);
}

INSTANTIATE_TEST_SUITE_P(
    Link, ExchangeOutcome,
    ::testing::Values(OutcomeCase{"answered", {}, false, LinkOutcome::Answered, 500ms},
                      OutcomeCase{"unplugged", {}, true, LinkOutcome::PortGone, 200ms},
                      OutcomeCase{"silent", {.silent = true}, false, LinkOutcome::NoAnswer, 2s},
                      OutcomeCase{"badChecksum", {.badChecksumOn = 1}, false,
                                  LinkOutcome::BadReply, 2s}),
    [](const auto& p) { return std::string(p.param.name); });

// The controller's end closes while the request is on its way: the read that
// follows sees the hang-up, and the exchange ends within a moment, not after
// ten read attempts.
TEST(PortGone, HangUpMidExchangeEndsAtOnceAndLaterExchangesSendNothing) {
  auto sim = StartController({.hangUpAfter = 1});
  ControllerLink link;
  link.SetPort(testing::OpenPort(sim->SlavePath()));
  ASSERT_TRUE(link.Exchange(kCommandIdentify, {}, 0ms, nullptr));
  const auto start = Clock::now();
  EXPECT_FALSE(link.Exchange(kCommandLiveData1, {}, 0ms, nullptr));
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_TRUE(sim->HungUp());
  EXPECT_EQ(link.LastOutcome(), LinkOutcome::PortGone);
  const auto again = Clock::now();
  EXPECT_FALSE(link.Exchange(kCommandLiveData1, {}, 0ms, nullptr));
  EXPECT_EQ(link.LastOutcome(), LinkOutcome::PortGone);
  EXPECT_LT(Clock::now() - again, 50ms);
}

TEST(StableName, FindsTheAliasOfADeviceAndSkipsDanglingOnes) {
  auto sim = StartController();
  StableNames names;
  const std::string alias = names.Point("usb-Tarn_Adapter_A1-if00-port0", sim->SlavePath());
  names.Point("usb-Gone_Adapter-if00-port0", "/dev/tarn-no-such-device");
  const std::vector<StablePortName> listed = ListStablePortNames(names.Dir());
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].alias, alias);
  EXPECT_EQ(listed[0].device, fs::canonical(sim->SlavePath()).string());
  EXPECT_EQ(StableNameOf(sim->SlavePath(), names.Dir()), alias);
  EXPECT_EQ(StableNameOf("/dev/tarn-no-such-device", names.Dir()), "");
  EXPECT_EQ(ListStablePortNames("/dev/tarn-no-such-dir").size(), 0u);
}

TEST(StableName, ReopenTriesOnlyTheAliasWhenThereIsOne) {
  EXPECT_EQ(ReopenNames("/dev/ttyUSB0", "/dev/serial/by-id/usb-X"),
            std::vector<std::string>{"/dev/serial/by-id/usb-X"});
  EXPECT_EQ(ReopenNames("/dev/ttyUSB0", ""), std::vector<std::string>{"/dev/ttyUSB0"});
  EXPECT_TRUE(ReopenNames("", "").empty());
}

struct ReopenCase {
  const char* name;
  sim::Faults faults;        // of the controller that comes back
  bool comesBack;
  ReopenResult result;
  int requestsSeen;          // by the returned controller
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ReopenCase& c, std::ostream* os) { *os << c.name; }

class Reopen : public ::testing::TestWithParam<ReopenCase> {};

// The adapter leaves; what comes back behind its stable name decides whether
// the link gets the port. Identify and the identity block are all the
// returned controller sees.
TEST_P(Reopen, GivesTheLinkThePortOnlyForTheSameController) {
  const ReopenCase& c = GetParam();
  StableNames names;
  auto first = StartController();
  const std::string alias = names.Point("usb-adapter", first->SlavePath());
  ControllerLink link;
  link.SetPort(testing::OpenPort(alias));
  fs::remove(alias);
  first->Stop();
  ASSERT_FALSE(link.Exchange(kCommandLiveData1, {}, 0ms, nullptr));
  ASSERT_TRUE(link.PortGone());

  std::unique_ptr<sim::Simulator> second;
  if (c.comesBack) {
    second = StartController(c.faults);
    names.Point("usb-adapter", second->SlavePath());
  }
  std::string opened;
  const ReopenResult result =
      TryReopen(link, {alias}, ControllerIdentity::Of(sim::DefaultImage()), &opened);
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(link.PortGone(), c.result != ReopenResult::Same);
  if (second) {
    EXPECT_EQ(second->TotalRequests(), c.requestsSeen);
  }
  if (c.result == ReopenResult::Same) {
    EXPECT_EQ(opened, alias);
    EXPECT_TRUE(link.Exchange(kCommandLiveData1, {}, 0ms, nullptr));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Link, Reopen,
    ::testing::Values(
        ReopenCase{"sameController", {}, true, ReopenResult::Same, 4},
        ReopenCase{"otherModule", {.moduleName = "BQX48B02"}, true, ReopenResult::Other, 4},
        ReopenCase{"identifyRefused", {.identifyByte2 = 0}, true, ReopenResult::NoController, 1},
        ReopenCase{"blockUnreadable", {.readBlockDataLength = 8}, true, ReopenResult::Unreadable,
                   4},
        ReopenCase{"stillOut", {}, false, ReopenResult::StillGone, 0}),
    [](const auto& p) { return std::string(p.param.name); });

// Another serial number under the same module name is another controller.
TEST(Reopen, AnotherSerialNumberIsAnotherController) {
  auto sim = StartController();
  sim::Image image = sim::DefaultImage();
  image[kAddrSerialNumber + 3] ^= 0x01;
  ControllerLink link;
  std::string opened;
  EXPECT_EQ(TryReopen(link, {sim->SlavePath()}, ControllerIdentity::Of(image), &opened),
            ReopenResult::Other);
  EXPECT_EQ(link.port(), nullptr);
}

// The watch on its own thread, the test's thread exchanging meanwhile as a
// poll would: lost, two seconds out, back behind the same stable name.
TEST(Watch, ReportsTheLossAndGetsTheSameControllerBackWithinTwoSeconds) {
  StableNames names;
  auto first = StartController();
  const std::string alias = names.Point("usb-adapter", first->SlavePath());
  ControllerLink link;
  link.SetPort(testing::OpenPort(alias));
  std::mutex mutex;
  std::vector<LinkWatch::Event> events;
  LinkWatch watch(link);
  watch.Expect(alias, "", ControllerIdentity::Of(sim::DefaultImage()));
  ASSERT_TRUE(watch.Start([&](LinkWatch::Event event, const std::string&) {
    std::lock_guard lock(mutex);
    events.push_back(event);
  }));
  auto eventCount = [&] {
    std::lock_guard lock(mutex);
    return events.size();
  };
  ASSERT_TRUE(link.Exchange(kCommandLiveData1, {}, 0ms, nullptr));
  fs::remove(alias);  // the name goes with the adapter
  first->Stop();
  EXPECT_FALSE(link.Exchange(kCommandLiveData1, {}, 0ms, nullptr));
  ASSERT_TRUE(WaitFor([&] { return eventCount() >= 1; }, 1s));
  std::this_thread::sleep_for(2s);
  EXPECT_EQ(eventCount(), 1u);  // nothing to reopen yet: no news

  auto second = StartController();
  names.Point("usb-adapter", second->SlavePath());
  const auto back = Clock::now();
  ASSERT_TRUE(WaitFor([&] { return link.Exchange(kCommandLiveData1, {}, 0ms, nullptr); }, 3s));
  EXPECT_LT(Clock::now() - back, 2s);
  ASSERT_TRUE(WaitFor([&] { return eventCount() >= 2; }, 1s));
  watch.Stop();
  std::lock_guard lock(mutex);
  EXPECT_EQ(events, (std::vector{LinkWatch::Event::Lost, LinkWatch::Event::Restored}));
  // The returned controller had its quiet time before each request, the
  // watch's own requests included.
  for (const std::string& fault : sim::QuietTimeFaults(second->Timings())) ADD_FAILURE() << fault;
  for (const std::string& fault : sim::MandatedWaitFaults(second->Timings())) {
    ADD_FAILURE() << fault;
  }
}

// Another controller behind the name: reported once, then no more attempts
// (nothing more sent to it) until the user's Read sets a new expectation.
TEST(Watch, StopsAtAnotherControllerUntilToldWhatToExpect) {
  StableNames names;
  auto first = StartController();
  const std::string alias = names.Point("usb-adapter", first->SlavePath());
  ControllerLink link;
  link.SetPort(testing::OpenPort(alias));
  std::atomic<int> others{0};
  LinkWatch watch(link);
  watch.Expect(alias, "", ControllerIdentity::Of(sim::DefaultImage()));
  watch.Start([&](LinkWatch::Event event, const std::string&) {
    if (event == LinkWatch::Event::Other) ++others;
  });
  fs::remove(alias);
  first->Stop();
  auto second = StartController({.moduleName = "BQX48B02"});
  names.Point("usb-adapter", second->SlavePath());
  ASSERT_TRUE(WaitFor([&] { return others.load() == 1; }, 3s));
  const int seen = second->TotalRequests();
  std::this_thread::sleep_for(2500ms);
  EXPECT_EQ(second->TotalRequests(), seen);
  EXPECT_EQ(others.load(), 1);
  EXPECT_TRUE(link.PortGone());
  watch.Stop();
}

}  // namespace
}  // namespace tarn
