// The service journal: per controller, every image read from it and every
// write to it with the image before, the image written, the outcome, who
// wrote and which values changed. Kept in a SQL database (a SQLite file by
// default, or a shared PostgreSQL server) whose schema carries its version
// and is migrated forward when an older one is opened.
//
// Every record is one transaction: a crash or a pulled plug leaves the whole
// record or none of it. Several programs may use one journal at once.
//
// Threading: one Journal is used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "journal/sql_db.h"
#include "model/parameter_image.h"

namespace tarn::journal {

// The schema version this build writes; 1 was the first.
inline constexpr int kSchemaVersion = 2;

// Which controller an entry belongs to, as its image names it (bytes 0-19).
struct ControllerId {
  std::string moduleName;  // printable ASCII, '?' for anything else
  std::string customer;
  std::string serialNumber;  // eight hexadecimal digits
  std::string version;       // eight hexadecimal digits
  bool operator==(const ControllerId&) const = default;
};
ControllerId ControllerOf(const ParameterImage& image);

enum class EntryKind { Read, Write, Set };
const char* KindName(EntryKind kind);  // "read", "write", "set"

// One changed value as the pages show it.
struct ChangedValue {
  std::string page;
  std::string label;
  std::string before;
  std::string after;
  bool operator==(const ChangedValue&) const = default;
};

// Who and what made an entry.
struct Origin {
  std::string time;  // UTC, 2026-12-10T08:52:44Z
  std::string user;
  std::string host;
  std::string toolVersion;
};

struct WriteRecord {
  std::optional<ParameterImage> before;  // the image it replaced, when known
  ParameterImage written;
  bool success = false;         // the controller took every block
  std::optional<bool> verified;  // read back and compared; nothing when not tried
  std::string note;             // why it failed, or where the image came from
  std::vector<ChangedValue> changes;
};

// A line of the history.
struct EntrySummary {
  std::int64_t id = 0;
  EntryKind kind = EntryKind::Read;
  ControllerId controller;
  std::string time;
  std::string user;
  std::string host;
  bool success = false;
  std::optional<bool> verified;
  int changeCount = 0;
  std::string note;
};

struct Entry {
  EntrySummary summary;
  std::string toolVersion;
  std::optional<ParameterImage> before;
  std::optional<ParameterImage> image;  // read, or written
  std::vector<ChangedValue> changes;
};

class Journal {
 public:
  // Brings the database's schema to `targetVersion` (kSchemaVersion unless a
  // test wants an older one). Nothing with *error set when the database
  // cannot be used, or holds a newer schema than this build knows.
  static std::unique_ptr<Journal> Open(std::unique_ptr<SqlDb> db, std::string* error,
                                       int targetVersion = kSchemaVersion);

  int SchemaVersion() const { return version_; }

  // A successful read. The image is stored only when it differs from the
  // last one stored for that controller; the entry refers to that one
  // otherwise. The entry's id, or nothing with *error set.
  std::optional<std::int64_t> RecordRead(const ParameterImage& image, const Origin& origin,
                                         std::string* error);
  // A write (or a change of an image file: kind Set), with the image before it
  // and the changed values.
  std::optional<std::int64_t> RecordWrite(EntryKind kind, const WriteRecord& record,
                                          const Origin& origin, std::string* error);

  // The outcome of a write entered earlier (RecordWrite with success false).
  bool FinishWrite(std::int64_t id, bool success, std::optional<bool> verified,
                   const std::string& note, std::string* error);

  // The last image stored for the controller, if any.
  std::optional<ParameterImage> LastImage(const ControllerId& controller, std::string* error);

  // Entries newest first; only the controller with this serial number when
  // given (case does not matter).
  std::optional<std::vector<EntrySummary>> List(const std::optional<std::string>& serialNumber,
                                                std::string* error);
  std::optional<Entry> Load(std::int64_t id, std::string* error);

 private:
  explicit Journal(std::unique_ptr<SqlDb> db) : db_(std::move(db)) {}
  bool Migrate(int targetVersion, std::string* error);
  std::optional<std::int64_t> ControllerKey(const ControllerId& controller, std::string* error);
  std::optional<std::int64_t> StoreImage(std::int64_t controller, const ParameterImage& image,
                                         std::string* error);
  std::optional<std::int64_t> InsertEntry(EntryKind kind, std::int64_t controller,
                                          const Origin& origin, const WriteRecord* record,
                                          std::optional<std::int64_t> before,
                                          std::int64_t image, std::string* error);
  std::optional<ParameterImage> ImageById(const SqlValue& id, std::string* error);

  std::unique_ptr<SqlDb> db_;
  int version_ = 0;
};

}  // namespace tarn::journal
