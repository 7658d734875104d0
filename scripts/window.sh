#!/usr/bin/env bash
# Installs what is missing, builds Framira and opens its window.
# Pictures or folders named on the command line start in its list.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh build
build=${BUILD_DIR:-build-main}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFRAMIRA_TESTS=OFF -DFRAMIRA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target Framira
exec "$build/window/Framira" "$@"
