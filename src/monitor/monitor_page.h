// The monitor page: live data polled five times a second while it is shown.
//
// Threading: the public members are for the UI thread. The poll (LivePoll)
// runs on its timer thread and uses only the link, whose exchanges lock; it
// posts each tick's sample to the UI thread with Host::PostToUi, where the
// page shows it and passes it on to its LiveFeed.
#pragma once

#include <memory>
#include <optional>

#include "app/session.h"
#include "live/live_feed.h"
#include "live/live_sample.h"
#include "ui/control_ids.h"
#include "ui/dialog.h"
#include "ui/host.h"

namespace tarn {

class CMonitor1Dlg : public ui::Dialog {
 public:
  CMonitor1Dlg(ui::Host& host, Session& session);
  ~CMonitor1Dlg() override;

  void OnShowWindow(bool show) override;
  void OnEditFocus(int id) override;
  std::optional<ui::Rgb> TextColor(int id) const override;

  // Stops the poll and returns once no tick is running. Safe to call twice.
  void StopPolling();

  // The recording, the error history and the chart series, fed by every
  // poll while the page is shown and kept while it is hidden.
  LiveFeed& Live();

 private:
  struct Impl;

  void SetUpSlots();
  // On the UI thread: the slots' texts and the status box from one tick's
  // sample, then the sample to the feed.
  void OnSample(const LiveSample& sample);
  void ShowValues(const LiveSample& sample);
  void ShowStatus(bool success);

  Session& session_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarn
