#!/usr/bin/env bash
# Builds and runs the benchmarks (not part of the test run): the line
# against its limit (bench_line) and, when the window layer is built, the
# table grid (bench_goodtable). Arguments go to bench_line, e.g. --quick.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${ZT_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=(bench_line)
if cmake --build "$BUILD_DIR" --target help | grep -q '^bench_goodtable:'; then
  targets+=(bench_goodtable)
fi
cmake --build "$BUILD_DIR" -j"${ZT_JOBS:-2}" --target "${targets[@]}"
echo "== bench_line: the line against its limit"
"$BUILD_DIR/bench/line/bench_line" "$@"
if [ -x "$BUILD_DIR/bench/controls/bench_goodtable" ]; then
  echo "== bench_goodtable: the table grid with an archive of 100000 rows"
  QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/controls/bench_goodtable"
fi
