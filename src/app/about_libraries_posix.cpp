// The Linux programs link Debian's shared libraries: Qt 6 and the GCC C++
// runtime come from the system's packages, CLI11 is compiled into tarn-cli.
#include "app/about_libraries.h"

namespace tarn {

std::u16string_view AboutLibraries() {
  return u"Libraries used (shared, from the system's packages):\n"
         u"Qt 6 Core, Gui and Widgets: LGPL-3.0\n"
         u"GCC libstdc++ and libgcc: GPL-3.0 with the GCC Runtime Library Exception\n"
         u"Compiled into tarn-cli: CLI11, BSD-3-Clause\n"
         u"SQLite (service journal): public domain\n"
         u"libpq (shared journal): PostgreSQL Licence\n"
         u"Licence texts: /usr/share/doc/tarn-user-app/THIRD-PARTY-NOTICES";
}

}  // namespace tarn
