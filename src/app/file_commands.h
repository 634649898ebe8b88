// The main window's File and Help menus: saving the image to a file, loading
// values from one through the comparison window, exporting the parameters as
// CSV, and About. Also what is not yet written: the controller's image is
// remembered after every successful Read and Write, and quitting with values
// that differ from it asks once more.
//
// Threading: UI thread only.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/status.h"
#include "model/image_compare.h"
#include "model/service_file.h"
#include "ui/control_ids.h"
#include "ui/dialog.h"
#include "ui/host.h"
#include "ui/prompter.h"

namespace tarn {

class CQelmUserAppDlg;

// String-table ids of the messages.
inline constexpr int kMsgFileNotImage = 170;          // OK, exclamation
inline constexpr int kMsgFileUnsupportedModel = 171;  // OK, exclamation
inline constexpr int kMsgFileOldVersion = 172;        // OK, exclamation
inline constexpr int kMsgFileOtherGeneration = 173;   // OK, exclamation
inline constexpr int kMsgFileReadFailed = 174;        // OK, exclamation, the system's reason
inline constexpr int kMsgFileWriteFailed = 175;       // OK, exclamation, the system's reason
// kMsgQuitUnwritten (176, Yes/No, question) is in ui/message_ids.h: the dialog
// layer gives it No as its default button.
inline constexpr int kMsgValuesTaken = 177;           // status bar: %1 values, %2 file
inline constexpr int kMsgImageSaved = 178;            // status bar: %1 file
inline constexpr int kMsgParametersExported = 179;    // status bar: %1 file
inline constexpr int kMsgFileNoDifference = 180;      // OK, exclamation
inline constexpr int kNoteIdentity = 181;             // notes in the comparison list
inline constexpr int kNoteReadOnly = 182;
inline constexpr int kNoteOutOfRange = 183;           // %1 the range
inline constexpr int kMsgCompareHeading = 184;        // %1 file

// The comparison window: one row per difference, ticked when it may be
// taken; rows that may not are shown greyed with the reason, an out-of-range
// value in red. Apply (OK) ends it with kIdOk; Chosen() are the ticked rows.
class CCompareDlg : public ui::Dialog {
 public:
  CCompareDlg(ui::Host& host, std::vector<Difference> differences, std::u16string fileName);

  void OnInitDialog() override;
  std::vector<Difference> Chosen() const;
  const std::vector<Difference>& differences() const { return differences_; }

 private:
  std::vector<Difference> differences_;
  std::u16string fileName_;
};

// Help > About: program version, build date, libraries and their licences.
class CAboutDlg : public ui::Dialog {
 public:
  explicit CAboutDlg(ui::Host& host) : ui::Dialog(host, kTemplateAbout) {}
  void OnInitDialog() override;
};

class FileCommands {
 public:
  FileCommands(CQelmUserAppDlg& window, Session& session) : window_(window), session_(session) {}

  static bool Handles(int id);
  void OnCommand(int id);

  // The file commands follow the page buttons: they work only once a Read
  // counted.
  void EnableCommands();
  // A successful Read or Write: the image now matches the controller.
  void OnTransfer(TransferOutcome outcome);
  // Values that differ from the controller's image: stored in the image, or
  // shown on the visible page and not yet stored.
  bool HasUnwrittenChanges() const;
  // True when the window may end: no unwritten changes, or the user said so.
  bool ConfirmQuit();

 private:
  ui::Host& host() const;
  void SaveImage();
  void LoadFile();
  void ExportCsv();
  void About();
  // The values of `other` chosen in the comparison window go into the image.
  void TakeValues(const ParameterImage& other, const std::filesystem::path& file);
  bool WriteFile(const std::filesystem::path& path, const void* data, std::size_t size);

  CQelmUserAppDlg& window_;
  Session& session_;
};

// The kinds a CSV save dialog offers: comma-separated (the first, chosen
// unless the user picks another), semicolon-separated for spreadsheets that
// take the comma as the decimal sign, and any name.
std::vector<ui::FileType> CsvFileTypes();

// The message that refuses an image file that does not fit (its size, model
// or software generation).
int FileRefusalMessage(FileFit fit);
// The field separator of the kind chosen among CsvFileTypes().
char CsvSeparatorOf(std::size_t chosenType);

// "%1", "%2" in `text` replaced by the arguments.
std::u16string FormatMessage(std::u16string text, const std::vector<std::u16string>& args);

}  // namespace tarn
