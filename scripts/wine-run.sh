#!/usr/bin/env bash
# Runs a Windows program under wine in the private prefix of a Windows build:
#   scripts/wine-run.sh <build-win64> <program.exe> [arguments...]
# ctest uses it to start the Windows test suites. The prefix is made on first
# use; the caller provides the display (make test-windows starts one).
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
build="$1"
shift
wine_prefix "$build"
exec wine "$@"
