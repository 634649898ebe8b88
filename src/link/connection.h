// Finding the port on which a controller answers Identify, and what each port
// tried gave.
#pragma once

#include <string>
#include <vector>

#include "link/controller_link.h"
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

class PortScan {
 public:
  explicit PortScan(ControllerLink& link) : link_(link) {}
  virtual ~PortScan() = default;
  PortScan(const PortScan&) = delete;
  PortScan& operator=(const PortScan&) = delete;

  // Fills portNames from the system's port list; returns their number.
  int EnumerateSerialPorts();
  // Configure the open port, close, reopen, configure again, send Identify.
  // When the first configuration fails, ConfigurationFailed() is told at once
  // and the port is still reopened and identified.
  bool ConfigureAndIdentify(const std::string& name, const PortSettings& settings);
  // Scans every port in order until a controller answers; returns connected.
  // scanResults then says what each port tried gave.
  bool Connect();

  std::vector<std::string> portNames;
  bool connected = false;
  std::string connectedPort;  // name of the port in use once connected
  std::vector<PortAttempt> scanResults;  // of the last scan, in scan order

 protected:
  // The open port refused the line settings; the scan goes on.
  virtual void ConfigurationFailed() {}

 private:
  ControllerLink& link_;
  PortAttempt current_;  // the port ConfigureAndIdentify works on
};

}  // namespace tarn
