#!/usr/bin/env bash
# Installs the release's MSI under wine as a technician would, in a prefix of
# its own (WINDOWS_BUILD/wineprefix-install, made afresh each run):
#   1. the previous version (the same programs packed as 0.9.0.0) silently;
#   2. some user data beside it (a journal file, a setting);
#   3. this version over it: one installation left, of this version, the
#      user data kept;
#   4. the Start-menu shortcuts exist; the program started from its shortcut
#      shows the operator's warning, and No ends it;
#   5. a later build of the same three version fields (1.0.0.1 -> 1.0.0.2,
#      which Windows Installer counts as the same version) replaces it too;
#   6. a silent uninstall leaves no file, folder, shortcut or entry behind
#      (the user's data stays theirs).
#   tests/packaging/wine-install.sh DIST VERSION [WINDOWS_BUILD]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
dist="$(cd "$1" && pwd)"
version="$2"
build="$(cd "${3:-$root/build-win64}" && pwd)"
msi="$dist/tarn-user-app-$version-x64.msi"

. "$root/scripts/wine-env.sh"
export WINEPREFIX="$build/wineprefix-install"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
work="$(mktemp -d)"
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  # This prefix is this test's own.
  wineserver -k 2>/dev/null || true
  stop_display
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
checks=0
check() {
  local what="$1"
  shift
  checks=$((checks + 1))
  if "$@" >"$work/out" 2>&1; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    sed 's/^/     /' "$work/out" | head -20
    failures=$((failures + 1))
  fi
}

# The previous version: the same programs under an older version number.
unzip -q "$dist/tarn-user-app-$version-windows.zip" -d "$work/zip"
"$root/scripts/release-msi.sh" "$work/zip/tarn-user-app-$version-windows" 0.9.0.0 \
  "$work/previous.msi" >/dev/null
IFS=. read -r major minor patch build_number <<<"$version"
later="$major.$minor.$patch.$((${build_number:-0} + 1))"
"$root/scripts/release-msi.sh" "$work/zip/tarn-user-app-$version-windows" "$later" \
  "$work/later.msi" >/dev/null

# The display comes first: the prefix's desktop process, started with the
# prefix, draws on the display it finds then.
start_display 1024x768x24
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -p 2>/dev/null || true  # already up after wineboot
winpath() { winepath -u "$(wine cmd /c "echo $1" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
local_app_data="$(winpath '%LOCALAPPDATA%')"
start_menu="$(winpath '%APPDATA%')/Microsoft/Windows/Start Menu/Programs"
programs="$local_app_data/Programs/Tarn User App"
entries() { wine uninstaller --list 2>/dev/null | tr -d '\r' | grep -c 'Tarn User App' || true; }
uninstall_entries() {
  for root_key in HKCU HKLM; do
    wine reg query "$root_key\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null
  done | tr -d '\r'
}
# shows_version VERSION: the uninstall entry names that version.
shows_version() { uninstall_entries | grep -qE "DisplayVersion +REG_SZ +$1\$"; }
msiexec() { wine msiexec "$@" </dev/null >"$work/msiexec.log" 2>&1; }

check "the previous version installs silently" msiexec /i "$(winepath -w "$work/previous.msi")" /qn
check "it is installed in the user's programs folder" test -f "$programs/tarn-user-app.exe"
mkdir -p "$local_app_data/Tarn User App"
echo "journal" >"$local_app_data/Tarn User App/journal.sqlite"
wine reg add 'HKCU\Software\Tarn User App\Settings' /v Port /t REG_SZ /d COM3 /f >/dev/null 2>&1

check "this version installs silently over it" msiexec /i "$(winepath -w "$msi")" /qn
check "one installation is left" test "$(entries)" = 1
check "it is this version" shows_version "$version"
check "its uninstall entry names the publisher" \
  bash -c "grep -qE 'Publisher +REG_SZ +Tarn User App developers\$' <<<\"\$1\"" _ "$(uninstall_entries)"
for file in tarn-user-app.exe tarn-cli.exe QUICKSTART.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  check "$file is installed" test -f "$programs/$file"
done
check "the installed program is the release's" \
  cmp "$programs/tarn-user-app.exe" "$work/zip/tarn-user-app-$version-windows/tarn-user-app.exe"
check "the journal is kept" grep -qx journal "$local_app_data/Tarn User App/journal.sqlite"
check "the settings are kept" \
  bash -c "wine reg query 'HKCU\\Software\\Tarn User App\\Settings' /v Port 2>/dev/null | grep -q COM3"
shortcut="$start_menu/Tarn User App/Tarn User App.lnk"
check "the Start-menu shortcut of the program exists" test -f "$shortcut"
check "the Start-menu shortcut of the command prompt exists" \
  test -f "$start_menu/Tarn User App/Tarn CLI command prompt.lnk"
for program in tarn-cli tarn-user-app; do
  check "installed $program prints the version" \
    bash -c "wine '$(winepath -w "$programs/$program.exe")' --version 2>/dev/null | tr -d '\r' | grep -qx '$program $version'"
done

# Started from its shortcut, the program shows the operator's warning: the
# first window of the program, under the application's title. No ends it.
wine start /unix "$shortcut" </dev/null >/dev/null 2>&1 &
program_pid=$!
warning=""
for _ in $(seq 1 240); do
  warning="$(xdotool search --name '^Tarn User App$' 2>/dev/null | head -1 || true)"
  [ -n "$warning" ] && break
  sleep 0.5
done
check "the program started from its shortcut shows the operator's warning" \
  bash -c "[ -n '$warning' ] || { xdotool search --name . getwindowname %@ 2>/dev/null; false; }"
check "the program that runs is the installed one" \
  bash -c "ps -eo args | grep -F 'Programs\\Tarn User App\\tarn-user-app.exe' | grep -vq grep"
if [ -n "$warning" ]; then
  xdotool windowfocus --sync "$warning" 2>/dev/null || true
  xdotool key --clearmodifiers n 2>/dev/null || true
fi
ended=""
for _ in $(seq 1 40); do
  if ! ps -eo args | grep -F 'tarn-user-app.exe' | grep -vq grep; then ended=1; break; fi
  sleep 0.5
done
check "No at the warning ends the program" test -n "$ended"

check "a later build $later installs silently over $version" \
  msiexec /i "$(winepath -w "$work/later.msi")" /qn
check "one installation is left after it" test "$(entries)" = 1
check "it is $later" shows_version "$later"

check "the uninstall runs silently" msiexec /x "$(winepath -w "$work/later.msi")" /qn
check "no installation is left" test "$(entries)" = 0
check "the programs' folder is gone" test ! -e "$programs"
check "the user's programs folder made for it is gone" test ! -e "$local_app_data/Programs"
check "the Start-menu folder is gone" test ! -e "$start_menu/Tarn User App"
check "the installer's registry values are gone" \
  bash -c "! wine reg query 'HKCU\\Software\\Tarn User App\\Installer' >/dev/null 2>&1"
check "the user's journal is still theirs" test -f "$local_app_data/Tarn User App/journal.sqlite"

echo "wine-install: $checks checks, $failures failed"
[ "$failures" -eq 0 ]
