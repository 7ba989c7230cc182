#!/usr/bin/env bash
# Sets up, builds and runs every test (unit, end-to-end, window tests on the
# offscreen platform).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh -DZT_WERROR=ON
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${ZT_BUILD_DIR:-build}" --output-on-failure -j"${ZT_JOBS:-2}" "$@"
