// Journals for the tests: a SQLite file in a temporary folder, or a database
// of its own on a PostgreSQL server that the suite starts once and stops at
// its end. Tests on the server are skipped, saying why, when it cannot run.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "journal/sql_db.h"
#include "pg_server.h"

namespace tarn::testing {

enum class Backend { Sqlite, Postgres };
inline void PrintTo(Backend backend, std::ostream* os) {
  *os << (backend == Backend::Sqlite ? "Sqlite" : "Postgres");
}

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

class JournalPlaces {
 public:
  // The server, started on first use; nullptr with *why set when it cannot.
  static PgServer* Server(std::string* why) {
    static std::unique_ptr<PgServer> server;
    static std::string refused;
    if (server == nullptr && refused.empty()) {
      auto started = std::make_unique<PgServer>();
      if (started->Start()) {
        server = std::move(started);
      } else {
        refused = started->why();
      }
    }
    *why = refused;
    return server.get();
  }

  // A new, empty journal's location; empty with *why set when the backend
  // cannot run here.
  static std::string NewLocation(Backend backend, const std::filesystem::path& dir,
                                 std::string* why) {
    static int counter = 0;
    const std::string name = "j" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    if (backend == Backend::Sqlite) return (dir / (name + ".sqlite")).string();
    PgServer* server = Server(why);
    if (server == nullptr) return {};
    std::string error;
    auto admin = journal::OpenPostgresDb(server->Uri(), &error);
    if (admin == nullptr || !admin->Exec("CREATE DATABASE " + name, {}, nullptr, &error)) {
      *why = "cannot create a database: " + error;
      return {};
    }
    return server->Uri(name);
  }

  static std::unique_ptr<journal::SqlDb> OpenRaw(const std::string& location) {
    std::string error;
    if (location.starts_with("postgresql://")) return journal::OpenPostgresDb(location, &error);
    return journal::OpenSqliteDb(location, &error);
  }
};

// A temporary folder per test and, for parameterised suites, the backend's
// new journal in `location`.
class TempFolder {
 public:
  TempFolder() {
    dir = std::filesystem::temp_directory_path() /
          ("tarn-journal-test-" + std::to_string(::getpid()) + "-" + std::to_string(++count_));
    std::filesystem::create_directories(dir);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(dir, ignored);
  }
  std::filesystem::path dir;

 private:
  static inline int count_ = 0;
};

#define TARN_NEW_JOURNAL_OR_SKIP(backend, dir, location)                       \
  std::string location;                                                        \
  {                                                                            \
    std::string why;                                                           \
    location = JournalPlaces::NewLocation(backend, dir, &why);                 \
    if (location.empty()) GTEST_SKIP() << "PostgreSQL not available: " << why; \
  }

}  // namespace tarn::testing
