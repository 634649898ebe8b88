#include "app/history_commands.h"

#include <utility>

#include "app/main_dlg.h"
#include "model/image_compare.h"
#include "model/image_file.h"
#include "model/service_file.h"
#include "resources/embedded.h"

namespace tarn {

namespace {

// Columns of the two lists, in dialog units.
constexpr int kIdColumnWidth = 24;
constexpr int kTimeColumnWidth = 84;
constexpr int kKindColumnWidth = 30;
constexpr int kSerialColumnWidth = 46;
constexpr int kUserColumnWidth = 60;
constexpr int kCountColumnWidth = 36;
constexpr int kResultColumnWidth = 150;
constexpr int kPageColumnWidth = 46;
constexpr int kLabelColumnWidth = 150;
constexpr int kValueColumnWidth = 110;

const ui::FileType kImageFiles = {u"Image files (*.bin)", u"*.bin"};
const ui::FileType kAllFiles = {u"All files (*)", u"*"};

std::u16string Text(int id) {
  return res::String(id);
}

std::u16string Wide(const std::string& utf8) {
  return res::DecodeUtf8(utf8);
}

std::u16string Number(std::int64_t value) {
  return Wide(std::to_string(value));
}

std::u16string ResultText(const journal::EntrySummary& entry) {
  std::u16string text = !entry.success ? u"failed"
                        : !entry.verified ? u"ok"
                        : *entry.verified ? u"verified"
                                          : u"verify failed";
  if (!entry.note.empty()) text += u" (" + Wide(entry.note) + u")";
  return text;
}

ui::ListRow EntryRow(const journal::EntrySummary& entry) {
  ui::ListRow row;
  const bool changes = entry.kind != journal::EntryKind::Read;
  row.cells = {Number(entry.id),
               Wide(entry.time),
               Wide(KindName(entry.kind)),
               Wide(entry.controller.serialNumber),
               Wide(entry.user),
               changes ? Number(entry.changeCount) : std::u16string(),
               ResultText(entry)};
  if (!entry.success) row.color = ui::kRed;
  return row;
}

// The comparison window of Load from file, with a journal entry in the place
// of the file.
class CJournalCompareDlg final : public CCompareDlg {
 public:
  CJournalCompareDlg(ui::Host& host, std::vector<Difference> differences,
                     const journal::EntrySummary& entry)
      : CCompareDlg(host, std::move(differences), Number(entry.id)), entry_(entry) {}

  void OnInitDialog() override {
    CCompareDlg::OnInitDialog();
    SetText(kIdCompareHeading, FormatMessage(Text(kMsgJournalCompareHeading),
                                             {Number(entry_.id), Wide(entry_.time)}));
    std::vector<ui::ListColumn> columns = List(kIdCompareList).columns;
    if (columns.size() > 3) columns[3].title = u"In journal";
    SetListColumns(kIdCompareList, std::move(columns));
  }

 private:
  journal::EntrySummary entry_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The history window.

CHistoryDlg::CHistoryDlg(ui::Host& host, journal::Journal* journal, std::string offReason,
                         std::string connectedSerial)
    : ui::Dialog(host, kTemplateHistory),
      journal_(journal),
      offReason_(std::move(offReason)),
      connectedSerial_(std::move(connectedSerial)) {}

void CHistoryDlg::OnInitDialog() {
  SetListColumns(kIdHistoryEntries, {{u"Entry", kIdColumnWidth},
                                     {u"Time (UTC)", kTimeColumnWidth},
                                     {u"Kind", kKindColumnWidth},
                                     {u"Serial", kSerialColumnWidth},
                                     {u"User", kUserColumnWidth},
                                     {u"Changes", kCountColumnWidth},
                                     {u"Result", kResultColumnWidth}});
  SetListColumns(kIdHistoryChanges, {{u"Page", kPageColumnWidth},
                                     {u"Label", kLabelColumnWidth},
                                     {u"Before", kValueColumnWidth},
                                     {u"After", kValueColumnWidth}});
  SetText(kIdHistorySerial, Wide(connectedSerial_));
  SetCheck(kIdHistoryFilter,
           connectedSerial_.empty() ? ui::CheckState::Unchecked : ui::CheckState::Checked);
  Refill();
}

void CHistoryDlg::OnCommand(int id) {
  if (id == kIdHistoryFilter) {
    Refill();
  } else if (id == kIdHistoryRestore && selected_ && selected_->before) {
    chosen_ = selected_->before;
    EndDialog(kIdHistoryRestore);
  } else if (id == kIdHistoryLoad && selected_ && selected_->image) {
    chosen_ = selected_->image;
    EndDialog(kIdHistoryLoad);
  } else if (id == kIdHistoryExport) {
    ExportImage();
  } else {
    ui::Dialog::OnCommand(id);
  }
}

void CHistoryDlg::OnEditChange(int id) {
  if (id == kIdHistorySerial && GetCheck(kIdHistoryFilter) == ui::CheckState::Checked) Refill();
}

void CHistoryDlg::Refill() {
  entries_.clear();
  if (journal_ == nullptr) {
    SetText(kIdHistoryInfo, Wide(offReason_));
  } else {
    std::optional<std::string> serial;
    if (GetCheck(kIdHistoryFilter) == ui::CheckState::Checked) {
      serial = res::EncodeUtf8(GetText(kIdHistorySerial));
    }
    std::string error;
    if (auto listed = journal_->List(serial, &error)) {
      entries_ = std::move(*listed);
      SetText(kIdHistoryInfo, u"Entries: " + Number(static_cast<std::int64_t>(entries_.size())));
    } else {
      SetText(kIdHistoryInfo, Wide(error));
    }
  }
  std::vector<ui::ListRow> rows;
  rows.reserve(entries_.size());
  for (const journal::EntrySummary& entry : entries_) rows.push_back(EntryRow(entry));
  SetListRows(kIdHistoryEntries, std::move(rows));
  Select(std::nullopt);
}

void CHistoryDlg::OnListCheck(int id, std::size_t row) {
  if (id != kIdHistoryEntries || row >= entries_.size()) return;
  const bool ticked = List(id).rows[row].check == ui::CheckState::Checked;
  Select(ticked ? std::optional(row) : std::nullopt);
}

// One entry at a time: ticking one unticks the others.
void CHistoryDlg::Select(std::optional<std::size_t> row) {
  const std::size_t rows = List(kIdHistoryEntries).rows.size();
  for (std::size_t i = 0; i < rows; ++i) {
    SetListCheck(kIdHistoryEntries, i,
                 row == i ? ui::CheckState::Checked : ui::CheckState::Unchecked);
  }
  selected_.reset();
  std::string error;
  if (row && journal_ != nullptr) selected_ = journal_->Load(entries_[*row].id, &error);
  std::vector<ui::ListRow> changes;
  if (selected_) {
    for (const journal::ChangedValue& change : selected_->changes) {
      ui::ListRow line;
      line.cells = {Wide(change.page), Wide(change.label), Wide(change.before), Wide(change.after)};
      changes.push_back(std::move(line));
    }
  }
  SetListRows(kIdHistoryChanges, std::move(changes));
  std::u16string heading;
  if (selected_) {
    const journal::EntrySummary& e = selected_->summary;
    heading = u"Entry " + Number(e.id) + u": " + Wide(KindName(e.kind)) + u" by " +
              Wide(e.user) + u" on " + Wide(e.host) + u", " + Wide(e.controller.moduleName) +
              u" " + Wide(e.controller.serialNumber) + u", changed values: " +
              Number(static_cast<std::int64_t>(selected_->changes.size()));
  } else if (row) {
    heading = Wide(error);
  }
  SetText(kIdHistoryChangesHeading, heading);
  const bool hasBefore = selected_ && selected_->summary.kind != journal::EntryKind::Read &&
                         selected_->before.has_value();
  EnableControl(kIdHistoryRestore, hasBefore);
  EnableControl(kIdHistoryLoad, selected_ && selected_->image.has_value());
  EnableControl(kIdHistoryExport, selected_ && selected_->image.has_value());
}

void CHistoryDlg::ExportImage() {
  if (!selected_ || !selected_->image) return;
  const journal::EntrySummary& e = selected_->summary;
  const std::u16string proposed = Wide(e.controller.moduleName + "_" + e.controller.serialNumber +
                                       "_entry" + std::to_string(e.id) + ".bin");
  const auto path =
      host().AskFileToSave({u"Export image", proposed, {kImageFiles, kAllFiles}, u"bin"});
  if (!path) return;
  std::string error;
  if (!WriteFileAtomically(Utf8Of(*path), selected_->image->bytes, &error)) {
    host().ShowMessageWithDetails(kMsgFileWriteFailed, Wide(error), MsgButtons::Ok,
                                  MsgIcon::Exclamation);
    return;
  }
  SetText(kIdHistoryInfo, FormatMessage(Text(kMsgImageSaved), {path->u16string()}));
}

// ---------------------------------------------------------------------------
// The commands.

HistoryCommands::HistoryCommands(CQelmUserAppDlg& window, Session& session)
    : window_(window), session_(session) {
  // A journal that is off says so once, and service work goes on.
  journal_ = std::make_shared<journal::ServiceJournal>([this](const std::string& text) {
    offReason_ = text;
    host().ShowText(Wide(text), MsgButtons::Ok, MsgIcon::Exclamation);
  });
}

HistoryCommands::~HistoryCommands() = default;

ui::Host& HistoryCommands::host() const {
  return window_.host();
}

void HistoryCommands::EnableCommands() {
  window_.EnableMenuItem(kIdMenuServiceHistory, session_.flags.imageRead);
}

void HistoryCommands::OnRead() {
  EnableCommands();
  if (!session_.flags.imageRead) return;
  journal_->NoteRead(session_.image);
  std::weak_ptr<journal::ServiceJournal> weak = journal_;
  host().PostToUi([weak] {
    if (auto journal = weak.lock()) journal->Flush();
  });
}

HistoryCommands::WriteWatch HistoryCommands::BeginWrite(StatusLine& status) {
  // The image the write replaces is what the controller held after the last
  // Read or Write of this run.
  const std::optional<ParameterImage> before =
      session_.flags.imageRead ? std::optional(session_.controllerImage) : std::nullopt;
  const std::int64_t id = journal_->BeginWrite(journal::EntryKind::Write, before, session_.image,
                                               session_.definitionsLoaded ? &session_.defs
                                                                          : nullptr);
  return WriteWatch(*this, status, id);
}

void HistoryCommands::WriteWatch::SetStatus(TransferOutcome outcome) {
  outcome_ = outcome;
  status_.SetStatus(outcome);
}

void HistoryCommands::WriteWatch::Finish() {
  journal::ServiceJournal& journal = *commands_.journal_;
  if (!outcome_) {
    journal.FinishWrite(id_, false, std::nullopt,
                        "nothing written: the controller's module name was not confirmed");
  } else if (*outcome_ == TransferOutcome::WriteSuccess) {
    journal.FinishWrite(id_, true, std::nullopt, "");
  } else {
    journal.FinishWrite(id_, false, std::nullopt,
                        "write failed: the controller may hold a partly written image");
  }
}

void HistoryCommands::OnCommand(int id) {
  if (id == kIdMenuServiceHistory && session_.flags.imageRead && session_.definitionsLoaded) {
    ShowHistory();
  }
}

// The shown page is stored before the comparison and filled again after it,
// as Load from file does.
void HistoryCommands::ShowHistory() {
  int shown = kPageNone;
  if (!window_.StoreShownPage(&shown)) return;
  journal::Journal* opened = journal_->Get();
  CHistoryDlg history(host(), opened, offReason_, journal::ControllerOf(session_.image).serialNumber);
  const int result = host().RunModal(history);
  if ((result == kIdHistoryRestore || result == kIdHistoryLoad) && history.chosenImage() &&
      history.selected()) {
    TakeValues(*history.chosenImage(), history.selected()->summary);
  }
  window_.ReturnToPage(shown);
}

void HistoryCommands::TakeValues(const ParameterImage& other,
                                 const journal::EntrySummary& entry) {
  ParameterImage fitting;
  if (const FileFit fit = CheckImageFile(other.bytes, session_.defs, &fitting);
      fit != FileFit::Fits) {
    host().ShowMessage(FileRefusalMessage(fit), MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  std::vector<Difference> differences = CompareImages(session_.defs, session_.image, fitting);
  if (differences.empty()) {
    host().ShowMessage(kMsgJournalNoDifference, MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  CJournalCompareDlg compare(host(), std::move(differences), entry);
  if (host().RunModal(compare) != ui::kIdOk) return;
  const int taken = ApplyDifferences(compare.Chosen(), fitting, session_.image);
  window_.SetStatusBarText(FormatMessage(
      Text(kMsgJournalValuesTaken), {Number(taken), Number(entry.id)}));
}

}  // namespace tarn
