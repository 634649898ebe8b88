// The main window's Live menu: recording the monitor's polls to a CSV file,
// the live chart window and the error history window. All of them read the
// samples that the monitor page's poll already fetched (its LiveFeed), so
// none of them adds a byte on the line. The windows are modeless: they may
// stay open beside the main window while the user works in it.
//
// Threading: UI thread only. The monitor page hands every sample to its feed
// on the UI thread (posted by the poll through Host::PostToUi), and the feed
// calls the listeners here from there.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "model/definitions.h"
#include "live/live_feed.h"
#include "ui/control_ids.h"
#include "ui/dialog.h"
#include "ui/host.h"

namespace tarn {

// Messages of the recording (string table).
inline constexpr int kMsgRecordingNotStarted = 190;  // OK, exclamation; details: why
inline constexpr int kMsgRecordingFailed = 191;      // OK, exclamation; details: why

// The live chart: tick up to four number items, see their last 60 seconds.
// The choice and the pause live in the feed's chart series, so a window
// opened again shows the same lines.
class CLiveChartDlg : public ui::Dialog {
 public:
  CLiveChartDlg(ui::Host& host, const DefinitionSet& defs, LiveFeed& feed);
  ~CLiveChartDlg() override;

  void OnInitDialog() override;
  void OnCommand(int id) override;
  void OnListCheck(int id, std::size_t row) override;

  // The monitor item (index into monitorItems) of each row of the list.
  const std::vector<int>& RowItems() const { return rowItems_; }

 private:
  void FillItems();
  void Choose(std::size_t row);
  void ShowChoice();
  void Redraw();

  const DefinitionSet& defs_;
  LiveFeed& feed_;
  std::vector<int> rowItems_;
  int listener_ = 0;
};

// Every error bit seen since the program started; the active ones in red.
class CErrorHistoryDlg : public ui::Dialog {
 public:
  CErrorHistoryDlg(ui::Host& host, const DefinitionSet& defs, LiveFeed& feed);
  ~CErrorHistoryDlg() override;

  void OnInitDialog() override;
  void OnCommand(int id) override;

 private:
  void Refill();

  const DefinitionSet& defs_;
  LiveFeed& feed_;
  int listener_ = 0;
};

class LiveCommands {
 public:
  // `window` is the main window: its menu and status bar. `monitor` is the
  // page whose poll feeds `feed`; both outlive this object.
  LiveCommands(ui::Dialog& window, const ui::Dialog& monitor, const DefinitionSet& defs,
               LiveFeed& feed);
  // Ends a recording and closes the windows.
  ~LiveCommands();
  LiveCommands(const LiveCommands&) = delete;
  LiveCommands& operator=(const LiveCommands&) = delete;

  // Carries out a Live menu command; false for any other id.
  bool OnCommand(int id);

  // The windows while they are open, else nullptr.
  CLiveChartDlg* Chart() const;
  CErrorHistoryDlg* History() const;

 private:
  void StartRecording();
  void StopRecording();
  void OnSample();
  void ShowRecordingState();
  template <typename Window>
  void Open(std::unique_ptr<Window>& window);

  ui::Dialog& window_;
  const ui::Dialog& monitor_;
  const DefinitionSet& defs_;
  LiveFeed& feed_;
  int listener_ = 0;
  bool recording_ = false;  // as last shown: a recording that failed ends unasked
  std::unique_ptr<CLiveChartDlg> chart_;
  std::unique_ptr<CErrorHistoryDlg> history_;
};

}  // namespace tarn
