#!/bin/bash
# Frames a photo library as a Slurm job array: one shard of the pictures per
# array task, all tasks writing into one folder. The output names do not
# depend on the split, so the tasks together write exactly what one run of
# the same command would.
#
# Submit, with as many tasks as shards (numbered from 1):
#     sbatch --array=1-8 framira-array.sh PHOTOS OUT [PRESET]
# Re-run only tasks that failed (3 and 5 of 8): give the number of shards,
# since such an array has fewer tasks than shards; --skip-existing frames
# only the pictures whose output is not there yet:
#     sbatch --array=3,5 --export=ALL,SHARDS=8 framira-array.sh PHOTOS OUT [PRESET]
#
# Each task frames its pictures one after another with as many engine
# threads as the cores Slurm gives it (--cpus-per-task); give each task a
# few cores rather than one task per core, so reading and writing overlap
# with the framing. FRAMIRA_BATCH names the program when it is not on PATH.
#SBATCH --job-name=framira
#SBATCH --cpus-per-task=1
#SBATCH --output=framira-%A_%a.log
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: sbatch --array=1-N $0 PHOTOS OUT [PRESET]" >&2
  exit 64
fi
photos=$1
out=$2
preset=${3:-1920x1080}
: "${SLURM_ARRAY_TASK_ID:?submit this script with sbatch --array=1-N}"
shards=${SHARDS:-$SLURM_ARRAY_TASK_COUNT}
mkdir -p "$out/reports"
exec "${FRAMIRA_BATCH:-framira-batch}" --recurse --skip-existing --no-progress \
  --preset "$preset" --out "$out" --threads "${SLURM_CPUS_PER_TASK:-1}" \
  --shard "$SLURM_ARRAY_TASK_ID/$shards" \
  --report "$out/reports/shard-$SLURM_ARRAY_TASK_ID.jsonl" "$photos"
