// Finding the port on which a controller answers Identify, and what each port
// tried gave, for a person to act on.
#pragma once

#include <string>
#include <vector>

#include "link/controller_link.h"
#include "link/prompts.h"
#include "link/serial_port.h"

namespace tarn {

// What happened on one port during a scan.
enum class PortOutcome {
  NoSuchDevice,
  NotSerial,
  Busy,          // held by another program
  NoPermission,
  NotOpened,     // another reason the system gave
  NoAnswer,      // opened, but no controller answered Identify
  Refused,       // a controller answered, with data byte 2 neither 1 nor 2
  Connected,
};

inline constexpr int kNoIdentifyByte = -1;

struct PortAttempt {
  std::string port;
  PortOutcome outcome = PortOutcome::NoAnswer;
  std::string systemText;              // the operating system's own words, if any
  int identifyByte = kNoIdentifyByte;  // data byte 2 of a refused reply
};

// One line per port tried ("port: what happened (system text)"), or a line
// saying that there was no port to try.
std::u16string DescribeScan(const std::vector<PortAttempt>& attempts);

class Connection {
 public:
  Connection(ControllerLink& link, Prompter& prompter) : link_(link), prompter_(prompter) {}

  // Fills portNames from the system's port list; returns their number.
  int EnumerateSerialPorts();
  // Configure the open port, close, reopen, configure again, send Identify.
  bool ConfigureAndIdentify(const std::string& name, const PortSettings& settings);
  // Scans every port in order until a controller answers; returns connected.
  // scanResults then says what each port tried gave.
  bool Connect();
  // The start-up retry: Connect, wait 100 ms, message 149 with Retry/Cancel
  // (the scan's per-port lines as its details) until a controller answers or
  // the user cancels. Returns connected.
  bool ConnectWithRetry();

  std::vector<std::string> portNames;
  bool connected = false;
  std::string connectedPort;  // name of the port in use once connected
  std::vector<PortAttempt> scanResults;  // of the last scan, in scan order

 private:
  ControllerLink& link_;
  Prompter& prompter_;
  PortAttempt current_;  // the port ConfigureAndIdentify works on
};

}  // namespace tarn
