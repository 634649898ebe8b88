#include "app/file_commands.h"

#include <array>
#include <utility>

#include "app/about_libraries.h"
#include "app/main_dlg.h"
#include "model/csv.h"
#include "model/image_file.h"
#include "model/parameter_export.h"
#include "model/service_file.h"
#include "pages/parameter_page.h"
#include "resources/embedded.h"
#include "tarn_version.h"

namespace tarn {

namespace {

constexpr std::array kFileCommandIds = {kIdMenuSaveImage, kIdMenuLoadFile, kIdMenuExportCsv};

// Columns of the comparison list, in dialog units.
constexpr int kPageColumnWidth = 46;
constexpr int kLabelColumnWidth = 130;
constexpr int kValueColumnWidth = 70;
constexpr int kNoteColumnWidth = 96;

const ui::FileType kImageFiles = {u"Image files (*.bin)", u"*.bin"};
const ui::FileType kCsvCommaFiles = {u"CSV files, comma-separated (*.csv)", u"*.csv"};
const ui::FileType kCsvSemicolonFiles = {u"CSV files, semicolon-separated (*.csv)", u"*.csv"};
constexpr std::size_t kSemicolonType = 1;
const ui::FileType kAllFiles = {u"All files (*)", u"*"};

std::u16string Text(int id) {
  return res::String(id);
}

std::u16string FileNameOf(const std::filesystem::path& path) {
  return path.filename().u16string();
}

// Why a row cannot be taken, as the list's last column says it.
std::u16string NoteOf(const Difference& difference) {
  switch (difference.taking) {
    case Taking::Identity:
      return Text(kNoteIdentity);
    case Taking::ReadOnly:
      return Text(kNoteReadOnly);
    case Taking::OutOfRange:
      return FormatMessage(Text(kNoteOutOfRange), {RangeText(*difference.row.def)});
    case Taking::Allowed:
      break;
  }
  return {};
}

ui::ListRow RowOf(const Difference& difference) {
  ui::ListRow row;
  row.cells = {std::u16string(PageName(difference.row.page)), difference.row.def->name,
               difference.controllerValue, difference.otherValue, NoteOf(difference)};
  row.checkable = difference.taking == Taking::Allowed;
  row.check = row.checkable ? ui::CheckState::Checked : ui::CheckState::Unchecked;
  if (difference.taking == Taking::OutOfRange) {
    row.color = ui::kRed;
  }
  return row;
}

std::u16string Ascii(std::string_view text) {
  return {text.begin(), text.end()};
}

}  // namespace

std::u16string FormatMessage(std::u16string text, const std::vector<std::u16string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string mark = u"%" + Ascii(std::to_string(i + 1));
    for (std::size_t at = text.find(mark); at != std::u16string::npos;
         at = text.find(mark, at + args[i].size())) {
      text.replace(at, mark.size(), args[i]);
    }
  }
  return text;
}

// ---------------------------------------------------------------------------
// The comparison window.

CCompareDlg::CCompareDlg(ui::Host& host, std::vector<Difference> differences,
                         std::u16string fileName)
    : ui::Dialog(host, kTemplateCompare),
      differences_(std::move(differences)),
      fileName_(std::move(fileName)) {}

void CCompareDlg::OnInitDialog() {
  SetText(kIdCompareHeading, FormatMessage(Text(kMsgCompareHeading), {fileName_}));
  SetListColumns(kIdCompareList, {{u"Page", kPageColumnWidth},
                                  {u"Label", kLabelColumnWidth},
                                  {u"In controller", kValueColumnWidth},
                                  {u"In file", kValueColumnWidth},
                                  {u"Note", kNoteColumnWidth}});
  std::vector<ui::ListRow> rows;
  rows.reserve(differences_.size());
  for (const Difference& difference : differences_) {
    rows.push_back(RowOf(difference));
  }
  SetListRows(kIdCompareList, std::move(rows));
}

std::vector<Difference> CCompareDlg::Chosen() const {
  std::vector<Difference> chosen;
  const std::vector<ui::ListRow>& rows = List(kIdCompareList).rows;
  for (std::size_t i = 0; i < rows.size() && i < differences_.size(); ++i) {
    if (rows[i].checkable && rows[i].check == ui::CheckState::Checked) {
      chosen.push_back(differences_[i]);
    }
  }
  return chosen;
}

void CAboutDlg::OnInitDialog() {
  SetText(kIdAboutProgram, std::u16string(res::kAppTitle) + u" " + Ascii(TARN_VERSION));
  SetText(kIdAboutBuild, u"Built " + Ascii(TARN_BUILD_DATE));
  SetText(kIdAboutLibraries, std::u16string(AboutLibraries()));
}

// ---------------------------------------------------------------------------
// The commands.

ui::Host& FileCommands::host() const {
  return window_.host();
}

bool FileCommands::Handles(int id) {
  return id == kIdMenuSaveImage || id == kIdMenuLoadFile || id == kIdMenuExportCsv ||
         id == kIdMenuAbout;
}

void FileCommands::OnCommand(int id) {
  if (id == kIdMenuAbout) {
    About();
    return;
  }
  if (!session_.flags.imageRead || !session_.definitionsLoaded) {
    return;
  }
  if (id == kIdMenuSaveImage) {
    SaveImage();
  } else if (id == kIdMenuLoadFile) {
    LoadFile();
  } else if (id == kIdMenuExportCsv) {
    ExportCsv();
  }
}

void FileCommands::EnableCommands() {
  for (const int id : kFileCommandIds) {
    window_.EnableMenuItem(id, session_.flags.imageRead);
  }
}

void FileCommands::OnTransfer(TransferOutcome outcome) {
  if (outcome == TransferOutcome::ReadSuccess || outcome == TransferOutcome::WriteSuccess) {
    session_.controllerImage = session_.image;
  }
}

bool FileCommands::HasUnwrittenChanges() const {
  if (!session_.flags.imageRead || !session_.definitionsLoaded) {
    return false;
  }
  if (!CompareImages(session_.defs, session_.controllerImage, session_.image).empty()) {
    return true;
  }
  // The shown page may hold typed values that it stores only when hidden.
  const auto* page = dynamic_cast<const ParameterPage*>(window_.Page(window_.currentPage()));
  if (page == nullptr || !page->IsShown()) {
    return false;
  }
  for (const ui::ControlTemplate& control : page->Template().controls) {
    if (control.id != ui::kNoId && page->Unwritten(control.id)) {
      return true;
    }
  }
  return false;
}

bool FileCommands::ConfirmQuit() {
  if (!HasUnwrittenChanges()) {
    return true;
  }
  return host().ShowMessage(kMsgQuitUnwritten, MsgButtons::YesNo, MsgIcon::Question) ==
         MsgAnswer::Yes;
}

bool FileCommands::WriteFile(const std::filesystem::path& path, const void* data,
                             std::size_t size) {
  std::string error;
  const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(data), size);
  if (!WriteFileAtomically(Utf8Of(path), bytes, &error)) {
    host().ShowMessageWithDetails(kMsgFileWriteFailed, res::DecodeUtf8(error), MsgButtons::Ok,
                                  MsgIcon::Exclamation);
    return false;
  }
  return true;
}

// The shown page is stored first, exactly as switching pages does; a refused
// value keeps its page and nothing is saved.
void FileCommands::SaveImage() {
  int shown = kPageNone;
  if (!window_.StoreShownPage(&shown)) {
    return;
  }
  window_.ReturnToPage(shown);
  const ui::FileRequest request{u"Save image as",
                                ProposedFileName(session_.image, LocalToday()),
                                {kImageFiles, kAllFiles},
                                u"bin"};
  const auto path = host().AskFileToSave(request);
  if (path && WriteFile(*path, session_.image.bytes.data(), session_.image.bytes.size())) {
    window_.SetStatusBarText(FormatMessage(Text(kMsgImageSaved), {path->u16string()}));
  }
}

void FileCommands::ExportCsv() {
  int shown = kPageNone;
  if (!window_.StoreShownPage(&shown)) {
    return;
  }
  window_.ReturnToPage(shown);
  const std::u16string proposed = ProposedFileName(session_.image, LocalToday());
  std::size_t chosenType = 0;
  const ui::FileRequest request{u"Export parameters as CSV",
                                proposed.substr(0, proposed.rfind(u'.')) + u".csv",
                                CsvFileTypes(), u"csv", &chosenType};
  const auto path = host().AskFileToSave(request);
  if (!path) {
    return;
  }
  const std::string csv = ExportParameters(session_.defs, session_.image, LocalToday(),
                                           CsvSeparatorOf(chosenType));
  if (WriteFile(*path, csv.data(), csv.size())) {
    window_.SetStatusBarText(FormatMessage(Text(kMsgParametersExported), {path->u16string()}));
  }
}

// The shown page is stored before the comparison and filled again after it,
// so the comparison sees what was typed and the page shows what was taken.
void FileCommands::LoadFile() {
  int shown = kPageNone;
  if (!window_.StoreShownPage(&shown)) {
    return;
  }
  const auto path =
      host().AskFileToOpen({u"Load from file", u"", {kImageFiles, kAllFiles}, u"bin"});
  if (path) {
    std::string error;
    const auto bytes = ReadFileHead(Utf8Of(*path), kImageSize, &error);
    ParameterImage other;
    if (!bytes) {
      host().ShowMessageWithDetails(kMsgFileReadFailed, res::DecodeUtf8(error), MsgButtons::Ok,
                                    MsgIcon::Exclamation);
    } else if (const FileFit fit = CheckImageFile(*bytes, session_.defs, &other);
               fit != FileFit::Fits) {
      host().ShowMessage(FileRefusalMessage(fit), MsgButtons::Ok, MsgIcon::Exclamation);
    } else {
      TakeValues(other, *path);
    }
  }
  window_.ReturnToPage(shown);
}

void FileCommands::TakeValues(const ParameterImage& other, const std::filesystem::path& file) {
  std::vector<Difference> differences = CompareImages(session_.defs, session_.image, other);
  if (differences.empty()) {
    host().ShowMessage(kMsgFileNoDifference, MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  CCompareDlg compare(host(), std::move(differences), FileNameOf(file));
  if (host().RunModal(compare) != ui::kIdOk) {
    return;
  }
  const std::vector<Difference> chosen = compare.Chosen();
  const int taken = ApplyDifferences(chosen, other, session_.image);
  window_.SetStatusBarText(FormatMessage(
      Text(kMsgValuesTaken), {Ascii(std::to_string(taken)), FileNameOf(file)}));
}

std::vector<ui::FileType> CsvFileTypes() {
  return {kCsvCommaFiles, kCsvSemicolonFiles, kAllFiles};
}

char CsvSeparatorOf(std::size_t chosenType) {
  return chosenType == kSemicolonType ? csv::kSemicolon : csv::kComma;
}

void FileCommands::About() {
  CAboutDlg about(host());
  host().RunModal(about);
}

int FileRefusalMessage(FileFit fit) {
  switch (fit) {
    case FileFit::WrongSize:
      return kMsgFileNotImage;
    case FileFit::UnsupportedModel:
      return kMsgFileUnsupportedModel;
    case FileFit::OldVersion:
      return kMsgFileOldVersion;
    case FileFit::OtherGeneration:
    case FileFit::Fits:
      break;
  }
  return kMsgFileOtherGeneration;
}

}  // namespace tarn
