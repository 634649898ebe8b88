# Sourced by the Windows scripts: a private wine prefix under the Windows build
# folder, a virtual display, and the simulated controller behind COM1.
#
#   wine_env <build-win64>     sets WINEPREFIX and the quiet wine variables
#   wine_prefix <build-win64>  creates and configures the prefix once
#   start_display              starts Xvfb on a free display, sets DISPLAY
#   map_com1 <pty>             points the prefix's COM1 link at <pty>
#   unmap_com1                 removes the link again
#   start_wine                 starts the prefix's server and services, detached
#   stop_wine                  ends this prefix's wine processes
# Everything started here is ended by its process id when the script exits.

wine_build=""
display_pid=""

wine_env() {
  wine_build="$(cd "$1" && pwd)"
  export WINEPREFIX="$wine_build/wineprefix"
  export WINEDEBUG=-all
  # No Mono or Gecko installer dialogs in a fresh prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
}

# The fixed link through which COM1 reaches the simulated controller. It
# exists only while a simulator runs, so COM1 never leads to a terminal
# number that another program may own by then.
com1_link() {
  echo "$wine_build/ttySIM0"
}

wine_prefix() {
  wine_env "$1"
  local stamp="$WINEPREFIX/.tarn-configured"
  [ -f "$stamp" ] && return 0
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$(com1_link)" /f >/dev/null 2>&1
  # Chinese captions (the zero-point dialog's title) through a CJK font
  # linked behind the faces the dialogs and captions are drawn in.
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  local face
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" System; do
    wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f \
      >/dev/null 2>&1
  done
  # The registry is read again when the wine server starts anew.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  touch "$stamp"
}

map_com1() {
  ln -sfn "$1" "$(com1_link)"
}

unmap_com1() {
  rm -f "$(com1_link)"
}

stop_display() {
  if [ -n "$display_pid" ]; then
    kill "$display_pid" 2>/dev/null || true
    wait "$display_pid" 2>/dev/null || true
    display_pid=""
  fi
}

# Xvfb picks a free display number itself and writes it to the given pipe.
start_display() {
  local size="${1:-1280x1024x24}"
  local fifo
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  display_pid=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  [ -n "$number" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$number"
}

# Starts this prefix's wine server and its background services before any
# test runs, their output sent nowhere. Started by a test instead, they would
# inherit that test's output pipe and keep it open until the last wine program
# ends, and ctest would wait for that test until its time-out.
start_wine() {
  wineserver -p 2>/dev/null
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
}
