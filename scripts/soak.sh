#!/usr/bin/env bash
# A soak of the program (a benchmark, not a test): zt-configurator --demo on
# the offscreen platform, polling the simulated meter, for MINUTES minutes
# (default 60); prints its resident memory and CPU time once a minute and
# ends it with SIGTERM.
#
#   scripts/soak.sh [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-60}"
scripts/build.sh >/dev/null
export QT_QPA_PLATFORM=offscreen
build/zt-configurator --demo >/dev/null 2>&1 &
pid=$!
trap 'kill -TERM $pid 2>/dev/null || true' EXIT
sleep 5
ticks=$(getconf CLK_TCK)
sample() {
  local rss cpu
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  cpu=$(awk -v t="$ticks" '{printf "%.1f", ($14 + $15) / t}' "/proc/$pid/stat")
  echo "$1 min: resident ${rss} KiB, CPU ${cpu} s"
}
sample 0
for ((m = 1; m <= minutes; m++)); do
  sleep 60
  kill -0 "$pid" 2>/dev/null || { echo "the program ended early"; exit 1; }
  sample "$m"
done
