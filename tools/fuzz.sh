#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each from its seed corpus for a bounded
# time; any finding fails the run, an input that takes over 30 s among them (libFuzzer's
# default of 20 minutes would stall CI): tools/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEO_SANITIZE=ON \
  -DSEO_BUILD_FUZZERS=ON -DSEO_BUILD_TESTS=OFF -DSEO_BUILD_BENCHMARKS=OFF -DSEO_WARNINGS_AS_ERRORS=ON
targets=()
for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")_fuzz"); done
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
for target in "${targets[@]}"; do
  work=$(mktemp -d)
  echo "== $target for ${seconds}s"
  status=0
  "$build/bin/$target" -max_total_time="$seconds" -timeout=30 -max_len=8192 -artifact_prefix="$work/" \
    "$work" "fuzz/corpus/${target%_fuzz}" >"$work/log" 2>&1 || status=$?
  grep -E "^Done|ERROR|SUMMARY" "$work/log" || true
  if ((status != 0)); then
    tail -n 40 "$work/log"; ls "$work"
    echo "$target found a fault (kept in $work)"; exit 1
  fi
  rm -rf "$work"
done
