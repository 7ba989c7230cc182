#!/usr/bin/env bash
# Builds the engine, channel, device-model and workspace tests with
# ThreadSanitizer (-DZT_TSAN=ON) into build-tsan/ and runs them; any race
# report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
tests=(test_engine test_chanelhelper test_comport test_tcpchanel test_devicehelper zt_device_helper_test
  zt_device_e2e_test workspace_test)
if [ ! -f build-tsan/build.ninja ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT_TSAN=ON -DZT_BUILD_BENCH=OFF >/dev/null
fi
cmake --build build-tsan -j"${ZT_JOBS:-2}" --target "${tests[@]}"
regex=$(IFS='|'; echo "^(${tests[*]})\$")
QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j"${ZT_JOBS:-2}" -R "$regex"
