#!/usr/bin/env bash
# Frames the same large photographs with framira-batch and with its peers
# (vips, ImageMagick on one thread, and djpeg alone as the decoding floor), in
# one run, alternating, and prints medians of wall time, processor time, page
# faults and peak memory (and, where perf can count them, instructions and
# cycles), the ratios the speed goals are stated in, the processor model, the
# machine's load, and the engine's stages per picture (bench_engine).
#
# Usage: bench/compare_peers.sh BUILD [ROUNDS [OTHER_BUILD]]
#   BUILD        build folder holding cli/framira-batch (and bench/bench_engine)
#   ROUNDS       rounds of every command (default 3)
#   OTHER_BUILD  a second build (another commit) measured in the same rounds
#
# The inputs are real photographs from Debian's mate-backgrounds package,
# made once into $FRAMIRA_BENCH_DIR (default /tmp/framira-bench) and written
# as a camera writes them (baseline JPEG, quality 92, 4:2:2, no metadata):
#   camera.jpg   the package's 5640 x 3172 camera photograph
#   one/big.jpg  6000 x 4000 (24 MP) made from it
#   batch/       ten pictures of 24, 18 and 12 MP made from ten of its photographs
# Larger pictures are the photograph extended by mirrored copies of itself and
# cropped: every pixel is a photograph's own, nothing is upscaled or blurred.
# Every output is 1920 x 1080, except the 4K case: the 24 MP picture framed at
# 3840 x 2160. "One thread": framira-batch --threads 1 (the framing on one
# thread), ImageMagick with -limit thread 1.
set -euo pipefail

build=$(cd "$1" && pwd)
rounds=${2:-3}
other=${3:+$(cd "$3" && pwd)}
work=${FRAMIRA_BENCH_DIR:-/tmp/framira-bench}
photos=/usr/share/backgrounds/mate
# ImageMagick's own convert, whatever else is first on the PATH.
magick=/usr/bin/convert
[ -x "$magick" ] || magick=$(command -v convert || true)
for tool in "$magick" vips vipsheader cjpeg djpeg python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-deps.sh bench)" >&2; exit 1; }
done
[ -f "$photos/abstract/Elephants_5640x3172.jpg" ] || {
  echo "needs the photographs of mate-backgrounds (scripts/install-deps.sh bench)" >&2
  exit 1
}
[ -x "$build/cli/framira-batch" ] || { echo "no $build/cli/framira-batch: build it first" >&2; exit 1; }

# The print size framira gives a w x h picture on a W x H screen (default
# 1920 x 1080): print_size w h [W H].
print_size() {
  python3 -c 'import sys, math
w, h, W, H = (int(a) for a in sys.argv[1:5])
s = min(1.7065 * H / (w + h), (0.95 * W - 28) / w, (0.9817 * H - 28) / h)
print(math.floor(w * s + 0.5), math.floor(h * s + 0.5))' "$1" "$2" "${3:-1920}" "${4:-1080}"
}
size_of() { echo "$(vipsheader -f width "$1") $(vipsheader -f height "$1")"; }

# picture SOURCE WIDTH HEIGHT OUT: SOURCE mirrored onto itself (seamless at
# every join) until it covers WIDTH x HEIGHT, cropped to that, and encoded.
picture() {
  local t=$work/tmp width height
  rm -rf "$t" && mkdir -p "$t"
  vips copy "$1" "$t/a.v"
  while read -r width height < <(size_of "$t/a.v"); [ "$width" -lt "$2" ] || [ "$height" -lt "$3" ]; do
    local direction=horizontal
    [ "$width" -lt "$2" ] || direction=vertical
    vips flip "$t/a.v" "$t/f.v" "$direction"
    vips join "$t/a.v" "$t/f.v" "$t/j.v" "$direction"
    mv "$t/j.v" "$t/a.v"
  done
  vips extract_area "$t/a.v" "$t/c.ppm" 0 0 "$2" "$3"
  cjpeg -quality 92 -sample 2x1 -outfile "$4" "$t/c.ppm"
  rm -rf "$t"
}

inputs=$work/photos-1  # bump when the inputs change
if [ ! -f "$inputs/done" ]; then
  echo "making the inputs in $inputs from $photos ..."
  rm -rf "$inputs" && mkdir -p "$inputs/one" "$inputs/batch"
  picture "$photos/abstract/Elephants_5640x3172.jpg" 5640 3172 "$inputs/camera.jpg"
  picture "$photos/abstract/Elephants_5640x3172.jpg" 6000 4000 "$inputs/one/big.jpg"
  cp "$inputs/one/big.jpg" "$inputs/batch/p24_elephants.jpg"
  for name in Aqua Garden LadyBird; do picture "$photos/nature/$name.jpg" 6000 4000 "$inputs/batch/p24_$name.jpg"; done
  for name in TwoWings YellowFlower Wood; do picture "$photos/nature/$name.jpg" 5196 3464 "$inputs/batch/p18_$name.jpg"; done
  for name in Storm Blinds RainDrops; do picture "$photos/nature/$name.jpg" 4243 2828 "$inputs/batch/p12_$name.jpg"; done
  touch "$inputs/done"
fi
big=$inputs/one/big.jpg
camera=$inputs/camera.jpg
out=$work/out
mkdir -p "$out"
results=$work/results.txt
: > "$results"

# The peers' commands, with the print size of each picture.
vips_command() {  # SOURCE OUTPUT [W H]
  local w h pw ph W=${3:-1920} H=${4:-1080}
  read -r w h < <(size_of "$1")
  read -r pw ph < <(print_size "$w" "$h" "$W" "$H")
  printf 'vips resize %q %q %s --vscale %s --gap 0\n' "$1" "$out/t.v" \
    "$(python3 -c "print(f'{$pw / $w:.8f}')")" "$(python3 -c "print(f'{$ph / $h:.8f}')")"
  printf 'vips gravity %q %q centre %s %s\n' "$out/t.v" "$2[Q=95]" "$W" "$H"
}
vips_command "$big" "$out/big.jpg" > "$work/vips_one.sh"
vips_command "$big" "$out/big.jpg" 3840 2160 > "$work/vips_4k.sh"
vips_command "$camera" "$out/camera.jpg" > "$work/vips_camera.sh"
: > "$work/vips_batch.sh"
for p in "$inputs"/batch/*.jpg; do vips_command "$p" "$out/$(basename "$p")" >> "$work/vips_batch.sh"; done
read -r w h < <(size_of "$big")
read -r pw ph < <(print_size "$w" "$h")

# Instructions and cycles where perf can count them (not in most virtual
# machines, nor with perf_event_paranoid above 2).
counted=()
counters="not available: no perf"
if command -v perf >/dev/null; then
  if perf stat -x, -e instructions,cycles -o "$work/perf.txt" -- true >/dev/null 2>&1 &&
    [ "$(grep -cE '^[0-9]+,[^,]*,(instructions|cycles)' "$work/perf.txt")" = 2 ]; then
    counted=(perf stat -x, -e instructions,cycles -o "$work/perf.txt" --)
    counters="counted by perf stat"
  else
    counters="not available: perf stat cannot count them here ($(grep -m1 -oE '<not [a-z]+>' "$work/perf.txt" || echo refused))"
  fi
fi
# perf's value for EVENT in $work/perf.txt, or nan.
counter() { awk -F, -v e="$1" '$3 ~ "^" e && $1 ~ /^[0-9]+$/ {v = $1} END {print v == "" ? "nan" : v}' "$work/perf.txt"; }

# measure LABEL COMMAND...: wall, user, system seconds, minor faults, peak kB
# (of the command alone: perf, when it counts, runs outside the timing), and
# instructions and cycles when counted.
measure() {
  local label=$1
  shift
  rm -rf "${out:?}"/*
  "${counted[@]}" /usr/bin/time -f "%e %U %S %R %M" -o "$work/time.txt" "$@" >/dev/null 2>&1 ||
    echo "$label failed" >&2
  local counts=""
  [ ${#counted[@]} -eq 0 ] || counts=" $(counter instructions) $(counter cycles)"
  echo "$label $(cat "$work/time.txt")$counts" >> "$results"
}
quiet=(-q --no-progress -y --out "$out")
load() { cut -d' ' -f1-3 /proc/loadavg; }

model=$(lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -n1)
[ -n "$model" ] || model=$(sed -n 's/^model name[[:space:]]*: *//p' /proc/cpuinfo | head -n1)
start_load=$(load)
echo "machine: $(nproc) processors, ${model:-unknown model}; load average (1, 5, 15 min) at the start: $start_load"
echo "instructions and cycles: $counters"
for ((r = 1; r <= rounds; ++r)); do
  echo "round $r of $rounds (load $(load))"
  measure framira_one "$build/cli/framira-batch" "${quiet[@]}" "$big"
  measure vips_one bash "$work/vips_one.sh"
  measure framira_one_1thread "$build/cli/framira-batch" "${quiet[@]}" --threads 1 "$big"
  measure magick_one_1thread "$magick" -limit thread 1 "$big" -filter Lanczos -resize "${pw}x${ph}!" -border 14 \
    -gravity center -extent 1920x1080 -quality 95 "$out/big.jpg"
  measure djpeg_one djpeg -outfile /dev/null "$big"
  measure framira_camera "$build/cli/framira-batch" "${quiet[@]}" "$camera"
  measure vips_camera bash "$work/vips_camera.sh"
  measure framira_4k "$build/cli/framira-batch" "${quiet[@]}" -p 3840x2160 "$big"
  measure vips_4k bash "$work/vips_4k.sh"
  if [ -n "$other" ]; then
    measure other_one "$other/cli/framira-batch" "${quiet[@]}" "$big"
    measure other_one_1thread "$other/cli/framira-batch" "${quiet[@]}" --threads 1 "$big"
    measure other_4k "$other/cli/framira-batch" "${quiet[@]}" -p 3840x2160 "$big"
  fi
  measure framira_batch "$build/cli/framira-batch" "${quiet[@]}" "$inputs/batch"
  measure vips_batch bash "$work/vips_batch.sh"
  # shellcheck disable=SC2016  # the loop's variables are the inner shell's
  measure djpeg_batch bash -c 'for p in "$1"/*.jpg; do djpeg -outfile /dev/null "$p"; done' - "$inputs/batch"
  if [ -n "$other" ]; then
    measure other_batch "$other/cli/framira-batch" "${quiet[@]}" "$inputs/batch"
  fi
done
end_load=$(load)
echo "load average at the end of the rounds: $end_load"

python3 - "$results" "${model:-unknown model}" "$(nproc)" "$start_load" "$end_load" <<'PY'
import math, statistics, sys
rows = {}
for line in open(sys.argv[1]):
    label, *values = line.split()
    rows.setdefault(label, []).append([float(v) for v in values])
def middle(column):
    known = [v for v in column if not math.isnan(v)]
    return statistics.median(known) if known else math.nan
median = {k: [middle(c) for c in zip(*v)] for k, v in rows.items()}
counted = all(len(v) == 7 for v in median.values())
print(f"\n{sys.argv[2]}, {sys.argv[3]} processors; load average (1, 5, 15 min) {sys.argv[4]} at the start, {sys.argv[5]} at the end")
print(f"{'command':22} {'wall s':>7} {'user s':>7} {'sys s':>7} {'faults':>8} {'peak MB':>8}"
      + (f" {'G instr':>8} {'G cycles':>8} {'IPC':>5}" if counted else "")
      + f"   (medians of {len(next(iter(rows.values())))})")
for k, v in median.items():
    wall, user, system, faults, peak = v[:5]
    line = f"{k:22} {wall:7.2f} {user:7.2f} {system:7.2f} {faults:8.0f} {peak / 1024:8.0f}"
    if counted:
        line += f" {v[5] / 1e9:8.2f} {v[6] / 1e9:8.2f} {v[5] / v[6]:5.2f}"
    print(line)
def ratio(a, b, goal=None):
    if a in median and b in median:
        wall = median[a][0] / median[b][0]
        cpu = (median[a][1] + median[a][2]) / (median[b][1] + median[b][2])
        verdict = "" if goal is None else f"   goal <= {goal}: {'met' if wall <= goal else 'NOT met'}"
        print(f"{a} / {b}: wall {wall:.2f}, processor {cpu:.2f}{verdict}")
print("\nratios (wall time decides the goals)")
ratio("framira_batch", "vips_batch", 1.0)
ratio("framira_one", "vips_one", 1.25)
ratio("framira_one_1thread", "magick_one_1thread", 0.5)
ratio("framira_camera", "vips_camera")
ratio("framira_4k", "vips_4k")
ratio("framira_one", "djpeg_one")
ratio("framira_batch", "djpeg_batch")
ratio("framira_one", "other_one")
ratio("framira_one_1thread", "other_one_1thread")
ratio("framira_4k", "other_4k")
ratio("framira_batch", "other_batch")
peak = median["framira_one"][4] / 1024
print(f"framira_one peak memory: {peak:.0f} MB   goal <= 100: {'met' if peak <= 100 else 'NOT met'}")
PY

# The engine's stages on the same pictures, decoded by djpeg beforehand so
# that only Framira_Run is timed.
engine=$build/bench/bench_engine
if [ ! -x "$engine" ]; then
  echo -e "\n(no $engine: build the target bench_engine for the engine's stages)"
  exit 0
fi
if [ ! -f "$inputs/ppm/done" ]; then
  mkdir -p "$inputs/ppm/batch"
  djpeg -outfile "$inputs/ppm/big.ppm" "$big"
  for p in "$inputs"/batch/*.jpg; do djpeg -outfile "$inputs/ppm/batch/$(basename "$p" .jpg).ppm" "$p"; done
  touch "$inputs/ppm/done"
fi
stages() {  # TITLE RUNS THREADS PICTURE...
  echo -e "\n== engine stages: $1 (load $(load))"
  "${counted[@]}" "$engine" "${@:2}" | grep -v -e 'Analysis complete' -e 'Processing complete' -e '^ *$'
  if [ ${#counted[@]} -gt 0 ]; then
    # The whole program: reading the PPM files and every run in it.
    awk -v i="$(counter instructions)" -v c="$(counter cycles)" \
      'BEGIN {printf "  whole bench_engine: %.2f G instructions, %.2f G cycles, IPC %.2f\n", i / 1e9, c / 1e9, i / c}'
  fi
}
stages "one 24 MP picture, one thread" "$rounds" 1 "$inputs/ppm/big.ppm"
stages "one 24 MP picture, all threads" "$rounds" 0 "$inputs/ppm/big.ppm"
stages "the batch, one thread" 1 1 "$inputs"/ppm/batch/*.ppm
stages "the batch, all threads" 1 0 "$inputs"/ppm/batch/*.ppm
# The 4K screen from a generated 24 MP picture (an output size takes no files).
stages "a generated 24 MP picture -> 3840 x 2160, one thread" "$rounds" 1 6000x4000 3840x2160
stages "a generated 24 MP picture -> 3840 x 2160, all threads" "$rounds" 0 6000x4000 3840x2160
echo -e "\nload average at the end: $(load)"
