#!/usr/bin/env bash
# Builds the Windows installer from the staged folder of `make windows`:
#   scripts/release-msi.sh STAGE VERSION OUT.msi
# STAGE holds the stripped programs and the texts of the Windows zip
# (build-win64/package/tarn-user-app-VERSION-windows). The installer is
# described in packaging/windows/tarn-user-app.wxs and built with wixl.
#
# Windows Installer compares only the first three fields of a version, so
# 1.0.0.1 and 1.0.0.2 count as the same. The upgrade row is made to include
# the version it stops at: a package of any later build then replaces an
# installed one of the same three fields instead of installing beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 3 ] || { echo "usage: $0 STAGE VERSION OUT.msi" >&2; exit 2; }
stage="$(cd "$1" && pwd)"
version="$2"
out="$(cd "$(dirname "$3")" && pwd)/$(basename "$3")"
wxs="$PWD/packaging/windows/tarn-user-app.wxs"
icon="$PWD/resources/windows/icon_148.ico"

for f in tarn-user-app.exe tarn-cli.exe QUICKSTART.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  [ -f "$stage/$f" ] || { echo "release-msi: $stage/$f missing (run make windows)" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# wixl takes the sources relative to the folder it runs in.
ln -s "$stage" "$work/stage"
cp "$icon" "$work/tarn-user-app.ico"
(cd "$work" && wixl -a x64 -D Version="$version" -D Stage=stage -D Icon=tarn-user-app.ico \
   -o "$work/package.msi" "$wxs" 2>"$work/wixl.log") || { cat "$work/wixl.log" >&2; exit 1; }

# VersionMaxInclusive (0x200) on the row that finds older installations,
# beside MigrateFeatures (0x1) that wixl sets.
msiinfo export "$work/package.msi" Upgrade |
  awk -F'\t' 'BEGIN { OFS = "\t" } NR > 3 && $7 ~ /^WIX_UPGRADE_DETECTED\r?$/ { $5 = 513 } { print }' \
  >"$work/Upgrade.idt"
(cd "$work" && msibuild package.msi -i Upgrade.idt)
mv "$work/package.msi" "$out"
echo "Windows installer: $out"
