// The monitor page: live data polled five times a second while it is shown.
//
// Threading: the public members are for the UI thread. The poll runs on the
// page's timer thread; it uses only the link (whose exchanges lock) and the
// definitions (read-only after start-up), and hands every control update to
// the UI thread with Host::PostToUi.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>

#include "link/session.h"
#include "ui/dialog.h"
#include "ui/host.h"

namespace tarn {

inline constexpr int kTemplateMonitor = 110;

class CMonitor1Dlg : public ui::Dialog {
 public:
  CMonitor1Dlg(ui::Host& host, Session& session);
  ~CMonitor1Dlg() override;

  void OnShowWindow(bool show) override;
  void OnEditFocus(int id) override;
  std::optional<ui::Rgb> TextColor(int id) const override;

  // Stops the poll and returns once no tick is running. Safe to call twice.
  void StopPolling();

 private:
  struct Impl;
  struct Update;
  enum class ThirdResult { Accepted, Refused, Stopped };

  void SetUpSlots();
  // The tick, on the timer thread: three exchanges, then the texts.
  void MonitorPoll(std::stop_token stop);
  ThirdResult PollThird(std::uint8_t command, std::size_t third, bool checkCommand,
                        std::stop_token stop);
  void BuildTexts(Update* update);
  void ApplyUpdate(const Update& update);

  Session& session_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarn
