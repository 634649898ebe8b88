#include <sqlite3.h>

#include <cctype>

#include "journal/sql_db.h"

namespace tarn::journal {
namespace {

// Another program writing the same journal holds it for a few milliseconds;
// waiting this long for it covers any sane writer.
constexpr int kBusyTimeoutMs = 10000;

constexpr SqlDialect kSqliteDialect{"INTEGER PRIMARY KEY", "BLOB"};

// SQLite numbers its parameters ?1, ?2, ...; the journal writes $1, $2, ...
std::string NumberedParameters(std::string_view sql) {
  std::string out(sql);
  for (std::size_t i = 0; i + 1 < out.size(); ++i) {
    if (out[i] == '$' && std::isdigit(static_cast<unsigned char>(out[i + 1]))) out[i] = '?';
  }
  return out;
}

class SqliteDb final : public SqlDb {
 public:
  explicit SqliteDb(sqlite3* db) : db_(db) {}
  ~SqliteDb() override { sqlite3_close_v2(db_); }

  const SqlDialect& Dialect() const override { return kSqliteDialect; }

  bool Exec(std::string_view sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows,
            std::string* error) override {
    const std::string text = NumberedParameters(sql);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &statement,
                           nullptr) != SQLITE_OK) {
      return Fail(error);
    }
    bool ok = Bind(statement, params);
    while (ok) {
      const int step = sqlite3_step(statement);
      if (step == SQLITE_DONE) break;
      if (step != SQLITE_ROW) {
        ok = false;
        break;
      }
      if (rows != nullptr) rows->push_back(RowOf(statement));
    }
    if (!ok) Fail(error);
    sqlite3_finalize(statement);
    return ok;
  }

  bool BeginWrite(std::string* error) override {
    // IMMEDIATE takes the write lock at once (waiting for it while busy), so
    // two writers never find out only at their first write that one of them
    // must give up.
    return Exec("BEGIN IMMEDIATE", {}, nullptr, error);
  }

 private:
  bool Fail(std::string* error) const {
    if (error != nullptr) *error = sqlite3_errmsg(db_);
    return false;
  }

  static bool Bind(sqlite3_stmt* statement, const std::vector<SqlValue>& params) {
    for (std::size_t i = 0; i < params.size(); ++i) {
      const int at = static_cast<int>(i) + 1;
      const SqlValue& value = params[i];
      int rc = SQLITE_OK;
      switch (value.type) {
        case SqlValue::Type::Null:
          rc = sqlite3_bind_null(statement, at);
          break;
        case SqlValue::Type::Integer:
          rc = sqlite3_bind_int64(statement, at, value.integer);
          break;
        case SqlValue::Type::Text:
          rc = sqlite3_bind_text(statement, at, value.text.data(),
                                 static_cast<int>(value.text.size()), SQLITE_TRANSIENT);
          break;
        case SqlValue::Type::Blob:
          rc = sqlite3_bind_blob(statement, at, value.blob.data(),
                                 static_cast<int>(value.blob.size()), SQLITE_TRANSIENT);
          break;
      }
      if (rc != SQLITE_OK) return false;
    }
    return true;
  }

  static SqlRow RowOf(sqlite3_stmt* statement) {
    SqlRow row;
    const int columns = sqlite3_column_count(statement);
    for (int c = 0; c < columns; ++c) {
      switch (sqlite3_column_type(statement, c)) {
        case SQLITE_INTEGER:
          row.push_back(SqlValue::Int(sqlite3_column_int64(statement, c)));
          break;
        case SQLITE_BLOB: {
          const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, c));
          const int size = sqlite3_column_bytes(statement, c);
          row.push_back(SqlValue::Bytes(std::vector<std::uint8_t>(data, data + size)));
          break;
        }
        case SQLITE_NULL:
          row.push_back(SqlValue::Null());
          break;
        default: {
          const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
          const int size = sqlite3_column_bytes(statement, c);
          row.push_back(SqlValue::Str(std::string(data, static_cast<std::size_t>(size))));
          break;
        }
      }
    }
    return row;
  }

  sqlite3* db_;
};

}  // namespace

std::unique_ptr<SqlDb> OpenSqliteDb(const std::string& path, std::string* error) {
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    *error = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  auto handle = std::make_unique<SqliteDb>(db);
  // The first statement reads the file: a file that is not a database fails
  // here. WAL lets a reader and a writer work at once, and a commit survives
  // a crash; NORMAL synchronisation is safe with WAL.
  std::vector<SqlRow> mode;
  if (!handle->Exec("PRAGMA journal_mode=WAL", {}, &mode, error)) return nullptr;
  if (mode.empty() || mode[0].empty() || mode[0][0].text != "wal") {
    *error = "the journal file does not take a write-ahead log";
    return nullptr;
  }
  if (!handle->Exec("PRAGMA synchronous=NORMAL", {}, nullptr, error) ||
      !handle->Exec("PRAGMA foreign_keys=ON", {}, nullptr, error)) {
    return nullptr;
  }
  return handle;
}

}  // namespace tarn::journal
