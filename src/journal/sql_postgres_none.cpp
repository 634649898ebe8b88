#include "journal/sql_db.h"

namespace tarn::journal {

// This build has no PostgreSQL client: a shared journal needs the Linux
// program or tarn-cli.
std::unique_ptr<SqlDb> OpenPostgresDb(const std::string&, std::string* error) {
  *error = "this build has no PostgreSQL client; set TARN_JOURNAL to a file";
  return nullptr;
}

}  // namespace tarn::journal
