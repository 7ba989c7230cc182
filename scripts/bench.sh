#!/usr/bin/env bash
# Builds and runs the benchmarks (not part of the test run): the line
# against its limit (bench_line) and, when the window layer is built, the
# table grid (bench_goodtable) and the archive pages (bench_archives).
# Arguments go to bench_line, e.g. --quick.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${ZT_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=(bench_line)
for t in bench_goodtable bench_archives bench_observation; do
  if cmake --build "$BUILD_DIR" --target help | grep -q "^$t:"; then
    targets+=("$t")
  fi
done
cmake --build "$BUILD_DIR" -j"${ZT_JOBS:-2}" --target "${targets[@]}"
echo "== bench_line: the line against its limit"
"$BUILD_DIR/bench/line/bench_line" "$@"
if [ -x "$BUILD_DIR/bench/controls/bench_goodtable" ]; then
  echo "== bench_goodtable: the table grid with an archive of 100000 rows"
  QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/controls/bench_goodtable"
fi
if [ -x "$BUILD_DIR/bench/archives/bench_archives" ]; then
  echo "== bench_archives: a 50000-row archive table, memory after reading every ring"
  QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/archives/bench_archives"
fi
if [ -x "$BUILD_DIR/bench/observation/bench_observation" ]; then
  echo "== bench_observation: the readings graph with 7 series of 100000 points"
  QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/observation/bench_observation"
fi
if cmake --build "$BUILD_DIR" --target help | grep -q '^zt-configurator:'; then
  cmake --build "$BUILD_DIR" -j"${ZT_JOBS:-2}" --target zt-configurator
  echo "== zt-configurator --demo: CPU while it polls once a second, resident memory"
  QT_QPA_PLATFORM=offscreen "$BUILD_DIR/zt-configurator" --demo >/dev/null 2>&1 &
  pid=$!
  trap 'kill $pid 2>/dev/null || true' EXIT
  sleep 8 # start-up and the first polls are left out
  ticks=$(getconf CLK_TCK)
  read -r u0 s0 < <(awk '{print $14, $15}' "/proc/$pid/stat")
  sleep 30
  read -r u1 s1 < <(awk '{print $14, $15}' "/proc/$pid/stat")
  rss=$(awk '/VmRSS/{print $2}' "/proc/$pid/status")
  kill $pid
  wait $pid 2>/dev/null || true
  trap - EXIT
  awk -v d=$(( (u1 + s1) - (u0 + s0) )) -v t="$ticks" -v rss="$rss" \
    'BEGIN { printf "CPU %.2f %% of one core over 30 s of polling, resident %.1f MiB\n", 100 * d / t / 30, rss / 1024 }'
fi
