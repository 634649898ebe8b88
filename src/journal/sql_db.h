// The little the service journal needs of a SQL database: statements with
// numbered parameters ($1, $2, ...) that may return rows, and write
// transactions. One implementation per database engine (SQLite in a file,
// PostgreSQL on a server); the journal's own code is written once above it.
//
// Threading: one connection is used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::journal {

// A parameter or a column value.
struct SqlValue {
  enum class Type { Null, Integer, Text, Blob };
  Type type = Type::Null;
  std::int64_t integer = 0;
  std::string text;                // Text
  std::vector<std::uint8_t> blob;  // Blob

  static SqlValue Null() { return {}; }
  static SqlValue Int(std::int64_t value) {
    SqlValue v;
    v.type = Type::Integer;
    v.integer = value;
    return v;
  }
  static SqlValue Str(std::string value) {
    SqlValue v;
    v.type = Type::Text;
    v.text = std::move(value);
    return v;
  }
  static SqlValue Bytes(std::vector<std::uint8_t> value) {
    SqlValue v;
    v.type = Type::Blob;
    v.blob = std::move(value);
    return v;
  }
  bool IsNull() const { return type == Type::Null; }
};

using SqlRow = std::vector<SqlValue>;

// Words that differ between the engines' table definitions; the schema is
// written with {id} and {blob} in their place.
struct SqlDialect {
  std::string_view idColumn;  // an auto-numbered 64-bit primary key
  std::string_view blobType;
};

class SqlDb {
 public:
  virtual ~SqlDb() = default;

  virtual const SqlDialect& Dialect() const = 0;
  // Runs one statement; its rows (if any) are appended to *rows when given.
  // False with *error set when the engine refused it.
  virtual bool Exec(std::string_view sql, const std::vector<SqlValue>& params,
                    std::vector<SqlRow>* rows, std::string* error) = 0;
  // A transaction that writes: it waits for other writers (another process
  // on the same journal) instead of failing, up to the engine's busy time.
  virtual bool BeginWrite(std::string* error) = 0;
  bool Commit(std::string* error) { return Exec("COMMIT", {}, nullptr, error); }
  void Rollback() {
    std::string ignored;
    Exec("ROLLBACK", {}, nullptr, &ignored);
  }
};

// A journal file, created when missing, in write-ahead-log mode with a busy
// time-out, so that several programs may use it at once. Nothing with *error
// set when it cannot be opened or is not a database.
std::unique_ptr<SqlDb> OpenSqliteDb(const std::string& path, std::string* error);

// A PostgreSQL server by its connection URI (postgresql://...). Nothing with
// *error set when it cannot be reached, or when this build has no PostgreSQL
// client.
std::unique_ptr<SqlDb> OpenPostgresDb(const std::string& uri, std::string* error);

}  // namespace tarn::journal
