#!/usr/bin/env bash
# Photographs the real window under Xvfb in the middle of a job on the
# project's own sample pictures. Usage: window-screenshot.sh [OUTPUT.png]
# (default docs/window.png).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
out=$(realpath -m "${1:-docs/window.png}")
build=${BUILD_DIR:-build-main}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFRAMIRA_TESTS=OFF -DFRAMIRA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target framira_window_shot make_samples
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/resources/make_samples" "$work/samples" >/dev/null
# Preset row 12: 16:9 (1920x1080).
xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/window/framira_window_shot" "$out" 12 "$work/samples" >/dev/null
echo "$out"
