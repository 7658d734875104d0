#!/usr/bin/env bash
# Installs what is missing, builds Framira and runs the main job: the
# project's own sample pictures are generated and framed by framira-batch.
# Results: out/framed/ (one JPEG per sample, 1920 × 1080 unless PRESET is set).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh build
build=${BUILD_DIR:-build-main}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFRAMIRA_TESTS=OFF -DFRAMIRA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
mkdir -p out/samples out/framed
"$build/resources/make_samples" out/samples
"$build/cli/framira-batch" --yes --preset "${PRESET:-1920x1080}" --out out/framed out/samples
echo "Framed pictures are in $(pwd)/out/framed"
