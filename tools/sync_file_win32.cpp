#include <io.h>

#include <cstdio>

#include "tools/image_file.h"

namespace tarn {

bool SyncFile(std::FILE* file) {
  return ::_commit(::_fileno(file)) == 0;
}

}  // namespace tarn
