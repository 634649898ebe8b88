// Finding the port on which a controller answers Identify.
#pragma once

#include <string>
#include <vector>

#include "link/controller_link.h"
#include "link/prompts.h"
#include "link/serial_port.h"

namespace tarn {

class Connection {
 public:
  Connection(ControllerLink& link, Prompter& prompter) : link_(link), prompter_(prompter) {}

  // Fills portNames from the system's port list; returns their number.
  int EnumerateSerialPorts();
  // Configure the open port, close, reopen, configure again, send Identify.
  bool ConfigureAndIdentify(const std::string& name, const PortSettings& settings);
  // Scans every port in order until a controller answers; returns connected.
  bool Connect();
  // The start-up retry: Connect, wait 100 ms, message 149 with Retry/Cancel
  // until a controller answers or the user cancels. Returns connected.
  bool ConnectWithRetry();

  std::vector<std::string> portNames;
  bool connected = false;
  std::string connectedPort;  // name of the port in use once connected

 private:
  ControllerLink& link_;
  Prompter& prompter_;
};

}  // namespace tarn
