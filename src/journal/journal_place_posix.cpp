#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "journal/service_journal.h"

namespace tarn::journal {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::string DefaultJournalPath() {
  std::string data = Environment("XDG_DATA_HOME");
  if (data.empty() || data.front() != '/') {
    std::string home = Environment("HOME");
    if (home.empty()) {
      if (const passwd* entry = getpwuid(getuid())) home = entry->pw_dir;
    }
    data = home + "/.local/share";
  }
  return data + "/tarn-user-app/journal.sqlite";
}

std::string UserName() {
  if (const passwd* entry = getpwuid(getuid())) return entry->pw_name;
  return Environment("USER");
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof(name) - 1) != 0) return "";
  return name;
}

std::string UtcTimestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace tarn::journal
