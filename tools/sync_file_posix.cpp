#include <unistd.h>

#include <cstdio>

#include "tools/image_file.h"

namespace tarn {

bool SyncFile(std::FILE* file) {
  return ::fsync(::fileno(file)) == 0;
}

}  // namespace tarn
