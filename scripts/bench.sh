#!/usr/bin/env bash
# Runs every benchmark program (bench_*) of the given build directory.
set -euo pipefail
build="${1:-build}"
status=0
# What the programs journal goes into the build folder, not the user's journal.
export TARN_JOURNAL="$(cd "$build" && pwd)/bench-journal.sqlite"
while IFS= read -r program; do
  echo "== $(basename "$program")"
  "$program" || status=1
done < <(find "$build/bench" -type f -name 'bench_*' -perm -u+x | sort)
exit $status
