#!/usr/bin/env bash
# `make run`: starts the simulated controller on a pseudo-terminal and the GUI
# against it, as on the controller's own PC: the warning first, then the main
# window with the vehicle page read from the controller.
#
# Without TARN_PORTS the GUI scans the machine's serial adapters itself; here
# it is pointed at the simulator's terminal.
set -euo pipefail
. "$(dirname "$0")/simulator.sh"
build="${1:-build}"
gui="$build/src/gui/tarn-user-app"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'MSG'
No display found: the GUI needs an X11 or Wayland session.
Run it on a virtual display instead:

    xvfb-run -a make run

(xvfb-run is in the xvfb package, which `make deps` installs), or pick Qt's
offscreen platform: QT_QPA_PLATFORM=offscreen make run. `make screenshots`
walks a whole session without a display and writes PNGs of every window.
MSG
  exit 1
fi

[ -x "$gui" ] || { echo "missing $gui: build with the GUI first (make build)" >&2; exit 1; }

start_simulator "$build"
echo "Simulated controller on $port"

TARN_PORTS="$port" "$gui"
