// The main window: hosts the five pages in one page area, switches between
// them, runs Read and Write, shows the outcome on the status line and asks
// before it closes.
//
// Threading: UI thread only. The monitor page's poll runs only while that page
// is shown, and Read and Write are disabled then. The link watch (LinkWatch)
// runs on a thread of its own: while the port is gone it opens it again and
// posts what came of it here through the host.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "app/file_commands.h"
#include "app/history_commands.h"
#include "app/session.h"
#include "app/status.h"
#include "link/reconnect.h"
#include "ui/control_ids.h"
#include "ui/dialog.h"
#include "ui/host.h"
#include "ui/prompter.h"

namespace tarn {

class CMonitor1Dlg;
class LiveCommands;
class ParameterPage;

// PageId: a page button's id minus 1001.
inline constexpr int kPageButtonBase = 1001;
inline constexpr int kPageNone = 0;
inline constexpr int kPageVehicle = 1;
inline constexpr int kPageControl = 2;
inline constexpr int kPageMotor = 3;
inline constexpr int kPageMonitor = 4;
inline constexpr int kPageCom = 5;

class CQelmUserAppDlg : public ui::Dialog, public StatusLine {
 public:
  CQelmUserAppDlg(ui::Host& host, Session& session);
  // Stops the poll, hides every page and destroys the pages.
  ~CQelmUserAppDlg() override;

  void OnInitDialog() override;
  void OnCommand(int id) override;
  void OnOk() override;
  void OnCancel() override;
  void OnClose() override;
  std::optional<ui::Rgb> TextColor(int id) const override;

  // StatusLine: the outcome's text, green for a success and red otherwise.
  void SetStatus(TransferOutcome outcome) override;

  void AddPage(std::unique_ptr<ui::Dialog> page);
  void ShowPage(int key);
  void HidePages();
  void OnButtonRange(int id);
  bool loadDefinitions();

  int currentPage() const { return currentPage_; }
  int pageCount() const { return pageCount_; }
  const ui::RectDu& pageRect() const { return pageRect_; }
  // The page added with this key, or nullptr.
  ui::Dialog* Page(int key) const;

  // Hides the shown page, which stores its values as switching pages does,
  // and tells which page it was. False when the page refused a value: it is
  // shown again and the caller drops its command.
  bool StoreShownPage(int* shown);
  // Shows `key` again (kPageNone: nothing), filled from the image.
  void ReturnToPage(int key);

  // The link watch's news, on the UI thread: the status bar and the status
  // line follow the connection.
  void OnLinkEvent(LinkWatch::Event event, const std::string& port);
  // The port in use, and whether a Read must come before the next Write
  // because another controller answered on it.
  const std::string& connectedPort() const { return port_; }
  bool readRequired() const { return readRequired_; }

 private:
  struct PageEntry {
    int key = 0;
    std::unique_ptr<ui::Dialog> page;
    ParameterPage* parameters = nullptr;  // the same page when it saves on hiding
  };

  void SetCaptions();
  void AddPages();
  void OnRead();
  void OnWrite();
  void ShowChosenPage(int page);
  void EnableTransfers(bool enable);
  bool PageRefusedSave(int key) const;
  bool ReadFitsDefinitions(const ParameterImage& image);
  void EndWithPagesHidden(int result);
  void DestroyPages();
  void StartWatch();
  // The port name and controller the watch waits for, from the image read.
  void ExpectController();
  // A Read while the port is gone or held by another controller: the scan
  // the user asked for, as at start-up.
  bool Reconnect();

  Session& session_;
  ui::RectDu pageRect_;
  int pageCount_ = 0;
  int currentPage_ = kPageNone;
  std::vector<PageEntry> pages_;
  CMonitor1Dlg* monitor_ = nullptr;
  std::unique_ptr<LiveCommands> live_;  // the Live menu, once the pages exist
  bool statusGood_ = false;
  bool writeFailed_ = false;  // a Write ended in "Write failure!"
  bool readRequired_ = false;
  std::string port_;
  FileCommands files_{*this, session_};
  HistoryCommands history_{*this, session_};
  std::unique_ptr<LinkWatch> watch_;
  // Posted link events are handled only while this lives.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tarn
