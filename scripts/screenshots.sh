#!/usr/bin/env bash
# `make screenshots`: starts the simulated controller on a pseudo-terminal and
# walks a session of the GUI on the offscreen platform, writing one PNG per
# stage under <build>/screenshots/.
set -euo pipefail
build="${1:-build}"
sim="$build/sim/tarn-controller-sim"
walk="$build/src/gui/tarn-gui-screenshots"
out="$build/screenshots"
work="$(mktemp -d)"
sim_pid=""

cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

for program in "$sim" "$walk"; do
  [ -x "$program" ] || { echo "missing $program: build with the GUI first (make build)" >&2; exit 1; }
done

"$sim" >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
# The simulator prints its terminal's path once it is ready.
for _ in $(seq 100); do
  [ -s "$work/sim.out" ] && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.err" >&2; exit 1; }
  sleep 0.05
done
port="$(head -n 1 "$work/sim.out")"
[ -n "$port" ] || { echo "the simulated controller did not start" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
TARN_PORTS="$port" QT_QPA_PLATFORM=offscreen "$walk" "$out"
echo "Screenshots in $out"
