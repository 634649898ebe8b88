#!/usr/bin/env bash
# `make screenshots-windows`: plays the Windows session under wine (as
# make test-windows does) and writes a picture of each window to
# build-win64/screenshots/, on a 1280 x 1024 screen and again on the
# 1366 x 768 screen of a service laptop (screenshots/1366x768/).
set -euo pipefail
cd "$(dirname "$0")/.."
linux="${1:-build}"
windows="${2:-build-win64}"
jobs="$(nproc)"

./scripts/install-deps.sh
./scripts/install-deps.sh --windows
if [ ! -f "$linux/CMakeCache.txt" ]; then
  cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$linux" --target tarn-controller-sim tarn-wine-session -j "$jobs"
cmake -S . -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake -DTARN_WERROR=ON >/dev/null
cmake --build "$windows" --target tarn-user-app tarn-wine-probe -j "$jobs"

. scripts/wine-env.sh
cleanup() {
  stop_wine
  unmap_com1
  stop_display
}
trap cleanup EXIT
wine_prefix "$windows"
out="$windows/screenshots"
rm -rf "$out"
for size in 1280x1024 1366x768; do
  start_display "${size}x24"
  dir="$out"
  [ "$size" = 1280x1024 ] || dir="$out/$size"
  TARN_WINE_DESKTOP="$size" "$linux/tests/wine/tarn-wine-session" session "$windows" --screenshots "$dir"
  stop_wine
  stop_display
done
echo "Screenshots in $out"
