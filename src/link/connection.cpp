#include "link/connection.h"

namespace tarn {
namespace {

// 19200 baud, one stop bit, 8 data bits, no parity.
constexpr PortSettings kControllerLine{Baud(19200), StopBits::One, 8, Parity::None};
constexpr std::chrono::milliseconds kSettleAfterConfigure{20};
constexpr std::chrono::milliseconds kNoWait{0};

// Identify: a reply is accepted when its data byte 2 is 1 or 2. A reply too
// short to carry that byte is refused rather than read from stale bytes.
constexpr std::size_t kIdentifyByte = 2;
constexpr std::uint8_t kIdentifyAcceptedA = 1;
constexpr std::uint8_t kIdentifyAcceptedB = 2;

// Connected, or Refused with the byte that refused it (none when too short).
PortOutcome IdentifyOutcome(const Reply& reply, int* identifyByte) {
  if (reply.length <= kIdentifyByte) return PortOutcome::Refused;
  const std::uint8_t value = reply.data[kIdentifyByte];
  *identifyByte = value;
  return value == kIdentifyAcceptedA || value == kIdentifyAcceptedB ? PortOutcome::Connected
                                                                    : PortOutcome::Refused;
}

PortOutcome OutcomeOf(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::NoSuchDevice:
      return PortOutcome::NoSuchDevice;
    case OpenFailure::NotSerial:
      return PortOutcome::NotSerial;
    case OpenFailure::Busy:
      return PortOutcome::Busy;
    case OpenFailure::NoPermission:
      return PortOutcome::NoPermission;
    case OpenFailure::None:
    case OpenFailure::Other:
      break;
  }
  return PortOutcome::NotOpened;
}

}  // namespace

int PortScan::EnumerateSerialPorts() {
  portNames = ListSerialPorts();
  return static_cast<int>(portNames.size());
}

bool PortScan::ConfigureAndIdentify(const std::string& name, const PortSettings& settings) {
  SerialPort* port = link_.port();
  if (port == nullptr) return false;
  if (!port->Configure(settings, link_.timeouts)) ConfigurationFailed();
  SleepFor(kSettleAfterConfigure);
  port->Close();
  if (!port->Open(name)) {
    const OpenProblem problem = port->LastOpenProblem();
    current_.outcome = OutcomeOf(problem.kind);
    current_.systemText = problem.systemText;
    return false;
  }
  port->Configure(settings, link_.timeouts);
  Reply reply;
  if (!link_.Exchange(kCommandIdentify, {}, kNoWait, &reply)) {
    current_.outcome = PortOutcome::NoAnswer;
    return false;
  }
  current_.outcome = IdentifyOutcome(reply, &current_.identifyByte);
  return current_.outcome == PortOutcome::Connected;
}

bool PortScan::Connect() {
  if (connected) return true;
  EnumerateSerialPorts();
  scanResults.clear();
  for (const std::string& name : portNames) {
    current_ = PortAttempt{name, PortOutcome::NoAnswer, {}, kNoIdentifyByte};
    std::unique_ptr<SerialPort> port = MakeSerialPort();
    if (!port->Open(name)) {  // missing, held by another program, not allowed
      const OpenProblem problem = port->LastOpenProblem();
      scanResults.push_back({name, OutcomeOf(problem.kind), problem.systemText, kNoIdentifyByte});
      continue;
    }
    link_.SetPort(std::move(port));
    connected = ConfigureAndIdentify(name, kControllerLine);
    scanResults.push_back(current_);
    if (connected) {
      connectedPort = name;
      break;
    }
    // Close it, so that a later scan can open it again.
    link_.SetPort(nullptr);
  }
  return connected;
}

}  // namespace tarn
