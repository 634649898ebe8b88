// Shared pieces of the link tests: a simulated controller on a real
// pseudo-terminal, a link opened on it, and recording stand-ins for the
// message box and the status line.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/status.h"
#include "link/controller_link.h"
#include "sim/simulator.h"
#include "ui/prompter.h"

namespace tarn::testing {

struct ShownMessage {
  int id;
  MsgButtons buttons;
  MsgIcon icon;
  std::u16string details{};
};

// Records every message box; answers from a script, then with `fallback`.
class RecordingPrompter : public Prompter {
 public:
  MsgAnswer ShowMessage(int id, MsgButtons buttons, MsgIcon icon) override {
    shown.push_back({id, buttons, icon});
    if (onShow) onShow(id);
    if (!answers.empty()) {
      MsgAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return fallback;
  }
  MsgAnswer ShowText(std::u16string_view, MsgButtons, MsgIcon) override { return fallback; }
  MsgAnswer ShowMessageWithDetails(int id, std::u16string_view details, MsgButtons buttons,
                                   MsgIcon icon) override {
    const MsgAnswer answer = ShowMessage(id, buttons, icon);
    shown.back().details = details;
    return answer;
  }

  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const ShownMessage& m : shown) ids.push_back(m.id);
    return ids;
  }

  std::vector<ShownMessage> shown;
  std::deque<MsgAnswer> answers;
  MsgAnswer fallback = MsgAnswer::Cancel;
  std::function<void(int)> onShow;
};

class RecordingStatus : public StatusLine {
 public:
  void SetStatus(TransferOutcome outcome) override { texts.emplace_back(StatusText(outcome)); }
  std::vector<std::u16string> texts;
};

// Opens a port on `path` with the controller's line settings.
inline std::unique_ptr<SerialPort> OpenPort(const std::string& path) {
  auto port = MakeSerialPort();
  if (!port->Open(path)) return nullptr;
  port->Configure(PortSettings{}, PortTimeouts{});
  return port;
}

// A simulated controller without pacing and a link already on its port.
class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    auto port = OpenPort(sim.SlavePath());
    ASSERT_NE(port, nullptr);
    link.SetPort(std::move(port));
  }

  // The request frames the controller saw with this command byte.
  std::vector<std::vector<std::uint8_t>> RequestsWith(std::uint8_t command) const {
    std::vector<std::vector<std::uint8_t>> found;
    for (auto& request : sim.Requests()) {
      if (request[0] == command) found.push_back(request);
    }
    return found;
  }

  sim::Simulator sim{sim::Options{.pacing = false}};
  ControllerLink link;
};

}  // namespace tarn::testing
