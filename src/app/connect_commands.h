// The connection as the user sees it: the scan for the controller with the
// start-up retry question and its per-port lines, and message 147 for a port
// that refused the line settings.
#pragma once

#include <string>
#include <vector>

#include "link/connection.h"
#include "link/controller_link.h"
#include "ui/prompter.h"

namespace tarn {

// One line per port tried ("port: what happened (system text)"), or a line
// saying that there was no port to try.
std::u16string DescribeScan(const std::vector<PortAttempt>& attempts);

class Connection final : public PortScan {
 public:
  Connection(ControllerLink& link, Prompter& prompter) : PortScan(link), prompter_(prompter) {}

  // The start-up retry: Connect, wait 100 ms, message 149 with Retry/Cancel
  // (the scan's per-port lines as its details) until a controller answers or
  // the user cancels. Returns connected.
  bool ConnectWithRetry();

 private:
  void ConfigurationFailed() override;

  Prompter& prompter_;
};

}  // namespace tarn
