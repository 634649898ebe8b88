// The Windows serial backend and port list against the simulated controller,
// which runs on Linux on a pseudo-terminal that wine maps to a COM port
// (TARN_TEST_COM_PORT, set by tarn-wine-session). Skipped without it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
// <windows.h> names a printer call SetPort; here it is ControllerLink's.
#undef SetPort

#include "app/connect_commands.h"
#include "app/transfer_commands.h"
#include "link/controller_link.h"
#include "link/link_fixture.h"
#include "link/serial_port.h"
#include "link/serial_port_win32.h"
#include "windows/serial_comm.h"

namespace tarn::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint8_t kIdentifyAccepted1 = 1;
constexpr std::uint8_t kIdentifyAccepted2 = 2;

class OnComPort : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("TARN_TEST_COM_PORT");
    if (name == nullptr || *name == '\0') GTEST_SKIP() << "TARN_TEST_COM_PORT is not set";
    portName = name;
  }

  std::unique_ptr<SerialPort> OpenConfigured() {
    auto port = MakeSerialPort();
    if (!port->Open(portName)) {
      ADD_FAILURE() << port->LastError();
      return nullptr;
    }
    EXPECT_TRUE(port->Configure(PortSettings{}, PortTimeouts{})) << port->LastError();
    return port;
  }

  std::string portName;
};

// What another program may have left on the port, set through a handle of
// its own as that program would have.
struct LeftBehind {
  const char* name;
  void (*apply)(DCB&);
  bool (*present)(const DCB&);
};

// The port's device control block through a second handle, as another
// program sees it (wine lets a second handle open a port that is in use),
// changed by `apply` when given.
std::optional<DCB> StateOf(const std::string& portName, void (*apply)(DCB&) = nullptr) {
  const HANDLE handle = CreateFileW(DevicePathOf(portName).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  DCB state{};
  state.DCBlength = sizeof state;
  bool ok = GetCommState(handle, &state) != 0;
  if (ok && apply != nullptr) {
    apply(state);
    ok = SetCommState(handle, &state) != 0;
  }
  CloseHandle(handle);
  return ok ? std::optional<DCB>(state) : std::nullopt;
}

void NoHandshake(DCB& dcb) {
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
}

// XON/XOFF would swallow the 0x11 that opens the controller's Identify
// reply; a CTS handshake would hold every request back on a cable without
// that line.
TEST_F(OnComPort, FlowControlLeftByAnotherProgramIsOffWhileTheLinkRunsAndBackAfter) {
  const LeftBehind cases[] = {
      {"XON/XOFF on output", [](DCB& d) { d.fOutX = TRUE; },
       [](const DCB& d) { return d.fOutX != 0; }},
      {"XON/XOFF on input", [](DCB& d) { d.fInX = TRUE; },
       [](const DCB& d) { return d.fInX != 0; }},
      {"CTS/RTS handshake",
       [](DCB& d) {
         d.fOutxCtsFlow = TRUE;
         d.fRtsControl = RTS_CONTROL_HANDSHAKE;
       },
       [](const DCB& d) { return d.fOutxCtsFlow != 0; }},
  };
  for (const LeftBehind& c : cases) {
    ASSERT_TRUE(StateOf(portName, c.apply).has_value()) << c.name;
    const std::optional<DCB> before = StateOf(portName);
    ASSERT_TRUE(before.has_value()) << c.name;
    ASSERT_TRUE(c.present(*before)) << c.name << ": the port does not keep the setting";
    {
      ControllerLink link;
      auto port = OpenConfigured();
      ASSERT_NE(port, nullptr) << c.name;
      const std::optional<DCB> during = StateOf(portName);
      ASSERT_TRUE(during.has_value()) << c.name;
      EXPECT_FALSE(during->fOutX) << c.name;
      EXPECT_FALSE(during->fInX) << c.name;
      EXPECT_FALSE(during->fOutxCtsFlow) << c.name;
      EXPECT_NE(during->fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE)) << c.name;
      link.SetPort(std::move(port));
      Reply reply;
      EXPECT_TRUE(link.Exchange(kCommandIdentify, {}, milliseconds(0), &reply)) << c.name;
      EXPECT_EQ(reply.command, kCommandIdentify) << c.name;
    }
    const std::optional<DCB> after = StateOf(portName);
    ASSERT_TRUE(after.has_value()) << c.name;
    EXPECT_TRUE(c.present(*after)) << c.name << ": not put back on close";
    ASSERT_TRUE(StateOf(portName, NoHandshake).has_value()) << c.name;
  }
}

// The value of SERIALCOMM that names `port`, taken out while it lives as
// Windows takes out the value of a USB adapter that was pulled, and put back.
class PortUnlisted {
 public:
  explicit PortUnlisted(const std::string& port)
      : entry_(wine::UnlistPort(std::wstring(port.begin(), port.end()))) {}
  ~PortUnlisted() {
    if (entry_) wine::RelistPort(*entry_);
  }
  PortUnlisted(const PortUnlisted&) = delete;
  PortUnlisted& operator=(const PortUnlisted&) = delete;
  bool removed() const { return entry_.has_value(); }

 private:
  std::optional<wine::SerialCommEntry> entry_;
};

// Windows does not always fail a call on a handle whose adapter was pulled;
// the port leaving the system's list is enough for the link to let it go,
// without a byte on the line, and the same name opens again once it is back.
TEST_F(OnComPort, APortThatLeavesTheSystemsListIsGoneAndOpensAgainOnItsReturn) {
  ControllerLink link;
  link.SetPort(OpenConfigured());
  ASSERT_NE(link.port(), nullptr);
  EXPECT_FALSE(link.CheckPort());
  {
    PortUnlisted unlisted(portName);
    ASSERT_TRUE(unlisted.removed()) << portName << " is not in SERIALCOMM";
    EXPECT_TRUE(link.CheckPort());
    EXPECT_TRUE(link.PortGone());
    EXPECT_FALSE(link.port()->IsOpen());
  }
  auto back = OpenConfigured();
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->StillThere());
}

TEST_F(OnComPort, TheRegistryListsThePort) {
  const std::vector<std::string> ports = ListSerialPorts();
  EXPECT_NE(std::find(ports.begin(), ports.end(), portName), ports.end());
}

TEST_F(OnComPort, AnExchangeGetsTheControllersIdentifyReply) {
  ControllerLink link;
  auto port = OpenConfigured();
  ASSERT_NE(port, nullptr);
  link.SetPort(std::move(port));
  Reply reply;
  ASSERT_TRUE(link.Exchange(kCommandIdentify, {}, milliseconds(0), &reply));
  EXPECT_EQ(reply.command, kCommandIdentify);
  ASSERT_GE(reply.length, 3);
  EXPECT_TRUE(reply.data[2] == kIdentifyAccepted1 || reply.data[2] == kIdentifyAccepted2);
}

// With nothing coming, a read returns empty once its window has closed, not
// before and not much after.
TEST_F(OnComPort, AReadWithNothingToReceiveEndsAtItsDeadline) {
  auto port = OpenConfigured();
  ASSERT_NE(port, nullptr);
  std::uint8_t buffer[19] = {};
  std::size_t received = 99;
  ReadWindow window;
  const auto start = Clock::now();
  window.deadline = start + milliseconds(100);
  ASSERT_TRUE(port->ReadWithin(buffer, &received, window)) << port->LastError();
  const auto took = Clock::now() - start;
  EXPECT_EQ(received, 0u);
  EXPECT_GE(took, milliseconds(90));
  EXPECT_LT(took, milliseconds(1000));
}

// The scan finds the controller on the listed port, and after the port is
// closed it can be opened again.
TEST_F(OnComPort, TheScanConnectsToThePortAndReleasesItWithTheLink) {
  {
    ControllerLink link;
    RecordingPrompter prompter;
    Connection connection(link, prompter);
    ASSERT_TRUE(connection.Connect());
    EXPECT_EQ(connection.connectedPort, portName);
    EXPECT_TRUE(prompter.shown.empty());
  }
  auto again = MakeSerialPort();
  EXPECT_TRUE(again->Open(portName)) << again->LastError();
}

// Read, write back and read again: the whole image crosses the port both ways.
TEST_F(OnComPort, TheImageIsReadAndWrittenBackUnchanged) {
  ControllerLink link;
  auto port = OpenConfigured();
  ASSERT_NE(port, nullptr);
  link.SetPort(std::move(port));
  RecordingPrompter prompter;
  RecordingStatus status;
  ParameterImage image;
  TransferFlags flags;
  ReadCommand(link, image, flags, prompter, status);
  ASSERT_TRUE(flags.imageRead);
  WriteCommand(link, image, flags, prompter, status);
  EXPECT_TRUE(flags.imageWritten);
  ParameterImage again;
  ASSERT_TRUE(ReadImage(link, again));
  EXPECT_EQ(again.bytes, image.bytes);
  EXPECT_EQ(status.texts, (std::vector<std::u16string>{std::u16string(kStatusReadSuccess),
                                                       std::u16string(kStatusWriteSuccess)}));
}

}  // namespace
}  // namespace tarn::testing
