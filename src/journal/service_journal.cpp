#include "journal/service_journal.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "model/image_compare.h"
#include "model/image_file.h"
#include "resources/embedded.h"

namespace tarn::journal {
namespace {

constexpr int kMsgJournalOff = 230;  // %1: the reason

constexpr const char* kNoteUnfinished = "unfinished: the tool stopped during the write";

}  // namespace

std::string JournalLocation() {
  const char* named = std::getenv("TARN_JOURNAL");
  if (named != nullptr && *named != '\0') return named;
  return DefaultJournalPath();
}

bool IsServerLocation(const std::string& location) {
  return location.starts_with("postgresql://") || location.starts_with("postgres://");
}

Origin CurrentOrigin() {
  return {UtcTimestamp(), UserName(), HostName(), TARN_VERSION};
}

std::vector<ChangedValue> ChangedValues(const DefinitionSet& defs, const ParameterImage& before,
                                        const ParameterImage& after) {
  std::vector<ChangedValue> changes;
  for (const Difference& difference : CompareImages(defs, before, after)) {
    changes.push_back({res::EncodeUtf8(PageName(difference.row.page)),
                       res::EncodeUtf8(difference.row.def->name),
                       res::EncodeUtf8(difference.controllerValue),
                       res::EncodeUtf8(difference.otherValue)});
  }
  return changes;
}

std::string JournalOffText(const std::string& reason) {
  std::string text = res::EncodeUtf8(res::String(kMsgJournalOff));
  if (const std::size_t at = text.find("%1"); at != std::string::npos) {
    text.replace(at, 2, reason);
  }
  return text;
}

std::unique_ptr<Journal> OpenJournal(const std::string& location, std::string* error) {
  if (IsServerLocation(location)) return Journal::Open(OpenPostgresDb(location, error), error);
  // The data folder may not exist yet on a fresh account.
  const std::filesystem::path parent = PathFromUtf8(location).parent_path();
  std::error_code ignored;
  if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
  std::unique_ptr<SqlDb> db = OpenSqliteDb(location, error);
  if (db == nullptr) {
    *error = location + ": " + *error;
    return nullptr;
  }
  std::unique_ptr<Journal> journal = Journal::Open(std::move(db), error);
  if (journal == nullptr) *error = location + ": " + *error;
  return journal;
}

ServiceJournal::ServiceJournal(Notice notice, std::string location)
    : notice_(std::move(notice)), location_(std::move(location)) {}

ServiceJournal::~ServiceJournal() = default;

Journal* ServiceJournal::Get() {
  if (off_) return nullptr;
  if (journal_ == nullptr) {
    std::string error;
    journal_ = OpenJournal(location_, &error);
    if (journal_ == nullptr) TurnOff(error);
  }
  return journal_.get();
}

void ServiceJournal::TurnOff(const std::string& reason) {
  if (off_) return;
  off_ = true;
  journal_.reset();
  pendingRead_.reset();
  if (notice_) notice_(JournalOffText(reason));
}

void ServiceJournal::NoteRead(const ParameterImage& image) {
  Flush();
  pendingRead_ = image;
}

void ServiceJournal::Flush() {
  if (!pendingRead_) return;
  const ParameterImage image = *pendingRead_;
  pendingRead_.reset();
  RecordRead(image);
}

void ServiceJournal::RecordRead(const ParameterImage& image) {
  Flush();
  Journal* journal = Get();
  std::string error;
  if (journal != nullptr && !journal->RecordRead(image, CurrentOrigin(), &error)) {
    TurnOff(error);
  }
}

std::int64_t ServiceJournal::BeginWrite(EntryKind kind,
                                        const std::optional<ParameterImage>& before,
                                        const ParameterImage& written,
                                        const DefinitionSet* defs) {
  Flush();
  Journal* journal = Get();
  if (journal == nullptr) return 0;
  WriteRecord record;
  record.before = before;
  record.written = written;
  record.success = false;
  record.note = kNoteUnfinished;
  if (before && defs != nullptr) record.changes = ChangedValues(*defs, *before, written);
  std::string error;
  const std::optional<std::int64_t> id =
      journal->RecordWrite(kind, record, CurrentOrigin(), &error);
  if (!id) {
    TurnOff(error);
    return 0;
  }
  return *id;
}

void ServiceJournal::FinishWrite(std::int64_t id, bool success, std::optional<bool> verified,
                                 const std::string& note) {
  Journal* journal = id != 0 ? Get() : nullptr;
  std::string error;
  if (journal != nullptr && !journal->FinishWrite(id, success, verified, note, &error)) {
    TurnOff(error);
  }
}

std::optional<ParameterImage> ServiceJournal::LastImage(const ParameterImage& sameController) {
  Flush();
  Journal* journal = Get();
  if (journal == nullptr) return std::nullopt;
  std::string error;
  std::optional<ParameterImage> image = journal->LastImage(ControllerOf(sameController), &error);
  if (!image && !error.empty()) TurnOff(error);
  return image;
}

}  // namespace tarn::journal
