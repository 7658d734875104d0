#!/usr/bin/env bash
# Takes a screenshot of the real window under Xvfb: the program is started,
# given SCREENSHOT_DELAY seconds, captured and closed.
# Usage: screenshot.sh OUTPUT.png [program arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "$1"); shift
build=${BUILD_DIR:-build}
delay=${SCREENSHOT_DELAY:-3}
export FRAMIRA_SHOT="$out" FRAMIRA_DELAY="$delay"
xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
  "$0" "$@" & pid=$!
  sleep "$FRAMIRA_DELAY"
  import -window root "$FRAMIRA_SHOT"
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true' "$build/app/qt/Framira" "$@"
echo "$out"
