#!/usr/bin/env bash
# Writes the seeds of fuzz_definition_row into DIR: every row of the built-in
# definition texts in a file of its own, behind the byte that places it (0 a
# page row, 1 a row of the monitor text's [Dat] section, 2 of its [Err]
# section).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:?usage: fuzz/make-row-seeds.sh DIR}"
mkdir -p "$dir"
n=0
for text in resources/definitions/*.txt; do
  place=0
  while IFS= read -r row || [ -n "$row" ]; do
    case "$row" in
      "[Dat]"*) place=1; continue ;;
      "[Err]"*) place=2; continue ;;
      "["*) ;;
      *) continue ;;
    esac
    n=$((n + 1))
    { printf "\\$(printf '%03o' "$place")"; printf '%s\n' "$row"; } > "$dir/row-$n"
  done < "$text"
done
echo "$n row seeds in $dir"
