#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the GUI need, but only
# those that are missing. Uses sudo when not run as root.
set -euo pipefail

packages=(cmake ninja-build g++ make pkg-config libgtest-dev libgmock-dev qt6-base-dev libcli11-dev
          xvfb xauth fonts-liberation2 fonts-noto-cjk fonts-dejavu-core)
# The service journal: SQLite, the PostgreSQL client, and the server that the
# journal's tests start as a child of their own (util-linux's setpriv runs it
# as an unprivileged user when the tests run as root).
packages+=(libsqlite3-dev libpq-dev postgresql util-linux)
if [ "${1:-}" = "--cross" ]; then
  packages+=(g++-mingw-w64-x86-64-posix)
fi
# The Windows build and its tests under wine: the compiler with POSIX threads,
# wine, a virtual display with real input and screenshots, and a CJK font that
# the wine prefix links behind the dialog fonts.
if [ "${1:-}" = "--windows" ]; then
  packages+=(g++-mingw-w64-x86-64-posix wine wine64 xvfb xdotool imagemagick
             fonts-wqy-microhei googletest)
fi
# `make release`: manual pages, the MSI tools, the Debian package check.
if [ "${1:-}" = "--release" ]; then
  packages+=(help2man wixl msitools lintian zip unzip bash-completion)
fi
# The real-driver test: a QEMU guest with a 16550 UART and an FTDI adapter,
# booted on Debian's kernel with a busybox root.
if [ "${1:-}" = "--drivers" ]; then
  packages+=(qemu-system-x86 linux-image-amd64 busybox-static cpio)
fi
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
