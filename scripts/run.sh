#!/usr/bin/env bash
# Starts the simulated controller on a pseudo-terminal, lets tarn-cli find it
# as the tool finds a controller, prints its identity and reads its image.
set -euo pipefail
build="${1:-build}"
sim="$build/sim/tarn-controller-sim"
cli="$build/tools/tarn-cli"
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
echo "Simulated controller on $port"
export TARN_PORTS="$port"

echo
echo "\$ tarn-cli identity"
"$cli" identity
image="$build/controller-image.bin"
echo
echo "\$ tarn-cli read $image"
"$cli" read "$image"
