#!/usr/bin/env bash
# Frames the same large JPEGs with framira-batch and with its peers (vips,
# ImageMagick on one thread, and djpeg alone as the decoding floor), in one
# run, alternating, and prints medians of wall time, processor time, page
# faults and peak memory, with the ratios the speed goals are stated in.
#
# Usage: bench/compare_peers.sh BUILD [ROUNDS [OTHER_BUILD]]
#   BUILD        build folder holding cli/framira-batch
#   ROUNDS       rounds of every command (default 3)
#   OTHER_BUILD  a second build (another commit) measured in the same rounds
# Inputs are generated once into $FRAMIRA_BENCH_DIR (default /tmp/framira-bench):
# a 6000 x 4000 baseline JPEG (quality 92, 4:2:2) and a batch of ten pictures
# of 24, 18 and 12 megapixels. "One thread" means the process is held to one
# processor with taskset, so decoding, framing and encoding share it.
set -euo pipefail

build=$(cd "$1" && pwd)
rounds=${2:-3}
other=${3:+$(cd "$3" && pwd)}
work=${FRAMIRA_BENCH_DIR:-/tmp/framira-bench}
for tool in convert vips djpeg taskset python3; do
  command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-deps.sh bench)" >&2; exit 1; }
done

mkdir -p "$work/one" "$work/batch" "$work/out"
if [ ! -f "$work/one/big.jpg" ]; then
  echo "making the inputs in $work ..."
  convert -seed 7 -size 1500x1000 plasma:fractal -blur 0x2 -resize 6000x4000! +noise Gaussian \
    -quality 92 -sampling-factor 2x1 "$work/one/big.jpg"
  convert "$work/one/big.jpg" -resize 5196x3464! -quality 92 -sampling-factor 2x1 "$work/p18.jpg"
  convert "$work/one/big.jpg" -resize 4243x2828! -quality 92 -sampling-factor 2x1 "$work/p12.jpg"
  for i in 1 2 3 4; do cp "$work/one/big.jpg" "$work/batch/p24_$i.jpg"; done
  for i in 1 2 3; do cp "$work/p18.jpg" "$work/batch/p18_$i.jpg"; cp "$work/p12.jpg" "$work/batch/p12_$i.jpg"; done
fi
big=$work/one/big.jpg
results=$work/results.txt
: > "$results"

# measure LABEL COMMAND...: wall, user, system seconds, minor faults, peak kB
measure() {
  local label=$1
  shift
  rm -rf "$work/out"/*
  /usr/bin/time -f "%e %U %S %R %M" -o "$work/time.txt" "$@" >/dev/null 2>&1 || echo "$label failed" >&2
  echo "$label $(cat "$work/time.txt")" >> "$results"
}
framira() { "$1/cli/framira-batch" -q --no-progress -y --out "$work/out" "${@:2}"; }
vips_one() {
  vips resize "$big" "$work/out/t.v" 0.184333 --vscale 0.18425 --gap 0
  vips gravity "$work/out/t.v" "$work/out/big.jpg[Q=95]" centre 1920 1080
}
vips_batch() {
  for p in "$work"/batch/*.jpg; do
    vips resize "$p" "$work/out/t.v" 0.3 --gap 0
    vips gravity "$work/out/t.v" "$work/out/$(basename "$p")[Q=95]" centre 1920 1080
  done
}
export -f vips_one vips_batch framira
export work big

for ((r = 1; r <= rounds; ++r)); do
  echo "round $r of $rounds"
  measure framira_one bash -c "framira $build $big"
  measure vips_one bash -c vips_one
  measure framira_one_1thread taskset -c 0 bash -c "framira $build $big"
  measure magick_one_1thread convert -limit thread 1 "$big" -filter Lanczos -resize '1106x737!' -border 14 \
    -gravity center -extent 1920x1080 -quality 95 "$work/out/big.jpg"
  measure djpeg_one djpeg -outfile /dev/null "$big"
  if [ -n "$other" ]; then
    measure other_one bash -c "framira $other $big"
    measure other_one_1thread taskset -c 0 bash -c "framira $other $big"
  fi
  measure framira_batch bash -c "framira $build $work/batch"
  measure vips_batch bash -c vips_batch
  [ -n "$other" ] && measure other_batch bash -c "framira $other $work/batch"
done

python3 - "$results" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    label, *values = line.split()
    rows.setdefault(label, []).append([float(v) for v in values])
median = {k: [statistics.median(c) for c in zip(*v)] for k, v in rows.items()}
print(f"\n{'command':22} {'wall s':>7} {'user s':>7} {'sys s':>7} {'faults':>8} {'peak MB':>8}   (medians of {len(next(iter(rows.values())))})")
for k, (wall, user, system, faults, peak) in median.items():
    print(f"{k:22} {wall:7.2f} {user:7.2f} {system:7.2f} {faults:8.0f} {peak / 1024:8.0f}")
def ratio(a, b, goal):
    if a in median and b in median:
        print(f"{a} / {b}: {median[a][0] / median[b][0]:.2f} (goal <= {goal})")
print()
ratio("framira_batch", "vips_batch", 1.0)
ratio("framira_one", "vips_one", 1.25)
ratio("framira_one_1thread", "magick_one_1thread", 0.5)
print(f"framira_one peak memory: {median['framira_one'][4] / 1024:.0f} MB (goal <= 300)")
PY
