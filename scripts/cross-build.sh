#!/usr/bin/env bash
# `make windows`: cross-builds tarn-user-app.exe and tarn-cli.exe for 64-bit
# Windows with mingw-w64 (POSIX threads), each linked statically into one
# file, checks that they import only system DLLs, and packs them, stripped,
# with the quick start, LICENSE and THIRD-PARTY-NOTICES into
# build-win64/tarn-user-app-<version>-windows.zip. Their symbols (function
# names and line tables, for crash reports) go into
# build-win64/tarn-user-app-<version>-windows-symbols.zip; each stripped
# program names its symbols file in a .gnu_debuglink section. The folder
# build-win64/package/tarn-user-app-<version>-windows is what the MSI of
# scripts/release-msi.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-win64}"

./scripts/install-deps.sh --cross
# -g1: function names and line tables, enough to read a crash report's
# addresses; kept apart from the shipped programs below.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O3 -DNDEBUG -g1" \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake -DTARN_WERROR=ON ${TARN_CROSS_FLAGS:-} >/dev/null
cmake --build "$build" --target tarn-user-app tarn-cli -j "$(nproc)"

programs=("$build/tarn-user-app.exe" "$build/tarn-cli.exe")
for exe in "${programs[@]}"; do
  [ -f "$exe" ] || { echo "cross build: $exe missing" >&2; exit 1; }
  # A static build imports only DLLs that every Windows has.
  foreign="$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {print $3}' |
             grep -viE '^(kernel32|advapi32|msvcrt|user32|gdi32|comctl32|comdlg32|ws2_32|api-ms-win-.*)\.dll$' || true)"
  if [ -n "$foreign" ]; then
    echo "cross build: $exe needs DLLs that are not part of Windows: $foreign" >&2
    exit 1
  fi
done

version="$(sed -n 's/^project(TarnUserApp VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
stage="$build/package/tarn-user-app-$version-windows"
symbols="$build/package/symbols"
rm -rf "$build/package"
mkdir -p "$stage" "$symbols"
objcopy=x86_64-w64-mingw32-objcopy
for exe in "${programs[@]}"; do
  name="$(basename "$exe")"
  "$objcopy" --only-keep-debug "$exe" "$symbols/$name.debug"
  "$objcopy" --strip-debug --strip-unneeded "$exe" "$stage/$name"
  (cd "$symbols" && "$objcopy" --add-gnu-debuglink="$name.debug" "../$(basename "$stage")/$name")
done
# Notepad and every Windows editor read the texts with Windows line ends.
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
crlf packaging/windows/QUICKSTART.txt "$stage/QUICKSTART.txt"
crlf LICENSE "$stage/LICENSE.txt"
crlf THIRD-PARTY-NOTICES "$stage/THIRD-PARTY-NOTICES.txt"
zip="$build/tarn-user-app-$version-windows.zip"
symbols_zip="$build/tarn-user-app-$version-windows-symbols.zip"
rm -f "$zip" "$symbols_zip"
(cd "$build/package" && cmake -E tar cf "../$(basename "$zip")" --format=zip "$(basename "$stage")")
(cd "$symbols" && cmake -E tar cf "../../$(basename "$symbols_zip")" --format=zip -- *.debug)
for exe in "${programs[@]}"; do
  name="$(basename "$exe")"
  echo "Windows build: $name $(stat -c %s "$stage/$name") bytes stripped," \
       "symbols $(stat -c %s "$symbols/$name.debug") bytes"
done
echo "Windows package: $zip"
echo "Windows symbols: $symbols_zip"
