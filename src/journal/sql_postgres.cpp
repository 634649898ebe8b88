#include <libpq-fe.h>

#include <cstdlib>

#include "journal/sql_db.h"

namespace tarn::journal {
namespace {

constexpr SqlDialect kPostgresDialect{"BIGSERIAL PRIMARY KEY", "BYTEA"};

// Type numbers of the server's catalogue that the journal's columns use.
constexpr Oid kBoolOid = 16;
constexpr Oid kByteaOid = 17;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;

// Every writer of the shared journal takes this lock for its transaction, so
// records of different programs follow one another as SQLite's do.
constexpr const char* kTakeWriteLock = "SELECT pg_advisory_xact_lock(7405420)";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// bytea in the server's text form: \x and two hexadecimal digits a byte.
std::vector<std::uint8_t> DecodeBytea(const char* text, int length) {
  std::vector<std::uint8_t> bytes;
  if (length < 2 || text[0] != '\\' || text[1] != 'x') return bytes;
  for (int i = 2; i + 1 < length; i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1])));
  }
  return bytes;
}

SqlValue ValueOf(const PGresult* result, int row, int column) {
  if (PQgetisnull(result, row, column)) return SqlValue::Null();
  const char* text = PQgetvalue(result, row, column);
  const int length = PQgetlength(result, row, column);
  switch (PQftype(result, column)) {
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
      return SqlValue::Int(std::strtoll(text, nullptr, 10));
    case kBoolOid:
      return SqlValue::Int(text[0] == 't' ? 1 : 0);
    case kByteaOid:
      return SqlValue::Bytes(DecodeBytea(text, length));
    default:
      return SqlValue::Str(std::string(text, static_cast<std::size_t>(length)));
  }
}

void IgnoreNotice(void*, const char*) {}

class PostgresDb final : public SqlDb {
 public:
  explicit PostgresDb(PGconn* connection) : connection_(connection) {}
  ~PostgresDb() override { PQfinish(connection_); }

  const SqlDialect& Dialect() const override { return kPostgresDialect; }

  bool Exec(std::string_view sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows,
            std::string* error) override {
    // Numbers and texts go as text, images as binary.
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    std::vector<int> lengths(params.size(), 0);
    std::vector<int> formats(params.size(), 0);
    for (std::size_t i = 0; i < params.size(); ++i) {
      const SqlValue& p = params[i];
      if (p.type == SqlValue::Type::Blob) {
        values[i] = reinterpret_cast<const char*>(p.blob.data());
        lengths[i] = static_cast<int>(p.blob.size());
        formats[i] = 1;
      } else if (p.type != SqlValue::Type::Null) {
        texts[i] = p.type == SqlValue::Type::Integer ? std::to_string(p.integer) : p.text;
        values[i] = texts[i].c_str();
      }
    }
    const std::string text(sql);
    PGresult* result =
        PQexecParams(connection_, text.c_str(), static_cast<int>(params.size()), nullptr,
                     values.data(), lengths.data(), formats.data(), 0);
    const ExecStatusType status = PQresultStatus(result);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok) {
      *error = PQresultErrorMessage(result);
      while (!error->empty() && (error->back() == '\n' || error->back() == ' ')) error->pop_back();
      if (error->empty()) *error = PQerrorMessage(connection_);
    } else if (rows != nullptr) {
      for (int r = 0; r < PQntuples(result); ++r) {
        SqlRow row;
        for (int c = 0; c < PQnfields(result); ++c) row.push_back(ValueOf(result, r, c));
        rows->push_back(std::move(row));
      }
    }
    PQclear(result);
    return ok;
  }

  bool BeginWrite(std::string* error) override {
    if (!Exec("BEGIN", {}, nullptr, error)) return false;
    if (!Exec(kTakeWriteLock, {}, nullptr, error)) {
      Rollback();
      return false;
    }
    return true;
  }

 private:
  PGconn* connection_;
};

}  // namespace

std::unique_ptr<SqlDb> OpenPostgresDb(const std::string& uri, std::string* error) {
  PGconn* connection = PQconnectdb(uri.c_str());
  if (connection == nullptr || PQstatus(connection) != CONNECTION_OK) {
    *error = connection != nullptr ? PQerrorMessage(connection) : "out of memory";
    while (!error->empty() && error->back() == '\n') error->pop_back();
    PQfinish(connection);
    return nullptr;
  }
  PQsetNoticeProcessor(connection, IgnoreNotice, nullptr);
  auto db = std::make_unique<PostgresDb>(connection);
  // Texts are UTF-8 on both sides; a writer waits for another at most as
  // long as a SQLite journal's busy time.
  if (!db->Exec("SET client_encoding TO 'UTF8'", {}, nullptr, error) ||
      !db->Exec("SET lock_timeout TO '10s'", {}, nullptr, error)) {
    return nullptr;
  }
  return db;
}

}  // namespace tarn::journal
