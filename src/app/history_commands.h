// File > Service history and what feeds it: every accepted Read and every
// Write of the main window goes into the service journal, and the history
// window shows a controller's entries, the values a write changed, and takes
// an entry's image (or the one a write replaced) through the comparison
// window, so nothing reaches the controller until Write.
//
// Threading: UI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/file_commands.h"
#include "app/session.h"
#include "app/status.h"
#include "journal/service_journal.h"
#include "ui/control_ids.h"
#include "ui/dialog.h"
#include "ui/host.h"
#include "ui/prompter.h"

namespace tarn {

class CQelmUserAppDlg;

// String-table ids of its messages.
// 230, the journal is off: shown by the journal's notice (OK, exclamation).
inline constexpr int kMsgJournalCompareHeading = 231;  // %1 entry, %2 time
inline constexpr int kMsgJournalValuesTaken = 232;   // status bar: %1 values, %2 entry
inline constexpr int kMsgJournalNoDifference = 233;  // OK, exclamation

// The history window. Ticking an entry selects it (one at a time): its
// changed values are listed and the buttons apply to it. Restore and Load end
// the window with their id; chosenImage() is then the image to compare.
class CHistoryDlg : public ui::Dialog {
 public:
  CHistoryDlg(ui::Host& host, journal::Journal* journal, std::string offReason,
              std::string connectedSerial);

  void OnInitDialog() override;
  void OnCommand(int id) override;
  void OnEditChange(int id) override;
  void OnListCheck(int id, std::size_t row) override;

  const std::vector<journal::EntrySummary>& entries() const { return entries_; }
  const std::optional<journal::Entry>& selected() const { return selected_; }
  const std::optional<ParameterImage>& chosenImage() const { return chosen_; }

 private:
  void Refill();
  void Select(std::optional<std::size_t> row);
  void ExportImage();

  journal::Journal* journal_;
  std::string offReason_;
  std::string connectedSerial_;
  std::vector<journal::EntrySummary> entries_;
  std::optional<journal::Entry> selected_;
  std::optional<ParameterImage> chosen_;
};

class HistoryCommands {
 public:
  HistoryCommands(CQelmUserAppDlg& window, Session& session);
  ~HistoryCommands();

  static bool Handles(int id) { return id == kIdMenuServiceHistory; }
  void OnCommand(int id);
  void EnableCommands();

  // An accepted Read: entered once the UI thread is free, so that opening
  // the journal is never on the way to the first page.
  void OnRead();

  // Watches one WriteCommand: enters the write before the first block goes
  // out and its outcome when Finish is called. Pass it as the status line;
  // it hands every status on to the window.
  class WriteWatch final : public StatusLine {
   public:
    void SetStatus(TransferOutcome outcome) override;
    void Finish();

   private:
    friend class HistoryCommands;
    WriteWatch(HistoryCommands& commands, StatusLine& status, std::int64_t id)
        : commands_(commands), status_(status), id_(id) {}
    HistoryCommands& commands_;
    StatusLine& status_;
    std::int64_t id_;
    std::optional<TransferOutcome> outcome_;
  };
  WriteWatch BeginWrite(StatusLine& status);

  journal::ServiceJournal& journal() { return *journal_; }

 private:
  ui::Host& host() const;
  void ShowHistory();
  void TakeValues(const ParameterImage& other, const journal::EntrySummary& entry);

  CQelmUserAppDlg& window_;
  Session& session_;
  // Shared with the flushes posted to the UI thread, which may outlive the
  // window.
  std::shared_ptr<journal::ServiceJournal> journal_;
  std::string offReason_;
};

}  // namespace tarn
