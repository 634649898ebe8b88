#!/usr/bin/env bash
# Writes THIRD-PARTY-NOTICES (to stdout) from the copyright files of the
# Debian packages the programs are built with: what each program links, then
# each library's copyright statement and licence text as Debian ships them.
#   scripts/release-notices.sh > THIRD-PARTY-NOTICES
# Run it again when a library is added or the build machine's Debian release
# changes; tests/packaging checks that the committed file names every library.
set -euo pipefail
doc=/usr/share/doc
licenses=/usr/share/common-licenses

# Lines of FILE from the first line matching FROM up to (not including) the
# first later line matching UPTO.
excerpt() {
  awk -v from="$2" -v upto="$3" '
    !on && $0 ~ from { on = 1 }
    on && seen && $0 ~ upto { exit }
    on { print; seen = 1 }' "$1"
}

section() {
  printf '\n\n%s\n%s\n\n' "$1" "$(printf '%*s' "${#1}" '' | tr ' ' '=')"
}

for f in "$doc/libqt6core6/copyright" "$doc/libcli11-dev/copyright" \
         "$doc/gcc-12-base/copyright" "$doc/mingw-w64-common/copyright" \
         "$licenses/LGPL-3" "$licenses/GPL-3"; do
  [ -f "$f" ] || { echo "release-notices: $f missing (install the package it belongs to)" >&2; exit 1; }
done

cat <<'HEAD'
Third-party software in Tarn User App
=====================================

Tarn User App itself is under the terms in LICENSE. The programs contain or
use the libraries below, each under its own licence, reproduced in full in
this file as the Debian packages the programs are built from ship them.

Program                        Library                           How             Licence
-----------------------------  --------------------------------  --------------  -----------------------------------
tarn-user-app (Linux, .deb)    Qt 6 Core, Gui, Widgets           shared, Debian  LGPL-3.0 (or GPL-2.0/GPL-3.0)
tarn-user-app, tarn-cli,       GCC libstdc++ and libgcc          shared, Debian  GPL-3.0 with the GCC Runtime
tarn-controller-sim (Linux)                                                      Library Exception 3.1
tarn-cli (Linux and Windows)   CLI11 (header-only)               compiled in     BSD-3-Clause
tarn-user-app.exe,             GCC libstdc++ and libgcc          static          GPL-3.0 with the GCC Runtime
tarn-cli.exe (Windows)                                                           Library Exception 3.1
tarn-user-app.exe,             mingw-w64 runtime (CRT start-up,  static          ZPL-2.1, MIT (expat), BSD-3-Clause,
tarn-cli.exe (Windows)         winpthreads)                                      public domain
tarn-user-app.exe,             Windows system DLLs (kernel32,    shared, system  part of Windows
tarn-cli.exe (Windows)         user32, gdi32, comctl32, ...)

GoogleTest is used only to build and run the test suites; it is not part of
any program or package.

Qt 6 in the Linux program: tarn-user-app links Debian's shared Qt 6 libraries
(packages libqt6core6, libqt6gui6, libqt6widgets6), which the .deb names as
dependencies and does not contain. They may be replaced by any compatible
build of Qt 6 (for example one built from Debian's qt6-base source package)
without changing tarn-user-app; the Qt source is available from Debian
(apt-get source qt6-base) and from download.qt.io.

GCC runtime in the Windows programs: libstdc++ and libgcc are linked
statically into tarn-user-app.exe and tarn-cli.exe by GCC (mingw-w64), an
Eligible Compilation Process under the GCC Runtime Library Exception, which
permits conveying the result under terms of our choice.
HEAD

section "Qt 6 (qtbase): copyright and licensing, from Debian's libqt6core6"
cat "$doc/libqt6core6/copyright"

section "CLI11: copyright and licence, from Debian's libcli11-dev"
cat "$doc/libcli11-dev/copyright"

section "GCC runtime libraries (libstdc++, libgcc), from Debian's gcc-12-base"
excerpt "$doc/gcc-12-base/copyright" '^GCC is Copyright' '^The libbacktrace library'
echo
excerpt "$doc/gcc-12-base/copyright" '^GCC RUNTIME LIBRARY EXCEPTION' '^libquadmath/'

section "mingw-w64 runtime (CRT, winpthreads), from Debian's mingw-w64-common"
cat "$doc/mingw-w64-common/copyright"

section "GNU Lesser General Public License, version 3 (Qt 6)"
cat "$licenses/LGPL-3"

section "GNU General Public License, version 3 (Qt 6 alternative; GCC runtime libraries)"
cat "$licenses/GPL-3"
