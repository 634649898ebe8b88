// The scan for the port on which a controller answers, over pseudo-terminals
// named in TARN_PORTS.
#include "app/connect_commands.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "link/port_list.h"
#include "link_fixture.h"

namespace tarn {
namespace {

using namespace std::chrono_literals;
using testing::RecordingPrompter;

constexpr char kMissingPort[] = "/dev/tarn-no-such-port";

void SetPorts(const std::vector<std::string>& paths) {
  std::string joined;
  for (const std::string& path : paths) joined += (joined.empty() ? "" : ":") + path;
  ::setenv("TARN_PORTS", joined.c_str(), 1);
}

// A controller on its own pseudo-terminal, started without pacing.
struct Controller {
  explicit Controller(sim::Faults faults = {})
      : sim(sim::Options{.pacing = false, .faults = faults}) {
    EXPECT_TRUE(sim.Start()) << sim.LastError();
  }
  std::string Path() const { return sim.SlavePath(); }
  sim::Simulator sim;
};

class Scan : public ::testing::Test {
 protected:
  void TearDown() override { ::unsetenv("TARN_PORTS"); }
  ControllerLink link;
  RecordingPrompter prompter;
  Connection connection{link, prompter};
};

TEST_F(Scan, FirstControllerInOrderWins) {
  Controller first, second;
  SetPorts({kMissingPort, first.Path(), second.Path()});
  EXPECT_TRUE(connection.Connect());
  EXPECT_EQ(connection.connectedPort, first.Path());
  EXPECT_EQ(first.sim.RequestCount(kCommandIdentify), 1);
  EXPECT_EQ(second.sim.TotalRequests(), 0);
  EXPECT_TRUE(prompter.shown.empty());
}

struct IdentifyCase {
  int byte2;
  int dataLength;
  bool accepted;
};

void PrintTo(const IdentifyCase& c, std::ostream* out) {
  *out << "byte2=" << c.byte2 << " length=" << c.dataLength;
}

class IdentifyReplies : public Scan, public ::testing::WithParamInterface<IdentifyCase> {};

TEST_P(IdentifyReplies, DecideWhetherThePortIsTaken) {
  const IdentifyCase c = GetParam();
  Controller odd({.identifyByte2 = c.byte2, .identifyDataLength = c.dataLength});
  Controller fallback;
  SetPorts({odd.Path(), fallback.Path()});
  ASSERT_TRUE(connection.Connect());
  EXPECT_EQ(connection.connectedPort, c.accepted ? odd.Path() : fallback.Path());
}

INSTANTIATE_TEST_SUITE_P(Link, IdentifyReplies,
                         ::testing::Values(IdentifyCase{0, 3, false}, IdentifyCase{1, 3, true},
                                           IdentifyCase{2, 3, true}, IdentifyCase{3, 3, false},
                                           IdentifyCase{2, 16, true},
                                           // Too short to carry byte 2.
                                           IdentifyCase{1, 2, false}));

TEST_F(Scan, PortHeldByAnotherProgramIsSkipped) {
  Controller held, free;
  const int holder = ::open(held.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  SetPorts({held.Path(), free.Path()});
  EXPECT_TRUE(connection.Connect());
  EXPECT_EQ(connection.connectedPort, free.Path());
  EXPECT_EQ(held.sim.TotalRequests(), 0);
  ::close(holder);
}

#ifdef TIOCGEXCL
bool Exclusive(int fd) {
  int exclusive = 0;
  EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
  return exclusive != 0;
}

// Run as root the open itself would succeed; the flag still says busy, and it
// stays the other program's.
TEST_F(Scan, PortMadeExclusiveByAnotherProgramIsSkippedAndKeepsItsFlag) {
  Controller held, free;
  const int holder = ::open(held.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);
  SetPorts({held.Path(), free.Path()});
  EXPECT_TRUE(connection.Connect());
  EXPECT_EQ(connection.connectedPort, free.Path());
  EXPECT_EQ(held.sim.TotalRequests(), 0);
  link.SetPort(nullptr);
  EXPECT_TRUE(Exclusive(holder));
  ::close(holder);
}

TEST_F(Scan, ClosingThePortClearsOnlyTheFlagItSet) {
  Controller controller;
  auto port = MakeSerialPort();
  ASSERT_TRUE(port->Open(controller.Path())) << port->LastError();
  const int observer = ::open(controller.Path().c_str(), O_RDWR | O_NOCTTY);
  if (observer < 0) GTEST_SKIP() << "only root can look past the flag";
  EXPECT_TRUE(Exclusive(observer));
  port->Close();
  EXPECT_FALSE(Exclusive(observer));
  ::close(observer);
}
#endif

// Another device on a port the scan tried keeps its settings: a console at
// 4800 baud with line editing stays so, although no controller answered.
TEST_F(Scan, PortsTriedWithoutSuccessAreLeftAsFound) {
  Controller silent({.silent = true}), answering;
  const int fd = ::open(silent.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios console{};
  ASSERT_EQ(::tcgetattr(fd, &console), 0);
  console.c_lflag |= ICANON | ECHO;
  cfsetispeed(&console, B4800);
  cfsetospeed(&console, B4800);
  ASSERT_EQ(::tcsetattr(fd, TCSANOW, &console), 0);
  SetPorts({silent.Path(), answering.Path()});
  ASSERT_TRUE(connection.Connect());
  termios after{};
  ASSERT_EQ(::tcgetattr(fd, &after), 0);
  EXPECT_EQ(cfgetospeed(&after), B4800);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO), tcflag_t{ICANON | ECHO});
  ::close(fd);
}

TEST_F(Scan, SecondCopyOfTheToolCannotShareTheConnectedPort) {
  Controller controller;
  SetPorts({controller.Path()});
  ASSERT_TRUE(connection.Connect());
  auto second = MakeSerialPort();
  EXPECT_FALSE(second->Open(controller.Path()));
  EXPECT_FALSE(second->LastError().empty());
}

// Every port tried leaves a line saying what happened, in scan order.
TEST_F(Scan, RecordsWhatEachPortGave) {
  Controller held, silent({.silent = true}), refusing({.identifyByte2 = 3}), answering;
  const int holder = ::open(held.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  SetPorts({kMissingPort, "/dev/null", held.Path(), silent.Path(), refusing.Path(),
            answering.Path()});
  ASSERT_TRUE(connection.Connect());
  const struct {
    PortOutcome outcome;
    const char* systemText;
  } expected[] = {{PortOutcome::NoSuchDevice, "No such file or directory"},
                  {PortOutcome::NotSerial, ""},
                  {PortOutcome::Busy, "Device or resource busy"},
                  {PortOutcome::NoAnswer, ""},
                  {PortOutcome::Refused, ""},
                  {PortOutcome::Connected, ""}};
  ASSERT_EQ(connection.scanResults.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(connection.scanResults[i].port, connection.portNames[i]);
    EXPECT_EQ(connection.scanResults[i].outcome, expected[i].outcome) << i;
    EXPECT_EQ(connection.scanResults[i].systemText, expected[i].systemText) << i;
  }
  EXPECT_EQ(connection.scanResults[4].identifyByte, 3);
  ::close(holder);
}

TEST_F(Scan, MessageNoControllerCarriesOneLinePerPortAsDetails) {
  Controller silent({.silent = true});
  SetPorts({kMissingPort, silent.Path()});
  EXPECT_FALSE(connection.ConnectWithRetry());
  ASSERT_EQ(prompter.Ids(), std::vector<int>{kMsgNoController});
  const std::u16string& details = prompter.shown[0].details;
  const std::string path = silent.Path();
  EXPECT_EQ(details, DescribeScan(connection.scanResults));
  EXPECT_EQ(details, u"/dev/tarn-no-such-port: нет такого устройства (No such file or directory)\n" +
                         std::u16string(path.begin(), path.end()) +
                         u": открыт, но контроллер не ответил");
}

TEST(ScanDescription, SaysWhenThereWasNoPortToTry) {
  EXPECT_EQ(DescribeScan({}), u"Последовательные порты не найдены.");
}

TEST_F(Scan, NoPortAtAllAsksForRetryUntilCancel) {
  SetPorts({kMissingPort});
  prompter.answers = {MsgAnswer::Retry, MsgAnswer::Cancel};
  EXPECT_FALSE(connection.ConnectWithRetry());
  EXPECT_EQ(prompter.Ids(), (std::vector<int>{kMsgNoController, kMsgNoController}));
  EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::RetryCancel);
  EXPECT_EQ(prompter.shown[0].icon, MsgIcon::None);
  EXPECT_FALSE(connection.connected);
}

TEST_F(Scan, FailedPortIsClosedSoRetryCanTryItAgain) {
  Controller controller({.identifyByte2 = 0});
  SetPorts({controller.Path()});
  // While the message is up the controller comes to its senses.
  prompter.onShow = [&](int) { controller.sim.SetFaults({}); };
  prompter.answers = {MsgAnswer::Retry};
  EXPECT_TRUE(connection.ConnectWithRetry());
  EXPECT_EQ(prompter.Ids(), (std::vector<int>{kMsgNoController}));
  EXPECT_EQ(controller.sim.RequestCount(kCommandIdentify), 2);
}

TEST_F(Scan, FailedConfigurationIsReportedAndThePortStillIdentified) {
  Controller controller;
  auto port = MakeSerialPort();
  ASSERT_TRUE(port->Open(controller.Path())) << port->LastError();
  link.SetPort(std::move(port));
  // No such baud rate: both configurations fail. The simulator already keeps
  // its terminal raw, so Identify still gets through.
  const PortSettings unsupported{Baud(12345), StopBits::One, 8, Parity::None};
  EXPECT_TRUE(connection.ConfigureAndIdentify(controller.Path(), unsupported));
  ASSERT_EQ(prompter.Ids(), std::vector<int>{kMsgConfigFailed});
  EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(controller.sim.RequestCount(kCommandIdentify), 1);
  ASSERT_NE(link.port(), nullptr);
  EXPECT_TRUE(link.port()->IsOpen());
}

// The scan of the link alone, with no one to ask: a port that refuses the
// line settings is reported through the hook, once, before the reopen, and
// the scan neither stops nor asks anything.
class CountingScan final : public PortScan {
 public:
  using PortScan::PortScan;
  int refused = 0;
  int identifyAtRefusal = -1;
  const sim::Simulator* sim = nullptr;

 private:
  void ConfigurationFailed() override {
    ++refused;
    identifyAtRefusal = sim->RequestCount(kCommandIdentify);
  }
};

struct SettingsCase {
  const char* name;
  PortSettings settings;
  int refused;
};

void PrintTo(const SettingsCase& c, std::ostream* out) {
  *out << c.name;
}

class ScanSettings : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(ScanSettings, RefusedSettingsAreReportedOnceAndTheControllerStillIdentified) {
  Controller controller;
  ControllerLink link;
  CountingScan scan(link);
  scan.sim = &controller.sim;
  auto port = MakeSerialPort();
  ASSERT_TRUE(port->Open(controller.Path())) << port->LastError();
  link.SetPort(std::move(port));
  EXPECT_TRUE(scan.ConfigureAndIdentify(controller.Path(), GetParam().settings));
  EXPECT_EQ(scan.refused, GetParam().refused);
  if (scan.refused > 0) {
    EXPECT_EQ(scan.identifyAtRefusal, 0);
  }
  EXPECT_EQ(controller.sim.RequestCount(kCommandIdentify), 1);
}

INSTANTIATE_TEST_SUITE_P(Link, ScanSettings,
                         ::testing::Values(SettingsCase{"controller_line", {Baud{19200}, StopBits::One, 8, Parity::None}, 0},
                                           SettingsCase{"no_such_baud_rate", {Baud{12345}, StopBits::One, 8, Parity::None}, 1}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(Scan, ConnectAfterSuccessSendsNothing) {
  Controller controller;
  SetPorts({controller.Path()});
  ASSERT_TRUE(connection.Connect());
  EXPECT_TRUE(connection.Connect());
  EXPECT_EQ(controller.sim.TotalRequests(), 1);
}

TEST_F(Scan, SilentControllerIsPassedOver) {
  Controller silent({.silent = true}), answering;
  SetPorts({silent.Path(), answering.Path()});
  EXPECT_TRUE(connection.Connect());
  EXPECT_EQ(connection.connectedPort, answering.Path());
  EXPECT_EQ(silent.sim.RequestCount(kCommandIdentify), 1);
}

struct PortListCase {
  const char* variable;
  std::vector<std::string> names;
};

void PrintTo(const PortListCase& c, std::ostream* out) {
  *out << '"' << c.variable << '"';
}

class PortList : public ::testing::TestWithParam<PortListCase> {
 protected:
  void TearDown() override { ::unsetenv("TARN_PORTS"); }
};

TEST_P(PortList, ComesFromTheVariableInItsOrder) {
  ::setenv("TARN_PORTS", GetParam().variable, 1);
  EXPECT_EQ(ListSerialPorts(), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(Link, PortList,
                         ::testing::Values(PortListCase{"/dev/pts/7", {"/dev/pts/7"}},
                                           PortListCase{"/dev/b:/dev/a", {"/dev/b", "/dev/a"}},
                                           PortListCase{":/dev/a::/dev/b:", {"/dev/a", "/dev/b"}},
                                           PortListCase{":", {}}));

// Windows names its ports with a ';' between them: "C:" would split at ':'.
TEST(PortListText, SplitsAtTheGivenSeparator) {
  EXPECT_EQ(SplitPortList("COM3;COM1;;", ';'), (std::vector<std::string>{"COM3", "COM1"}));
  EXPECT_EQ(SplitPortList(R"(\\.\COM10;COM2)", ';'),
            (std::vector<std::string>{R"(\\.\COM10)", "COM2"}));
}

TEST(PortScan, ListsOnlySerialDevicesSorted) {
  ::unsetenv("TARN_PORTS");
  const auto names = ListSerialPorts();
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  for (const std::string& name : names) {
    EXPECT_TRUE(name.starts_with("/dev/ttyUSB") || name.starts_with("/dev/ttyACM") ||
                name.starts_with("/dev/ttyS") || name.starts_with("/dev/cu."))
        << name;
  }
}

TEST(SerialPort, RefusesSomethingThatIsNotATerminal) {
  auto port = MakeSerialPort();
  EXPECT_FALSE(port->Open("/dev/null"));
  EXPECT_FALSE(port->IsOpen());
}

}  // namespace
}  // namespace tarn
