#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) into build-fuzz/ and runs each for SECONDS
# (60 unless given). Fails when a target finds a crash; the input that did it
# is left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build-fuzz

./scripts/install-deps.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARN_BUILD_FUZZ=ON -DTARN_BUILD_GUI=OFF -DTARN_BUILD_TESTS=OFF \
  -DTARN_SANITIZE=address,undefined >/dev/null
cmake --build "$build" -j "$(nproc)" \
  --target fuzz_link_receive fuzz_definition_reader fuzz_definition_row

fuzz/make-row-seeds.sh "$build/seeds/row" >/dev/null
# target, seed folder (or none), extra options
run() {
  local target="$1" seeds="$2"
  shift 2
  local corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "-- $target, $seconds s"
  "$(find "$build/fuzz" -type f -name "$target")" "$corpus" $seeds \
    -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/$target-" "$@" \
    2>&1 | grep -E '^stat::(number_of_executed_units|average_exec_per_sec)|ERROR|SUMMARY|==[0-9]+=='
  return "${PIPESTATUS[0]}"
}
run fuzz_link_receive ""
run fuzz_definition_reader resources/definitions
run fuzz_definition_row "$build/seeds/row" -max_len=512
