#include <io.h>

#include <cstdio>
#include <ctime>

#include "model/image_file.h"

namespace tarn {

bool SyncFile(std::FILE* file) {
  return ::_commit(::_fileno(file)) == 0;
}

// The date file names and exports carry: the local one, as people read it.
std::chrono::year_month_day LocalToday() {
  constexpr int kTmBaseYear = 1900;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_s(&local, &now);
  return std::chrono::year_month_day{std::chrono::year{local.tm_year + kTmBaseYear},
                                     std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                     std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
}

}  // namespace tarn
