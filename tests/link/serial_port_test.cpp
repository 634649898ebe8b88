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

#include <memory>

namespace tarn {
namespace {

struct LineCase {
  const char* name;
  PortSettings settings;  // Windows codes: stop bits 0 one, 2 two; parity 1 odd, 2 even
  bool parity;
  bool odd;
  bool twoStopBits;
};

void PrintTo(const LineCase& c, std::ostream* out) {
  *out << c.name;
}

const LineCase kLines[] = {
    {"8N1", {19200, 0, 8, 0}, false, false, false},
    {"7E1", {9600, 0, 7, 2}, true, false, false},
    {"8O2", {19200, 2, 8, 1}, true, true, true},
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

TEST_F(OnPty, UnsupportedLineSettingsFailTheConfiguration) {
  // Baud rate, one and a half stop bits, 9 data bits, mark parity.
  for (const PortSettings& bad : {PortSettings{12345, 0, 8, 0}, PortSettings{19200, 1, 8, 0},
                                  PortSettings{19200, 0, 9, 0}, PortSettings{19200, 0, 8, 3}}) {
    EXPECT_FALSE(port->Configure(bad, PortTimeouts{}))
        << bad.baudRate << " " << bad.stopBits << " " << bad.dataBits << " " << bad.parity;
    EXPECT_FALSE(port->LastError().empty());
  }
}

}  // namespace
}  // namespace tarn
