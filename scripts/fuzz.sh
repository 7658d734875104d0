#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a few seconds,
# starting from its stored corpus. Usage: fuzz.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
seconds=${1:-30}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFRAMIRA_FUZZ=ON -DFRAMIRA_SANITIZE=ON -DFRAMIRA_TESTS=ON -DFRAMIRA_BENCH=OFF >/dev/null
targets=$(cd fuzz && ls fuzz_*.cpp 2>/dev/null | sed 's/\.cpp$//' || true)
[ -n "$targets" ] || { echo "no fuzz targets"; exit 0; }
cmake --build "$build" -j"$(nproc)" --target $targets
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
for t in $targets; do
  corpus=fuzz/corpus/$t
  work=$(mktemp -d)
  mkdir -p "$corpus"
  echo "== $t (${seconds}s)"
  # New inputs go to a scratch folder; a crash stops the run and fails CI.
  "$build/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
     -artifact_prefix="$work/" "$work" "$corpus" 2>&1 | tail -n 3
  rm -rf "$work"
done
