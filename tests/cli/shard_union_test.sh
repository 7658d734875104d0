#!/usr/bin/env bash
# Four shards of one job, run side by side by GNU parallel, write byte for
# byte what one run of the same command writes, same-name siblings included.
# Usage: shard_union_test.sh FRAMIRA_BATCH
set -euo pipefail
batch=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$here/../support/make_photo_folder.sh" "$work/photos" 40
common=(-q --recurse --no-progress --preset 320x240 --threads 1)
"$batch" "${common[@]}" --out "$work/single" "$work/photos" >/dev/null
parallel --halt now,fail=1 "$batch" "${common[@]}" --shard {}/4 --out "$work/sharded" "$work/photos" \
  ::: 1 2 3 4 >/dev/null
diff -r "$work/single" "$work/sharded"
count=$(find "$work/single" -name '*.jpg' | wc -l)
[ "$count" -eq 40 ] || { echo "expected 40 outputs, found $count" >&2; exit 1; }
echo "4 shards under GNU parallel wrote the same $count files as one run"
