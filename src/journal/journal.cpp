#include "journal/journal.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace tarn::journal {
namespace {

// The steps from one schema version to the next; step k brings version k to
// k + 1. {id} and {blob} stand for the engine's words. A step is never
// changed once released: a new version is a new step.
const std::vector<std::vector<std::string_view>> kMigrations = {
    // 0 -> 1: controllers, images (each kept once per controller), entries
    // and the values a write changed.
    {
        "CREATE TABLE journal_schema (version INTEGER NOT NULL)",
        "CREATE TABLE controllers (id {id}, module_name TEXT NOT NULL, customer TEXT NOT NULL,"
        " serial_number TEXT NOT NULL, software_version TEXT NOT NULL,"
        " UNIQUE (module_name, customer, serial_number, software_version))",
        "CREATE TABLE images (id {id}, controller_id BIGINT NOT NULL REFERENCES controllers (id),"
        " bytes {blob} NOT NULL)",
        "CREATE TABLE entries (id {id}, controller_id BIGINT NOT NULL REFERENCES controllers (id),"
        " kind TEXT NOT NULL, recorded_at TEXT NOT NULL, user_name TEXT NOT NULL,"
        " host_name TEXT NOT NULL, success INTEGER NOT NULL,"
        " before_image_id BIGINT REFERENCES images (id),"
        " image_id BIGINT NOT NULL REFERENCES images (id))",
        "CREATE TABLE changes (entry_id BIGINT NOT NULL REFERENCES entries (id),"
        " position INTEGER NOT NULL, page TEXT NOT NULL, label TEXT NOT NULL,"
        " before_value TEXT NOT NULL, after_value TEXT NOT NULL, PRIMARY KEY (entry_id, position))",
        "INSERT INTO journal_schema (version) VALUES (0)",
    },
    // 1 -> 2: the tool's version, the read-back verdict and a note per entry;
    // the history of one controller without a scan of every entry.
    {
        "ALTER TABLE entries ADD COLUMN tool_version TEXT NOT NULL DEFAULT ''",
        "ALTER TABLE entries ADD COLUMN verified INTEGER",
        "ALTER TABLE entries ADD COLUMN note TEXT NOT NULL DEFAULT ''",
        "CREATE INDEX entries_by_controller ON entries (controller_id, id)",
    },
};

constexpr std::string_view kSelectSummary =
    "SELECT e.id, e.kind, c.module_name, c.customer, c.serial_number, c.software_version,"
    " e.recorded_at, e.user_name, e.host_name, e.success, e.verified, e.note,"
    " (SELECT COUNT(*) FROM changes ch WHERE ch.entry_id = e.id)"
    " FROM entries e JOIN controllers c ON c.id = e.controller_id ";

std::string WithDialect(std::string_view sql, const SqlDialect& dialect) {
  std::string text(sql);
  const auto replace = [&text](std::string_view mark, std::string_view word) {
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
      text.replace(at, mark.size(), word);
      at += word.size();
    }
  };
  replace("{id}", dialect.idColumn);
  replace("{blob}", dialect.blobType);
  return text;
}

std::string Printable(const ParameterImage& image, std::size_t address, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    const auto c = static_cast<char>(image[address + i]);
    if (c == '\0') break;
    text += (c >= ' ' && c <= '~') ? c : '?';
  }
  return text;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::vector<std::uint8_t> BytesOf(const ParameterImage& image) {
  return {image.bytes.begin(), image.bytes.end()};
}

std::optional<ParameterImage> ImageOf(const SqlValue& value) {
  if (value.type != SqlValue::Type::Blob || value.blob.size() != kImageSize) return std::nullopt;
  ParameterImage image;
  std::copy(value.blob.begin(), value.blob.end(), image.bytes.begin());
  return image;
}

std::optional<bool> OptionalBool(const SqlValue& value) {
  if (value.IsNull()) return std::nullopt;
  return value.integer != 0;
}

SqlValue OptionalBoolValue(std::optional<bool> value) {
  return value ? SqlValue::Int(*value ? 1 : 0) : SqlValue::Null();
}

EntryKind KindOf(const std::string& name) {
  if (name == "write") return EntryKind::Write;
  if (name == "set") return EntryKind::Set;
  return EntryKind::Read;
}

EntrySummary SummaryOf(const SqlRow& row) {
  EntrySummary s;
  s.id = row[0].integer;
  s.kind = KindOf(row[1].text);
  s.controller = {row[2].text, row[3].text, row[4].text, row[5].text};
  s.time = row[6].text;
  s.user = row[7].text;
  s.host = row[8].text;
  s.success = row[9].integer != 0;
  s.verified = OptionalBool(row[10]);
  s.note = row[11].text;
  s.changeCount = static_cast<int>(row[12].integer);
  return s;
}

}  // namespace

ControllerId ControllerOf(const ParameterImage& image) {
  return {Printable(image, kAddrModuleName, kModuleNameSize),
          Printable(image, kAddrCustomer, kAddrSerialNumber - kAddrCustomer),
          HexBytes(image, kAddrSerialNumber, kSerialNumberFieldSize),
          HexBytes(image, kAddrVersion, kVersionFieldSize)};
}

const char* KindName(EntryKind kind) {
  switch (kind) {
    case EntryKind::Read:
      return "read";
    case EntryKind::Write:
      return "write";
    case EntryKind::Set:
      return "set";
  }
  return "read";
}

std::unique_ptr<Journal> Journal::Open(std::unique_ptr<SqlDb> db, std::string* error,
                                       int targetVersion) {
  if (db == nullptr) return nullptr;
  std::unique_ptr<Journal> journal(new Journal(std::move(db)));
  if (!journal->Migrate(targetVersion, error)) return nullptr;
  return journal;
}

// The version is read and every missing step applied in one write
// transaction, so two programs opening a new journal at once create it once.
bool Journal::Migrate(int targetVersion, std::string* error) {
  std::vector<SqlRow> rows;
  std::string ignored;
  // A journal that is up to date needs no write: one that may only be read
  // still lists its history.
  if (db_->Exec("SELECT version FROM journal_schema", {}, &rows, &ignored) && !rows.empty() &&
      rows[0][0].integer >= targetVersion && rows[0][0].integer <= kSchemaVersion) {
    version_ = static_cast<int>(rows[0][0].integer);
    return true;
  }
  rows.clear();
  if (!db_->BeginWrite(error)) return false;
  // A journal without the version table is new: version 0. The probe runs in
  // a savepoint so that its failure does not spoil the transaction.
  if (!db_->Exec("SAVEPOINT probe", {}, nullptr, error)) return db_->Rollback(), false;
  if (db_->Exec("SELECT version FROM journal_schema", {}, &rows, &ignored) && !rows.empty()) {
    version_ = static_cast<int>(rows[0][0].integer);
    db_->Exec("RELEASE SAVEPOINT probe", {}, nullptr, &ignored);
  } else {
    db_->Exec("ROLLBACK TO SAVEPOINT probe", {}, nullptr, &ignored);
    version_ = 0;
  }
  if (version_ > static_cast<int>(kMigrations.size())) {
    *error = "the journal was made by a newer version of the tool (schema " +
             std::to_string(version_) + ")";
    db_->Rollback();
    return false;
  }
  for (; version_ < targetVersion; ++version_) {
    for (std::string_view step : kMigrations[static_cast<std::size_t>(version_)]) {
      if (!db_->Exec(WithDialect(step, db_->Dialect()), {}, nullptr, error)) {
        db_->Rollback();
        return false;
      }
    }
    if (!db_->Exec("UPDATE journal_schema SET version = $1", {SqlValue::Int(version_ + 1)},
                   nullptr, error)) {
      db_->Rollback();
      return false;
    }
  }
  if (!db_->Commit(error)) return db_->Rollback(), false;
  return true;
}

std::optional<std::int64_t> Journal::ControllerKey(const ControllerId& c, std::string* error) {
  const std::vector<SqlValue> params = {SqlValue::Str(c.moduleName), SqlValue::Str(c.customer),
                                        SqlValue::Str(c.serialNumber), SqlValue::Str(c.version)};
  std::vector<SqlRow> rows;
  if (!db_->Exec("SELECT id FROM controllers WHERE module_name = $1 AND customer = $2"
                 " AND serial_number = $3 AND software_version = $4",
                 params, &rows, error)) {
    return std::nullopt;
  }
  if (rows.empty() &&
      !db_->Exec("INSERT INTO controllers (module_name, customer, serial_number,"
                 " software_version) VALUES ($1, $2, $3, $4) RETURNING id",
                 params, &rows, error)) {
    return std::nullopt;
  }
  return rows.front()[0].integer;
}

std::optional<std::int64_t> Journal::StoreImage(std::int64_t controller,
                                                const ParameterImage& image, std::string* error) {
  std::vector<SqlRow> rows;
  if (!db_->Exec("SELECT id, bytes FROM images WHERE controller_id = $1 ORDER BY id DESC LIMIT 1",
                 {SqlValue::Int(controller)}, &rows, error)) {
    return std::nullopt;
  }
  if (!rows.empty() && ImageOf(rows[0][1]).has_value() &&
      ImageOf(rows[0][1])->bytes == image.bytes) {
    return rows[0][0].integer;
  }
  rows.clear();
  if (!db_->Exec("INSERT INTO images (controller_id, bytes) VALUES ($1, $2) RETURNING id",
                 {SqlValue::Int(controller), SqlValue::Bytes(BytesOf(image))}, &rows, error)) {
    return std::nullopt;
  }
  return rows.front()[0].integer;
}

std::optional<std::int64_t> Journal::InsertEntry(EntryKind kind, std::int64_t controller,
                                                 const Origin& origin, const WriteRecord* record,
                                                 std::optional<std::int64_t> before,
                                                 std::int64_t image, std::string* error) {
  std::vector<SqlRow> rows;
  const bool success = record == nullptr || record->success;
  if (!db_->Exec("INSERT INTO entries (controller_id, kind, recorded_at, user_name, host_name,"
                 " success, before_image_id, image_id, tool_version, verified, note)"
                 " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11) RETURNING id",
                 {SqlValue::Int(controller), SqlValue::Str(KindName(kind)),
                  SqlValue::Str(origin.time), SqlValue::Str(origin.user),
                  SqlValue::Str(origin.host), SqlValue::Int(success ? 1 : 0),
                  before ? SqlValue::Int(*before) : SqlValue::Null(), SqlValue::Int(image),
                  SqlValue::Str(origin.toolVersion),
                  OptionalBoolValue(record != nullptr ? record->verified : std::nullopt),
                  SqlValue::Str(record != nullptr ? record->note : std::string())},
                 &rows, error)) {
    return std::nullopt;
  }
  const std::int64_t id = rows.front()[0].integer;
  if (record == nullptr) return id;
  for (std::size_t i = 0; i < record->changes.size(); ++i) {
    const ChangedValue& change = record->changes[i];
    if (!db_->Exec("INSERT INTO changes (entry_id, position, page, label, before_value,"
                   " after_value) VALUES ($1, $2, $3, $4, $5, $6)",
                   {SqlValue::Int(id), SqlValue::Int(static_cast<std::int64_t>(i)),
                    SqlValue::Str(change.page), SqlValue::Str(change.label),
                    SqlValue::Str(change.before), SqlValue::Str(change.after)},
                   nullptr, error)) {
      return std::nullopt;
    }
  }
  return id;
}

std::optional<std::int64_t> Journal::RecordRead(const ParameterImage& image, const Origin& origin,
                                                std::string* error) {
  if (!db_->BeginWrite(error)) return std::nullopt;
  std::optional<std::int64_t> id;
  if (const auto controller = ControllerKey(ControllerOf(image), error)) {
    if (const auto stored = StoreImage(*controller, image, error)) {
      id = InsertEntry(EntryKind::Read, *controller, origin, nullptr, std::nullopt, *stored,
                       error);
    }
  }
  if (!id || !db_->Commit(error)) {
    db_->Rollback();
    return std::nullopt;
  }
  return id;
}

std::optional<std::int64_t> Journal::RecordWrite(EntryKind kind, const WriteRecord& record,
                                                 const Origin& origin, std::string* error) {
  if (!db_->BeginWrite(error)) return std::nullopt;
  std::optional<std::int64_t> id;
  const auto controller = ControllerKey(ControllerOf(record.written), error);
  bool ok = controller.has_value();
  std::optional<std::int64_t> before;
  if (ok && record.before) {
    before = StoreImage(*controller, *record.before, error);
    ok = before.has_value();
  }
  if (ok) {
    if (const auto written = StoreImage(*controller, record.written, error)) {
      id = InsertEntry(kind, *controller, origin, &record, before, *written, error);
    }
  }
  if (!id || !db_->Commit(error)) {
    db_->Rollback();
    return std::nullopt;
  }
  return id;
}

bool Journal::FinishWrite(std::int64_t id, bool success, std::optional<bool> verified,
                          const std::string& note, std::string* error) {
  if (!db_->BeginWrite(error)) return false;
  if (!db_->Exec("UPDATE entries SET success = $1, verified = $2, note = $3 WHERE id = $4",
                 {SqlValue::Int(success ? 1 : 0), OptionalBoolValue(verified),
                  SqlValue::Str(note), SqlValue::Int(id)},
                 nullptr, error) ||
      !db_->Commit(error)) {
    db_->Rollback();
    return false;
  }
  return true;
}

std::optional<ParameterImage> Journal::LastImage(const ControllerId& c, std::string* error) {
  std::vector<SqlRow> rows;
  // What the controller last held for certain: the image of its last read,
  // or of its last write that it took whole.
  if (!db_->Exec("SELECT i.bytes FROM entries e JOIN controllers c ON c.id = e.controller_id"
                 " JOIN images i ON i.id = e.image_id WHERE c.module_name = $1"
                 " AND c.customer = $2 AND c.serial_number = $3 AND c.software_version = $4"
                 " AND (e.kind = 'read' OR (e.kind = 'write' AND e.success = 1))"
                 " ORDER BY e.id DESC LIMIT 1",
                 {SqlValue::Str(c.moduleName), SqlValue::Str(c.customer),
                  SqlValue::Str(c.serialNumber), SqlValue::Str(c.version)},
                 &rows, error)) {
    return std::nullopt;
  }
  if (rows.empty()) return std::nullopt;
  return ImageOf(rows[0][0]);
}

std::optional<std::vector<EntrySummary>> Journal::List(
    const std::optional<std::string>& serialNumber, std::string* error) {
  std::vector<SqlRow> rows;
  const bool ok =
      serialNumber
          ? db_->Exec(std::string(kSelectSummary) +
                          "WHERE UPPER(c.serial_number) = $1 ORDER BY e.id DESC",
                      {SqlValue::Str(Upper(*serialNumber))}, &rows, error)
          : db_->Exec(std::string(kSelectSummary) + "ORDER BY e.id DESC", {}, &rows, error);
  if (!ok) return std::nullopt;
  std::vector<EntrySummary> entries;
  entries.reserve(rows.size());
  for (const SqlRow& row : rows) entries.push_back(SummaryOf(row));
  return entries;
}

std::optional<ParameterImage> Journal::ImageById(const SqlValue& id, std::string* error) {
  if (id.IsNull()) return std::nullopt;
  std::vector<SqlRow> rows;
  if (!db_->Exec("SELECT bytes FROM images WHERE id = $1", {SqlValue::Int(id.integer)}, &rows,
                 error) ||
      rows.empty()) {
    return std::nullopt;
  }
  return ImageOf(rows[0][0]);
}

std::optional<Entry> Journal::Load(std::int64_t id, std::string* error) {
  std::vector<SqlRow> rows;
  if (!db_->Exec(std::string(kSelectSummary) + "WHERE e.id = $1", {SqlValue::Int(id)}, &rows,
                 error)) {
    return std::nullopt;
  }
  if (rows.empty()) {
    *error = "no entry " + std::to_string(id) + " in the journal";
    return std::nullopt;
  }
  Entry entry;
  entry.summary = SummaryOf(rows[0]);
  rows.clear();
  if (!db_->Exec("SELECT tool_version, before_image_id, image_id FROM entries WHERE id = $1",
                 {SqlValue::Int(id)}, &rows, error) ||
      rows.empty()) {
    return std::nullopt;
  }
  entry.toolVersion = rows[0][0].text;
  entry.before = ImageById(rows[0][1], error);
  entry.image = ImageById(rows[0][2], error);
  rows.clear();
  if (!db_->Exec("SELECT page, label, before_value, after_value FROM changes"
                 " WHERE entry_id = $1 ORDER BY position",
                 {SqlValue::Int(id)}, &rows, error)) {
    return std::nullopt;
  }
  for (const SqlRow& row : rows) {
    entry.changes.push_back({row[0].text, row[1].text, row[2].text, row[3].text});
  }
  return entry;
}

}  // namespace tarn::journal
