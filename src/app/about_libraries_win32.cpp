// The Windows programs are linked statically: the GCC C++ runtime and the
// mingw-w64 runtime are inside each .exe, which imports only system DLLs.
#include "app/about_libraries.h"

namespace tarn {

std::u16string_view AboutLibraries() {
  return u"Libraries linked statically into the program:\n"
         u"GCC libstdc++ and libgcc: GPL-3.0 with the GCC Runtime Library Exception\n"
         u"mingw-w64 runtime and winpthreads: ZPL-2.1 and MIT\n"
         u"Compiled into tarn-cli.exe: CLI11, BSD-3-Clause\n"
         u"SQLite (service journal): public domain\n"
         u"At run time only the DLLs of Windows itself.\n"
         u"Licence texts: THIRD-PARTY-NOTICES.txt beside the program";
}

}  // namespace tarn
