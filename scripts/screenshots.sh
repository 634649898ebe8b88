#!/usr/bin/env bash
# `make screenshots`: starts the simulated controller on a pseudo-terminal and
# walks a session of the GUI on the offscreen platform, writing one PNG per
# stage under <build>/screenshots/.
set -euo pipefail
. "$(dirname "$0")/simulator.sh"
build="${1:-build}"
walk="$build/src/gui/tarn-gui-screenshots"
out="$build/screenshots"
[ -x "$walk" ] || { echo "missing $walk: build with the GUI first (make build)" >&2; exit 1; }

start_simulator "$build"

rm -rf "$out"
mkdir -p "$out"
TARN_PORTS="$port" QT_QPA_PLATFORM=offscreen "$walk" "$out"
echo "Screenshots in $out"
