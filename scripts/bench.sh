#!/usr/bin/env bash
# Runs every benchmark program (bench_*) of the given build directory.
set -euo pipefail
build="${1:-build}"
status=0
while IFS= read -r program; do
  echo "== $(basename "$program")"
  "$program" || status=1
done < <(find "$build/bench" -type f -name 'bench_*' -perm -u+x | sort)
exit $status
