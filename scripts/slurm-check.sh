#!/usr/bin/env bash
# Starts a one-node Slurm on this machine (munged, slurmctld and slurmd with a
# generated key and slurm.conf in a temporary folder), submits the example
# job array over a generated photo folder, waits for it, compares what the
# array wrote with one run of the same command, and stops everything it
# started. Needs root (Slurm's daemons) and the packages slurm-wlm and munge.
# Where Slurm cannot start it says why and fails, unless FRAMIRA_SKIP_SLURM=1.
# Usage: slurm-check.sh [BUILD_DIR] [PICTURES] [TASKS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
pictures=${2:-40}
tasks=${3:-4}
batch=$(realpath "$build/cli/framira-batch")

skip_or_fail() {
  if [ "${FRAMIRA_SKIP_SLURM:-0}" = 1 ]; then
    echo "slurm-check: skipped (FRAMIRA_SKIP_SLURM=1): $*"
    exit 0
  fi
  echo "slurm-check: Slurm cannot run here: $*" >&2
  exit 1
}
[ "$(id -u)" -eq 0 ] || skip_or_fail "its daemons need root"
for tool in munged slurmctld slurmd sbatch sinfo; do
  command -v "$tool" >/dev/null || skip_or_fail "$tool is missing (apt-get install slurm-wlm munge)"
done
[ -x "$batch" ] || { echo "slurm-check: build framira-batch first ($batch)" >&2; exit 1; }

work=$(mktemp -d /tmp/framira-slurm.XXXXXX)
chmod 755 "$work"
stop_all() {
  local pids=()
  for daemon in slurmd slurmctld munged; do
    if [ -s "$work/$daemon.pid" ]; then
      pids+=("$(cat "$work/$daemon.pid")")
      kill "${pids[-1]}" 2>/dev/null || true
    fi
  done
  # Their folder goes only once they are gone.
  for _ in $(seq 100); do
    alive=0
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [ $alive = 0 ] && break
    sleep 0.1
  done
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap stop_all EXIT

# Free ports for the controller and the node daemon.
port=$((20000 + RANDOM % 20000))
host=$(hostname -s)
mkdir -p "$work/state" "$work/spool"
head -c 1024 /dev/urandom >"$work/munge.key"
chmod 400 "$work/munge.key"
munged --force --key-file="$work/munge.key" --socket="$work/munge.socket" --pid-file="$work/munged.pid" \
  --log-file="$work/munged.log" --seed-file="$work/munge.seed" || skip_or_fail "munged did not start"
cat >"$work/slurm.conf" <<CONF
ClusterName=framira-check
SlurmctldHost=$host
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge.socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
JobAcctGatherType=jobacct_gather/none
MpiDefault=none
ReturnToService=2
NodeName=$host CPUs=$(nproc) State=UNKNOWN
PartitionName=check Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$work/slurm.conf
slurmctld -f "$SLURM_CONF" || skip_or_fail "slurmctld did not start ($(tail -n 3 "$work/slurmctld.log" 2>/dev/null))"
slurmd -f "$SLURM_CONF" || skip_or_fail "slurmd did not start ($(tail -n 3 "$work/slurmd.log" 2>/dev/null))"
for _ in $(seq 100); do
  sinfo -h -o %t 2>/dev/null | grep -q idle && break
  sleep 0.2
done
sinfo -h -o %t | grep -q idle || skip_or_fail "the node did not become idle ($(sinfo -h 2>&1 | head -n 1))"

bash tests/support/make_photo_folder.sh "$work/photos" "$pictures"
chmod -R a+rX "$work/photos"
start=$(date +%s%N)
"$batch" -q --recurse --no-progress --preset 320x240 --threads 1 --out "$work/single" "$work/photos" >/dev/null
single=$((($(date +%s%N) - start) / 1000000))

start=$(date +%s%N)
FRAMIRA_BATCH=$batch sbatch --wait --quiet --array=1-"$tasks" --output="$work/task-%a.log" \
  examples/slurm/framira-array.sh "$work/photos" "$work/array" 320x240 || {
  cat "$work"/task-*.log >&2 || true
  echo "slurm-check: the job array failed" >&2
  exit 1
}
array=$((($(date +%s%N) - start) / 1000000))
rm -rf "$work/array/reports"
diff -r "$work/single" "$work/array"
echo "slurm-check: a $tasks-task array on a one-node Slurm wrote the same $pictures files as one run" \
  "(one run $single ms, the array $array ms with its scheduling)"
