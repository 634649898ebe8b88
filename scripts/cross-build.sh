#!/usr/bin/env bash
# `make windows`: cross-builds tarn-user-app.exe and tarn-cli.exe for 64-bit
# Windows with mingw-w64 (POSIX threads), each linked statically into one
# file, checks that they import only system DLLs, and packs them with the
# quick start into build-win64/tarn-user-app-<version>-windows.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-win64}"

./scripts/install-deps.sh --cross
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake -DTARN_WERROR=ON >/dev/null
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
rm -rf "$build/package"
mkdir -p "$stage"
cp "${programs[@]}" "$stage/"
# Notepad and every Windows editor read the quick start with Windows line ends.
sed 's/$/\r/' packaging/windows/QUICKSTART.txt >"$stage/QUICKSTART.txt"
zip="$build/tarn-user-app-$version-windows.zip"
rm -f "$zip"
(cd "$build/package" && cmake -E tar cf "../$(basename "$zip")" --format=zip "$(basename "$stage")")
for exe in "${programs[@]}"; do
  echo "Windows build: $exe ($(stat -c %s "$exe") bytes)"
done
echo "Windows package: $zip"
