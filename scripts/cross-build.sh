#!/usr/bin/env bash
# Cross-builds the core, the link and tarn-cli for 64-bit Windows with mingw-w64
# (POSIX-threads variant), statically linked.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-win64}"

./scripts/install-deps.sh --cross
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake \
  -DTARN_BUILD_TESTS=OFF -DTARN_BUILD_GUI=OFF -DTARN_WERROR=ON >/dev/null
cmake --build "$build" --target tarn_link tarn-cli -j "$(nproc)"

exe="$build/tools/tarn-cli.exe"
[ -f "$exe" ] || { echo "cross build: $exe missing" >&2; exit 1; }
# A static build imports only system DLLs.
if command -v x86_64-w64-mingw32-objdump >/dev/null; then
  foreign="$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {print $3}' |
             grep -viE '^(kernel32|advapi32|msvcrt|user32|ws2_32|api-ms-win-.*)\.dll$' || true)"
  if [ -n "$foreign" ]; then
    echo "cross build: $exe needs DLLs that are not part of Windows: $foreign" >&2
    exit 1
  fi
fi
echo "Windows build: $exe"
