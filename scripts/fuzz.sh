#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, -DZT_FUZZ=ON) into build-fuzz/ and
# runs each one for SECONDS seconds (default 60) from its seed corpus in
# fuzz/corpus/. New inputs go to build-fuzz/corpus/<target>, crashes to
# build-fuzz/findings/<target>/. Prints executions and findings per target;
# exits 1 when any target found something.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_transaction fuzz_decode fuzz_packet fuzz_textimport fuzz_registry fuzz_configuration)

scripts/setup.sh --fuzz
if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT_FUZZ=ON \
    -DZT_BUILD_GUI=OFF -DZT_BUILD_TESTS=OFF -DZT_BUILD_BENCH=OFF >/dev/null
fi
cmake --build build-fuzz -j"${ZT_JOBS:-2}" --target "${targets[@]}"

failed=0
for target in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$target"
  findings="build-fuzz/findings/$target"
  mkdir -p "$corpus" "$findings"
  log="build-fuzz/$target.log"
  status=0
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
    "build-fuzz/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  [ -z "$execs" ] && execs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#' || true)
  found=$(find "$findings" -type f | wc -l)
  echo "$target: ${execs:-0} executions in ${seconds} s, $found findings (exit $status)"
  if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    failed=1
    tail -30 "$log"
  fi
done
exit $failed
