#include "link/connection.h"

#include <thread>

namespace tarn {
namespace {

// 19200 baud, one stop bit, 8 data bits, no parity.
constexpr PortSettings kControllerLine{19200, 0, 8, 0};
constexpr std::chrono::milliseconds kSettleAfterConfigure{20};
constexpr std::chrono::milliseconds kWaitAfterConnect{100};
constexpr std::chrono::milliseconds kNoWait{0};

// Identify: a reply is accepted when its data byte 2 is 1 or 2. A reply too
// short to carry that byte is refused rather than read from stale bytes.
constexpr std::size_t kIdentifyByte = 2;
constexpr std::uint8_t kIdentifyAcceptedA = 1;
constexpr std::uint8_t kIdentifyAcceptedB = 2;

bool IdentifyAccepted(const Reply& reply) {
  if (reply.length <= kIdentifyByte) return false;
  const std::uint8_t value = reply.data[kIdentifyByte];
  return value == kIdentifyAcceptedA || value == kIdentifyAcceptedB;
}

}  // namespace

int Connection::EnumerateSerialPorts() {
  portNames = ListSerialPorts();
  return static_cast<int>(portNames.size());
}

bool Connection::ConfigureAndIdentify(const std::string& name, const PortSettings& settings) {
  SerialPort* port = link_.port();
  if (port == nullptr) return false;
  if (!port->Configure(settings, link_.timeouts)) {
    prompter_.ShowMessage(kMsgConfigFailed, MsgButtons::Ok, MsgIcon::Exclamation);
  }
  std::this_thread::sleep_for(kSettleAfterConfigure);
  port->Close();
  if (!port->Open(name)) return false;
  port->Configure(settings, link_.timeouts);
  Reply reply;
  if (!link_.Exchange(kCommandIdentify, {}, kNoWait, &reply)) return false;
  return IdentifyAccepted(reply);
}

bool Connection::Connect() {
  if (connected) return true;
  EnumerateSerialPorts();
  for (const std::string& name : portNames) {
    std::unique_ptr<SerialPort> port = MakeSerialPort();
    if (!port->Open(name)) continue;  // missing or held by another program
    link_.SetPort(std::move(port));
    connected = ConfigureAndIdentify(name, kControllerLine);
    if (connected) {
      connectedPort = name;
      break;
    }
    // Close it, so that a later scan can open it again.
    link_.SetPort(nullptr);
  }
  return connected;
}

bool Connection::ConnectWithRetry() {
  Connect();
  std::this_thread::sleep_for(kWaitAfterConnect);
  while (!connected) {
    if (prompter_.ShowMessage(kMsgNoController, MsgButtons::RetryCancel, MsgIcon::None) !=
        MsgAnswer::Retry) {
      break;
    }
    Connect();
  }
  return connected;
}

}  // namespace tarn
