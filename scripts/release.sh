#!/usr/bin/env bash
# `make release`: everything a technician installs, into dist/:
#   tarn-user-app_VERSION_amd64.deb              the Linux programs (Debian)
#   tarn-user-app-VERSION-windows.zip            the Windows programs, portable
#   tarn-user-app-VERSION-x64.msi                the Windows installer (per user)
#   tarn-user-app-VERSION-windows-symbols.zip    symbols of the Windows programs
#   tarn-user-app-VERSION-linux-symbols.tar.xz   symbols of the Linux programs
#   SHA256SUMS                                   checksums of all of them
# VERSION is the one of project() in CMakeLists.txt. The Linux build is the
# one of `make build`; the Windows build is the one of `make windows`, reused
# as it is when it is up to date. The packages are checked at the end
# (tests/packaging/check-dist.sh).
#   scripts/release.sh [linux-build] [windows-build]
set -euo pipefail
cd "$(dirname "$0")/.."
linux="${1:-build}"
windows="${2:-build-win64}"
dist="${TARN_DIST:-dist}"
jobs="$(nproc)"

./scripts/install-deps.sh
./scripts/install-deps.sh --release
version="$(sed -n 's/^project(TarnUserApp VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[ -n "$version" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
echo "== Release $version"

echo "== Linux: the programs and the Debian package"
if [ ! -f "$linux/CMakeCache.txt" ]; then
  cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${TARN_RELEASE_FLAGS:-} >/dev/null
else
  cmake "$linux" >/dev/null  # picks up help2man if it came just now
fi
cmake --build "$linux" -j "$jobs" --target tarn-user-app tarn-cli tarn-controller-sim \
  tarn-man-pages tarn-package-docs
deb="$linux/tarn-user-app_${version}_amd64.deb"
rm -f "$deb"
(cd "$linux" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || { echo "release: $deb was not made" >&2; exit 1; }
# The remaining informational tags are explained in the README.
if ! report="$(lintian --fail-on error,warning "$deb" 2>&1)"; then
  echo "$report" >&2
  echo "release: lintian found errors or warnings in $deb" >&2
  exit 1
fi

echo "== Windows: the programs, the zip and the installer"
./scripts/cross-build.sh "$windows"
stage="$windows/package/tarn-user-app-$version-windows"

rm -rf "$dist"
mkdir -p "$dist"
cp "$deb" "$dist/"
cp "$windows/tarn-user-app-$version-windows.zip" "$windows/tarn-user-app-$version-windows-symbols.zip" \
   "$dist/"
./scripts/release-msi.sh "$stage" "$version" "$dist/tarn-user-app-$version-x64.msi"

# The Linux programs' symbols, as the package strips them.
symbols="$(mktemp -d)"
trap 'rm -rf "$symbols"' EXIT
for program in "$linux/src/gui/tarn-user-app" "$linux/tools/tarn-cli" "$linux/sim/tarn-controller-sim"; do
  objcopy --only-keep-debug "$program" "$symbols/$(basename "$program").debug"
done
tar -C "$symbols" -cJf "$dist/tarn-user-app-$version-linux-symbols.tar.xz" .

(cd "$dist" && sha256sum -- *.deb *.zip *.msi *.tar.xz >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)

echo "== Checking the packages"
./tests/packaging/check-dist.sh "$dist" "$version"
echo "== Release $version in $dist/:"
(cd "$dist" && ls -l)
