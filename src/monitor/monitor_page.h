// The monitor page: live data polled five times a second while it is shown.
#pragma once

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
  Session& session_;
  Impl* impl_;
};

}  // namespace tarn
