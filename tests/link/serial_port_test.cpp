// The POSIX serial port's line settings, read back from the terminal through
// the master side of a pseudo-terminal (it reports the slave's settings). A
// pseudo-terminal keeps every flag but the character size and the parity
// enable, which it always reports as CS8 without parity; parity shows in its
// input check flag and its odd flag.
#include "link/serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <memory>

namespace tarn {
namespace {

constexpr std::size_t kFrameBytes = 19;

struct LineCase {
  const char* name;
  PortSettings settings;
  bool parity;
  bool odd;
  bool twoStopBits;
};

void PrintTo(const LineCase& c, std::ostream* out) {
  *out << c.name;
}

const LineCase kLines[] = {
    {"8N1", {Baud(19200), StopBits::One, 8, Parity::None}, false, false, false},
    {"7E1", {Baud(9600), StopBits::One, 7, Parity::Even}, true, false, false},
    {"8O2", {Baud(19200), StopBits::Two, 8, Parity::Odd}, true, true, true},
};

// A pseudo-terminal and a port opened on its slave side.
class OnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    ASSERT_TRUE(port->Open(::ptsname(master))) << port->LastError();
  }
  void TearDown() override {
    port->Close();
    if (master >= 0) ::close(master);
  }
  int master = -1;
  std::unique_ptr<SerialPort> port = MakeSerialPort();
};

class LineSettings : public OnPty, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineSettings, ReachTheTerminalAsGiven) {
  const LineCase& c = GetParam();
  ASSERT_TRUE(port->Configure(c.settings, PortTimeouts{})) << port->LastError();
  termios tio{};
  ASSERT_EQ(::tcgetattr(master, &tio), 0);
  EXPECT_EQ((tio.c_cflag & PARODD) != 0, c.odd);
  EXPECT_EQ((tio.c_iflag & INPCK) != 0, c.parity);
  EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStopBits);
  EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
}

INSTANTIATE_TEST_SUITE_P(Link, LineSettings, ::testing::ValuesIn(kLines),
                         [](const auto& param) { return std::string(param.param.name); });

// A console's settings: 9600 baud, cooked, echo, hardware flow control.
termios ConsoleSettings(int fd) {
  termios tio{};
  EXPECT_EQ(::tcgetattr(fd, &tio), 0);
  tio.c_lflag |= ICANON | ECHO | ISIG;
  tio.c_oflag |= OPOST;
  tio.c_iflag |= ICRNL | IXON;
  tio.c_cflag |= CRTSCTS;
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  return tio;
}

bool SameLine(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && cfgetospeed(&a) == cfgetospeed(&b) &&
         std::equal(std::begin(a.c_cc), std::end(a.c_cc), std::begin(b.c_cc));
}

TEST_F(OnPty, LineSettingsFoundOnOpenComeBackOnClose) {
  port->Close();
  const termios console = ConsoleSettings(master);
  ASSERT_EQ(::tcsetattr(master, TCSANOW, &console), 0);
  ASSERT_TRUE(port->Open(::ptsname(master))) << port->LastError();
  ASSERT_TRUE(port->Configure(PortSettings{}, PortTimeouts{})) << port->LastError();
  termios configured{};
  ASSERT_EQ(::tcgetattr(master, &configured), 0);
  EXPECT_FALSE(SameLine(configured, console));
  port->Close();
  termios after{};
  ASSERT_EQ(::tcgetattr(master, &after), 0);
  EXPECT_TRUE(SameLine(after, console));
}

TEST_F(OnPty, WriteOnAStoppedLineEndsAtItsTimeOut) {
  ASSERT_TRUE(port->Configure(PortSettings{}, PortTimeouts{})) << port->LastError();
  // Output stopped as by flow control, through a second descriptor of the
  // terminal (the port holds it exclusively, which only root can look past).
  const int other = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (other < 0) GTEST_SKIP() << "only root can open the exclusive terminal";
  ASSERT_EQ(::tcflow(other, TCOOFF), 0);
  const std::uint8_t frame[kFrameBytes] = {};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(port->Write(frame));
  // 20 ms a byte plus 50 ms, with room for a busy machine; never a hang.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20 * 19 + 50 + 500));
  EXPECT_NE(port->LastError().find("time-out"), std::string::npos) << port->LastError();
  ::tcflow(other, TCOON);
  ::close(other);
}

TEST_F(OnPty, UnsupportedLineSettingsFailTheConfiguration) {
  // Baud rate, one and a half stop bits, 9 data bits, mark and space parity.
  constexpr Baud kLine{19200};
  const PortSettings refused[] = {
      {Baud(12345), StopBits::One, 8, Parity::None}, {kLine, StopBits::OneAndHalf, 8, Parity::None},
      {kLine, StopBits::One, 9, Parity::None},       {kLine, StopBits::One, 8, Parity::Mark},
      {kLine, StopBits::One, 8, Parity::Space},
  };
  for (const PortSettings& bad : refused) {
    EXPECT_FALSE(port->Configure(bad, PortTimeouts{}))
        << bad.baudRate.value << " " << static_cast<int>(bad.stopBits) << " " << bad.dataBits << " "
        << static_cast<int>(bad.parity);
    EXPECT_FALSE(port->LastError().empty());
  }
}

}  // namespace
}  // namespace tarn
