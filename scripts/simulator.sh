# Sourced by the scripts that need a simulated controller.
#   start_simulator <build-dir> [simulator options...]
# starts tarn-controller-sim on a pseudo-terminal, sets `port` to its path and
# stops it (and removes its scratch folder) when the calling script exits.

sim_pid=""
sim_work=""

stop_simulator() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
  fi
  [ -n "$sim_work" ] && rm -rf "$sim_work"
  sim_work=""
}

start_simulator() {
  local sim="$1/sim/tarn-controller-sim"
  shift
  [ -x "$sim" ] || { echo "missing $sim: build first (make build)" >&2; return 1; }
  sim_work="$(mktemp -d)"
  trap stop_simulator EXIT
  "$sim" "$@" >"$sim_work/sim.out" 2>"$sim_work/sim.err" &
  sim_pid=$!
  # The simulator prints its terminal's path once it is ready.
  for _ in $(seq 100); do
    [ -s "$sim_work/sim.out" ] && break
    kill -0 "$sim_pid" 2>/dev/null || { cat "$sim_work/sim.err" >&2; return 1; }
    sleep 0.05
  done
  port="$(head -n 1 "$sim_work/sim.out")"
  [ -n "$port" ] || { echo "the simulated controller did not start" >&2; return 1; }
}
