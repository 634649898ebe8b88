#include "app/main_dlg.h"

#include <array>

#include "app/connect_commands.h"
#include "app/live_commands.h"
#include "app/scan_prompter.h"
#include "app/transfer_commands.h"
#include "link/port_list.h"
#include "model/definition_loader.h"
#include "live/connection_text.h"
#include "monitor/monitor_page.h"
#include "pages/parameter_pages.h"

namespace tarn {

namespace {

struct Caption {
  int id;
  std::u16string_view text;
};

// The run-time captions, in the order they are set.
constexpr std::array<Caption, 8> kCaptions = {{
    {kIdVehicle, u"Vehicle"},
    {kIdControl, u"Control"},
    {kIdMotor, u"Motor"},
    {kIdCom, u"COM"},
    {kIdRead, u"Read"},
    {kIdWrite, u"Write"},
    {kIdMonitor, u"Monitor"},
    {kIdQuit, u"Quit"},
}};

bool IsButtonRangeId(int id) {
  return id >= kIdVehicle && id <= kIdWrite;
}

bool IsSavingPage(int key) {
  return key == kPageVehicle || key == kPageControl || key == kPageMotor || key == kPageCom;
}

}  // namespace

CQelmUserAppDlg::CQelmUserAppDlg(ui::Host& host, Session& session)
    : ui::Dialog(host, kTemplateMain), session_(session) {}

CQelmUserAppDlg::~CQelmUserAppDlg() {
  watch_.reset();
  alive_.reset();
  DestroyPages();
}

void CQelmUserAppDlg::SetCaptions() {
  for (const Caption& caption : kCaptions) {
    SetText(caption.id, caption.text);
  }
}

void CQelmUserAppDlg::OnInitDialog() {
  SetCaptions();
  SetBold(kIdStatus, true);
  ScanPrompter scanPrompter(host());
  Connection connection(session_.link, scanPrompter);
  scanPrompter.Watch(connection);
  session_.connected = connection.ConnectWithRetry();
  if (!session_.connected) {
    EndDialog(ui::kIdCancel);
    return;
  }
  port_ = connection.connectedPort;
  // The pages sit where the hidden frame control marks the page area.
  if (const ui::ControlTemplate* frame = Template().Find(kIdPageFrame)) {
    pageRect_ = {frame->x, frame->y, frame->cx, frame->cy};
  }
  AddPages();
  files_.EnableCommands();
  if (monitor_ != nullptr) {
    live_ = std::make_unique<LiveCommands>(*this, *monitor_, session_.defs, monitor_->Live());
  }
  OnButtonRange(kIdRead);
  if (!session_.flags.imageRead) {
    EndDialog(ui::kIdCancel);
    return;
  }
  session_.definitionsLoaded = loadDefinitions();
  if (session_.definitionsLoaded) {
    StartWatch();
    OnButtonRange(kIdVehicle);
  } else {
    EndDialog(ui::kIdCancel);
  }
}

void CQelmUserAppDlg::AddPages() {
  AddPage(std::make_unique<CVehicleDlg>(host(), session_));
  AddPage(std::make_unique<CControlDlg>(host(), session_));
  AddPage(std::make_unique<CMotorDlg>(host(), session_));
  AddPage(std::make_unique<CMonitor1Dlg>(host(), session_));
  AddPage(std::make_unique<CCOMDlg>(host(), session_));
}

void CQelmUserAppDlg::AddPage(std::unique_ptr<ui::Dialog> page) {
  PageEntry entry;
  entry.parameters = dynamic_cast<ParameterPage*>(page.get());
  page->SetOwner(this);
  if (auto* monitor = dynamic_cast<CMonitor1Dlg*>(page.get())) {
    monitor_ = monitor;
  }
  host().CreateChild(*page, *this, pageRect_);
  page->Show(false);
  entry.key = ++pageCount_;
  entry.page = std::move(page);
  pages_.push_back(std::move(entry));
}

ui::Dialog* CQelmUserAppDlg::Page(int key) const {
  for (const PageEntry& entry : pages_) {
    if (entry.key == key) {
      return entry.page.get();
    }
  }
  return nullptr;
}

void CQelmUserAppDlg::ShowPage(int key) {
  for (PageEntry& entry : pages_) {
    if (entry.key == key) {
      entry.page->Show(true);
    }
  }
}

// Hiding makes a parameter page store its values and the monitor stop polling.
void CQelmUserAppDlg::HidePages() {
  for (PageEntry& entry : pages_) {
    entry.page->Show(false);
  }
  currentPage_ = kPageNone;
}

bool CQelmUserAppDlg::PageRefusedSave(int key) const {
  if (!IsSavingPage(key)) {
    return false;
  }
  for (const PageEntry& entry : pages_) {
    if (entry.key == key && entry.parameters != nullptr && !entry.parameters->pageSaved()) {
      return true;
    }
  }
  return false;
}

void CQelmUserAppDlg::EnableTransfers(bool enable) {
  EnableControl(kIdRead, enable);
  EnableControl(kIdWrite, enable);
}

void CQelmUserAppDlg::OnCommand(int id) {
  if (IsButtonRangeId(id)) {
    OnButtonRange(id);
  } else if (FileCommands::Handles(id)) {
    files_.OnCommand(id);
  } else if (HistoryCommands::Handles(id)) {
    history_.OnCommand(id);
  } else if (live_ == nullptr || !live_->OnCommand(id)) {
    ui::Dialog::OnCommand(id);
  }
}

void CQelmUserAppDlg::OnButtonRange(int id) {
  if (id == kIdRead) {
    OnRead();
    return;
  }
  if (!session_.flags.imageRead) {
    return;
  }
  const int page = id - kPageButtonBase;
  const int old = currentPage_;
  // The monitor skips the save check: it shows live data, not the image.
  if (id == kIdMonitor && currentPage_ != kPageMonitor) {
    HidePages();
    currentPage_ = kPageMonitor;
    ShowPage(kPageMonitor);
    EnableTransfers(false);
    return;
  }
  if (page == currentPage_) {
    return;
  }
  if (session_.definitionsLoaded) {
    HidePages();
  }
  // A page that refused a value stays, and the command is dropped.
  if (PageRefusedSave(old)) {
    currentPage_ = old;
    ShowPage(old);
    EnableTransfers(true);
    return;
  }
  if (id == kIdWrite) {
    OnWrite();
    return;
  }
  ShowChosenPage(page);
}

void CQelmUserAppDlg::ShowChosenPage(int page) {
  currentPage_ = page;
  ShowPage(page);
  EnableTransfers(true);
}

namespace {

// Takes the outcome ReadCommand reports: the main window shows its own once
// it knows whether it takes the image.
class UnshownStatus final : public StatusLine {
 public:
  void SetStatus(TransferOutcome) override {}
};

}  // namespace

// The image is read into a copy and taken only when the whole Read
// succeeded and fits the loaded definitions. A Read that failed leaves the
// image, what the controller was last known to hold (so the unwritten marks)
// and imageRead as they were: after an earlier good Read the session goes on
// with that image, its typed edits still unwritten, and the page that was
// shown comes back.
void CQelmUserAppDlg::OnRead() {
  const int shown = currentPage_;
  if (session_.definitionsLoaded) {
    HidePages();
  }
  if ((session_.link.PortGone() || readRequired_) && !Reconnect()) {
    ReturnToPage(shown);
    return;
  }
  ParameterImage fresh = session_.image;
  TransferFlags read;
  UnshownStatus unshown;
  ReadCommand(session_.link, fresh, read, host(), unshown);
  bool taken = read.imageRead;
  if (taken && session_.definitionsLoaded && !ReadFitsDefinitions(fresh)) {
    // Another kind of controller: nothing may be edited or written until
    // one that fits the definitions is read.
    session_.flags.imageRead = false;
    taken = false;
  }
  if (taken) {
    session_.image = fresh;
    session_.flags.imageRead = true;
  }
  SetStatus(taken ? TransferOutcome::ReadSuccess : TransferOutcome::ReadFailure);
  if (taken && session_.definitionsLoaded) {
    RefreshVoltageRanges(session_.image, session_.defs);
    readRequired_ = false;
    ExpectController();
  }
  files_.EnableCommands();
  // Only an image read whole goes into the journal; a failed Read keeps the
  // one before, which is already there.
  if (taken) {
    history_.OnRead();
  } else {
    history_.EnableCommands();
  }
  if (!session_.flags.imageRead || !session_.definitionsLoaded) {
    return;
  }
  if (taken) {
    OnButtonRange(kIdVehicle);
  } else {
    ReturnToPage(shown);
  }
}

// The definitions are chosen once, at start-up. An image from a controller
// they do not fit would be shown and written through the wrong rows, so such
// a read is refused with the message the loader would have shown.
bool CQelmUserAppDlg::ReadFitsDefinitions(const ParameterImage& image) {
  int textId = 0;
  const LoadResult result = ChoosePageText(image, &textId);
  if (result == LoadResult::Loaded && textId == session_.defs.pageTextId) {
    return true;
  }
  const int message = result == LoadResult::Loaded ? kMsgOldVersion : RefusalMessageId(result);
  host().ShowMessage(message, MsgButtons::Ok, MsgIcon::Exclamation);
  return false;
}

void CQelmUserAppDlg::OnWrite() {
  if (readRequired_) {
    host().ShowText(kReadBeforeWriteMessage, MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  writeFailed_ = false;
  // The journal's watch hands every status on to this window.
  HistoryCommands::WriteWatch watch = history_.BeginWrite(*this);
  WriteCommand(session_.link, session_.image, session_.flags, host(), watch);
  watch.Finish();
  // Blocks went out before the failure: the controller may hold some of the
  // new image and some of the old. The image here and its unwritten marks
  // are kept, so the same Write can be made once the controller is back.
  if (writeFailed_) {
    host().ShowText(kPartlyWrittenMessage, MsgButtons::Ok, MsgIcon::Exclamation);
  }
}

void CQelmUserAppDlg::StartWatch() {
  watch_ = std::make_unique<LinkWatch>(session_.link);
  ExpectController();
  watch_->Start([this, alive = std::weak_ptr<int>(alive_)](LinkWatch::Event event,
                                                           const std::string& port) {
    host().PostToUi([this, alive, event, port] {
      if (alive.lock()) OnLinkEvent(event, port);
    });
  });
}

void CQelmUserAppDlg::ExpectController() {
  if (watch_ != nullptr) {
    watch_->Expect(port_, StableNameOf(port_), ControllerIdentity::Of(session_.image));
  }
}

bool CQelmUserAppDlg::Reconnect() {
  if (watch_ != nullptr) watch_->Pause();
  // The old port, if it is still open, is closed first, so the scan may take it.
  session_.link.SetPort(nullptr);
  Connection connection(session_.link, host());
  session_.connected = connection.ConnectWithRetry();
  if (session_.connected) port_ = connection.connectedPort;
  if (watch_ != nullptr) watch_->Resume();
  if (!session_.connected) {
    SetStatus(TransferOutcome::ReadFailure);
    return false;
  }
  SetStatusBarText(kConnectionRestored);
  return true;
}

void CQelmUserAppDlg::OnLinkEvent(LinkWatch::Event event, const std::string& port) {
  switch (event) {
    case LinkWatch::Event::Lost:
      SetStatusBarText(ConnectionLostText(port));
      // The last transfer's outcome says nothing about a link that is gone.
      SetText(kIdStatus, u"Connection lost");
      statusGood_ = false;
      InvalidateColor(kIdStatus);
      break;
    case LinkWatch::Event::Restored:
      SetStatusBarText(kConnectionRestored);
      SetText(kIdStatus, u"");
      break;
    case LinkWatch::Event::Other:
      readRequired_ = true;
      SetStatusBarText(OtherControllerText(port));
      host().ShowText(OtherControllerMessage(port), MsgButtons::Ok, MsgIcon::Exclamation);
      break;
  }
}

bool CQelmUserAppDlg::loadDefinitions() {
  // The COM button follows the hardware code even for a controller refused below.
  ShowControl(kIdCom, ComPageOffered(session_.image));
  const LoadResult result = LoadDefinitionSet(session_.image, session_.defs);
  if (result != LoadResult::Loaded) {
    host().ShowMessage(RefusalMessageId(result), MsgButtons::Ok, MsgIcon::Exclamation);
    return false;
  }
  return true;
}

bool CQelmUserAppDlg::StoreShownPage(int* shown) {
  *shown = currentPage_;
  HidePages();
  if (PageRefusedSave(*shown)) {
    ReturnToPage(*shown);
    return false;
  }
  return true;
}

void CQelmUserAppDlg::ReturnToPage(int key) {
  if (key != kPageNone) {
    currentPage_ = key;
    ShowPage(key);
  }
}

void CQelmUserAppDlg::SetStatus(TransferOutcome outcome) {
  if (outcome == TransferOutcome::WriteFailure) writeFailed_ = true;
  files_.OnTransfer(outcome);
  SetText(kIdStatus, StatusText(outcome));
  statusGood_ = Succeeded(outcome);
  InvalidateColor(kIdStatus);
}

std::optional<ui::Rgb> CQelmUserAppDlg::TextColor(int id) const {
  if (id == kIdStatus) {
    return statusGood_ ? ui::kGreen : ui::kRed;
  }
  return std::nullopt;
}

void CQelmUserAppDlg::OnClose() {
  const int remembered = currentPage_;
  HidePages();
  const MsgAnswer answer =
      host().ShowMessage(kMsgQuitQuestion, MsgButtons::OkCancel, MsgIcon::Question);
  if (answer != MsgAnswer::Ok || !files_.ConfirmQuit()) {
    currentPage_ = remembered;
    ShowPage(remembered);
    return;
  }
  EndWithPagesHidden(ui::kIdCancel);
}

// Quit, Esc and the hidden OK button end the window at once, Quit and Esc
// after one more question when values are not yet written. The pages are
// hidden first, so the monitor's poll has stopped before anything is torn down.
void CQelmUserAppDlg::OnOk() {
  EndWithPagesHidden(ui::kIdOk);
}
void CQelmUserAppDlg::OnCancel() {
  if (files_.ConfirmQuit()) {
    EndWithPagesHidden(ui::kIdCancel);
  }
}

void CQelmUserAppDlg::EndWithPagesHidden(int result) {
  HidePages();
  EndDialog(result);
}

void CQelmUserAppDlg::DestroyPages() {
  live_.reset();  // its windows read the monitor page's feed
  if (monitor_ != nullptr) {
    monitor_->StopPolling();
  }
  HidePages();
  for (PageEntry& entry : pages_) {
    host().DestroyChild(*entry.page);
    entry.page.reset();
  }
  pages_.clear();
  monitor_ = nullptr;
}

}  // namespace tarn
