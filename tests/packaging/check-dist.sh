#!/usr/bin/env bash
# Checks what `make release` put into dist/: the checksums, one version in
# every name and program, the Debian package's contents (manual pages that
# show every tarn-cli command, a completion that offers every command and
# option), the Windows zip (stripped programs, their symbols apart), the
# About text against what each program really links, and the MSI's tables
# (files, shortcuts, per-user folders, an upgrade code that stays the same
# for another version).
#   tests/packaging/check-dist.sh DIST VERSION
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
dist="$(cd "$1" && pwd)"
version="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
checks=0

# check "what" command...: passes when the command succeeds.
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
has_line() { grep -qxF -- "$2" "$1" || { echo "missing: $2"; return 1; }; }
same() { [ "$1" = "$2" ] || { echo "expected '$2', got '$1'"; return 1; }; }

deb="tarn-user-app_${version}_amd64.deb"
zip="tarn-user-app-$version-windows.zip"
msi="tarn-user-app-$version-x64.msi"
symbols="tarn-user-app-$version-windows-symbols.zip"

# --- Checksums and names -----------------------------------------------------
for file in "$deb" "$zip" "$msi" "$symbols"; do
  check "$file is in dist/ and in SHA256SUMS" grep -q "  $file\$" "$dist/SHA256SUMS"
done
check "SHA256SUMS verifies" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"

# --- Debian package -------------------------------------------------------------
dpkg-deb -c "$dist/$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/deb-files"
for path in /usr/bin/tarn-user-app /usr/bin/tarn-cli /usr/bin/tarn-controller-sim \
            /usr/share/man/man1/tarn-user-app.1.gz /usr/share/man/man1/tarn-cli.1.gz \
            /usr/share/man/man1/tarn-controller-sim.1.gz \
            /usr/share/bash-completion/completions/tarn-cli \
            /usr/share/doc/tarn-user-app/copyright /usr/share/doc/tarn-user-app/changelog.gz \
            /usr/share/doc/tarn-user-app/THIRD-PARTY-NOTICES; do
  check "the .deb holds $path" has_line "$work/deb-files" "$path"
done
check "the .deb's version is $version" same "$(dpkg-deb -f "$dist/$deb" Version)" "$version"
check "the .deb's postinst never adds users to groups" \
  bash -c "dpkg-deb -e '$dist/$deb' '$work/control' && ! grep -qE '^[^#]*(adduser|usermod|gpasswd) ' <(grep -v echo '$work/control/postinst')"

dpkg-deb -x "$dist/$deb" "$work/deb"
bin="$work/deb/usr/bin"
for program in tarn-user-app tarn-cli tarn-controller-sim; do
  check "$program --version prints $version" same "$("$bin/$program" --version)" "$program $version"
done
"$bin/tarn-cli" --help | sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p' >"$work/commands"
check "tarn-cli --help lists commands" test -s "$work/commands"
man -l "$work/deb/usr/share/man/man1/tarn-cli.1.gz" 2>/dev/null | col -b >"$work/man"
while read -r command; do
  check "man tarn-cli has a section for '$command'" grep -qx "   $command" "$work/man"
  check "man tarn-cli shows '$command --help'" grep -qF "Usage: tarn-cli $command" "$work/man"
done <"$work/commands"
check "man tarn-user-app shows its options" \
  bash -c "man -l '$work/deb/usr/share/man/man1/tarn-user-app.1.gz' 2>/dev/null | grep -q -- --version"

# The completion offers what the program takes: every command, and each
# command's long options as its --help lists them.
completion="$work/deb/usr/share/bash-completion/completions/tarn-cli"
offers() {  # offers WORD... : what the completion proposes for the last word
  bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tarn_cli; printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$completion" tarn-cli "$@"
}
check "completion is registered for tarn-cli" \
  bash -c ". '$completion' && complete -p tarn-cli | grep -q _tarn_cli"
offers "" >"$work/offered"
while read -r command; do
  check "completion offers the command '$command'" has_line "$work/offered" "$command"
  "$bin/tarn-cli" "$command" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u >"$work/options"
  offers "$command" "-" >"$work/offered-options"
  while read -r option; do
    check "completion offers '$command $option'" has_line "$work/offered-options" "$option"
  done <"$work/options"
done <"$work/commands"

# --- Windows zip and symbols ---------------------------------------------------
unzip -q "$dist/$zip" -d "$work/zip"
stage="$work/zip/tarn-user-app-$version-windows"
for file in tarn-user-app.exe tarn-cli.exe QUICKSTART.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  check "the zip holds $file" test -f "$stage/$file"
done
unzip -q "$dist/$symbols" -d "$work/symbols"
for exe in tarn-user-app.exe tarn-cli.exe; do
  check "$exe is stripped" bash -c "! x86_64-w64-mingw32-objdump -h '$stage/$exe' | grep -q '\.debug_'"
  check "$exe names its symbols file" \
    bash -c "x86_64-w64-mingw32-objdump -h '$stage/$exe' | grep -q gnu_debuglink"
  check "$exe.debug holds line tables" \
    bash -c "x86_64-w64-mingw32-objdump -h '$work/symbols/$exe.debug' | grep -q '\.debug_line'"
done
check "the texts have Windows line ends" grep -q $'\r$' "$stage/LICENSE.txt"

# --- About says what each program links --------------------------------------------
check "the Linux program links Qt 6 and libstdc++ as shared libraries" \
  bash -c "readelf -d '$bin/tarn-user-app' | grep -q 'libQt6Widgets' && readelf -d '$bin/tarn-user-app' | grep -q 'libstdc++'"
check "the Linux About says shared, not static" \
  bash -c "strings -e l '$bin/tarn-user-app' | grep -q 'shared, from the system' && ! strings -e l '$bin/tarn-user-app' | grep -q 'linked statically'"
check "the Windows program imports no C++ runtime DLL" \
  bash -c "! x86_64-w64-mingw32-objdump -p '$stage/tarn-user-app.exe' | grep -iE 'DLL Name: (libstdc|libgcc|libwinpthread)'"
check "the Windows About says statically" \
  bash -c "strings -e l '$stage/tarn-user-app.exe' | grep -q 'linked statically' && ! strings -e l '$stage/tarn-user-app.exe' | grep -q 'Qt 6'"
for text in "Qt 6" "CLI11" "GCC RUNTIME LIBRARY EXCEPTION" "mingw-w64" "GNU LESSER GENERAL PUBLIC LICENSE"; do
  check "THIRD-PARTY-NOTICES covers '$text'" grep -qF "$text" "$stage/THIRD-PARTY-NOTICES.txt"
done

# --- MSI tables -------------------------------------------------------------------
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
property() { table "$1" Property | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }
table "$dist/$msi" File | cut -f3 | sort >"$work/msi-files"
for file in tarn-user-app.exe tarn-cli.exe QUICKSTART.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  check "the MSI installs $file" has_line "$work/msi-files" "$file"
done
table "$dist/$msi" Shortcut >"$work/shortcuts"
check "the MSI has a Start-menu shortcut to the program, with its icon" \
  awk -F'\t' '$2 == "MenuFolder" && $3 == "Tarn User App" && $5 == "[INSTALLDIR]tarn-user-app.exe" && $9 != "" { found = 1 } END { exit !found }' "$work/shortcuts"
check "the MSI has a command prompt shortcut with tarn-cli on its PATH" \
  awk -F'\t' '$5 == "[SystemFolder]cmd.exe" && index($6, "PATH=[INSTALLDIR]") { found = 1 } END { exit !found }' "$work/shortcuts"
check "the MSI installs into the user's programs folder" \
  bash -c "table() { msiinfo export \"\$1\" \"\$2\" | tr -d '\r'; }; table '$dist/$msi' Directory | grep -qP '^INSTALLDIR\tUserProgramsFolder\t' && table '$dist/$msi' Directory | grep -qP '^UserProgramsFolder\tLocalAppDataFolder\tPrograms'"
check "the MSI is per user (no ALLUSERS)" same "$(property "$dist/$msi" ALLUSERS)" ""
check "the MSI needs no elevation" \
  bash -c "msiinfo suminfo '$dist/$msi' | awk '/^Source:/ { exit !(\$2 % 16 >= 8) }'"
check "the MSI's ProductVersion is $version" same "$(property "$dist/$msi" ProductVersion)" "$version"
check "the MSI names its publisher" same "$(property "$dist/$msi" Manufacturer)" "Tarn User App developers"
check "the MSI replaces earlier builds of the same three version fields" \
  bash -c "msiinfo export '$dist/$msi' Upgrade | tr -d '\r' | awk -F'\t' '\$7 == \"WIX_UPGRADE_DETECTED\" && \$3 == \"$version\" && \$5 == 513 { f = 1 } END { exit !f }'"
(cd "$work" && mkdir -p extract && cd extract && msiextract "$dist/$msi" >/dev/null)
installed="$(find "$work/extract" -name tarn-user-app.exe | head -1)"
check "the MSI's program is the zip's program" cmp "$installed" "$stage/tarn-user-app.exe"

# Another version of the same product keeps the upgrade code and gets a
# product code of its own.
"$root/scripts/release-msi.sh" "$stage" 0.9.0.0 "$work/previous.msi" >/dev/null
check "the upgrade code stays the same across versions" \
  same "$(property "$work/previous.msi" UpgradeCode)" "$(property "$dist/$msi" UpgradeCode)"
check "each version has its own product code" \
  bash -c "[ '$(property "$work/previous.msi" ProductCode)' != '$(property "$dist/$msi" ProductCode)' ]"

echo "check-dist: $checks checks, $failures failed"
[ "$failures" -eq 0 ]
