#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Environment: BUILD_DIR (default build), FRAMIRA_SANITIZE=ON for the
# address + undefined-behaviour build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} \
      -DFRAMIRA_SANITIZE=${FRAMIRA_SANITIZE:-OFF} >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
