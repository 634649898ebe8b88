#!/usr/bin/env bash
# Writes a program's manual page from its own --help and --version, with
# help2man, gzipped as Debian keeps manual pages:
#   packaging/man-page.sh PROGRAM "one-line description" OUT.1.gz
# For tarn-cli a COMMANDS section follows with each command's own --help, the
# commands taken from the overview that `tarn-cli --help` prints.
set -euo pipefail
program="$1"
description="$2"
out="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
name="$(basename "$program")"
include=()
if [ "$name" = tarn-cli ]; then
  {
    echo "[COMMANDS]"
    "$program" --help | sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p' | while read -r command; do
      echo ".SS $command"
      echo ".nf"
      # A line that starts with a dot or a quote would be read as a request.
      "$program" "$command" --help | sed 's/\\/\\e/g; s/^[.'\'']/\\\&&/'
      echo ".fi"
    done
  } >"$work/commands.h2m"
  include=(--include "$work/commands.h2m")
fi
help2man --no-info --section 1 --name "$description" "${include[@]}" \
  --output "$work/$name.1" "$program"
gzip -9n <"$work/$name.1" >"$out"
