#!/usr/bin/env bash
# `make test-windows`: cross-builds the Windows programs and test suites, then
# runs them under wine in a private prefix under the Windows build folder, on
# a virtual display: every suite that needs no pseudo-terminal, the Win32
# host's tests, the serial backend on COM1 against the simulated controller,
# and one session of tarn-user-app.exe with real input whose wire traffic is
# compared with the Linux program's, and one in which COM1's adapter is pulled
# from under its monitor page and put back. The simulator and the session
# driver are Linux programs of the Linux build.
#   scripts/test-windows.sh [linux-build] [windows-build]
# TARN_CROSS_FLAGS adds to the Windows build's configuration (a compiler
# launcher).
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
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake -DTARN_WERROR=ON -DTARN_BUILD_TESTS=ON \
  -DTARN_WINE_SESSION="$PWD/$linux/tests/wine/tarn-wine-session" ${TARN_CROSS_FLAGS:-} >/dev/null
cmake --build "$windows" -j "$jobs"

. scripts/wine-env.sh
cleanup() {
  stop_wine
  unmap_com1
  stop_display
}
trap cleanup EXIT
wine_prefix "$windows"
start_display 1280x1024x24
start_wine
(cd "$windows" && ctest --output-on-failure -j "$jobs")
