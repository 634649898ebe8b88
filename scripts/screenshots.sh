#!/usr/bin/env bash
# `make screenshots`: starts the simulated controller on a pseudo-terminal and
# walks a session of the GUI on the offscreen platform, writing one PNG per
# stage under <build>/screenshots/.
#
# The pictures show the most common service laptop screen, 1366 x 768 with a
# 40-pixel taskbar: the offscreen platform's one screen is its available
# area, 1366 x 728, and the walk draws the taskbar below it.
set -euo pipefail
. "$(dirname "$0")/simulator.sh"
build="${1:-build}"
walk="$build/tests/gui/automation/tarn-gui-screenshots"
out="$build/screenshots"
width=1366 height=768 taskbar=40
[ -x "$walk" ] || { echo "missing $walk: build with the GUI first (make build)" >&2; exit 1; }

start_simulator "$build"

rm -rf "$out"
mkdir -p "$out"
# In the simulator's scratch folder, which goes when the script ends.
screen="$sim_work/screen.json"
cat >"$screen" <<JSON
{"windowFrameMargins": true, "screens": [{"name": "laptop", "x": 0, "y": 0,
 "width": $width, "height": $((height - taskbar)), "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]}
JSON
# The walk's reads go into a journal of its own, not the user's. tarn-cli
# first writes two changed values and then the image read back, so that the
# service history shows a write with what it changed; the controller ends as
# it began.
export TARN_JOURNAL="$sim_work/journal.sqlite"
cli="$build/tools/tarn-cli"
TARN_PORTS="$port" "$cli" read "$sim_work/read.bin" >/dev/null
cp "$sim_work/read.bin" "$sim_work/changed.bin"
"$cli" set "$sim_work/changed.bin" 37=90 38=60 >/dev/null
TARN_PORTS="$port" "$cli" write "$sim_work/changed.bin" >/dev/null 2>&1
TARN_PORTS="$port" "$cli" write "$sim_work/read.bin" >/dev/null 2>&1
TARN_PORTS="$port" QT_QPA_PLATFORM="offscreen:configfile=$screen" "$walk" "$out" "$taskbar"
echo "Screenshots of a ${width} x ${height} screen in $out"

# The same screen with the desktop scaled to 150 %: Qt's pixels are then the
# screen's divided by 1.5, and the main window is drawn smaller to fit.
scaled="$out/scaled-150"
mkdir -p "$scaled"
cat >"$screen" <<JSON
{"windowFrameMargins": true, "screens": [{"name": "laptop", "x": 0, "y": 0,
 "width": $width, "height": $((height - taskbar * 3 / 2)), "logicalDpi": 144, "logicalBaseDpi": 96, "dpr": 1}]}
JSON
TARN_PORTS="$port" QT_QPA_PLATFORM="offscreen:configfile=$screen" "$walk" "$scaled" "$taskbar"
echo "Screenshots of the same screen at 150 % in $scaled"
