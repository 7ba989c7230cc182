#!/usr/bin/env bash
# Configures and builds the project into build/ (or $ZT_BUILD_DIR), with
# warnings as errors. An existing build directory is configured again only
# when it predates the ZT_WERROR option.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${ZT_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT_WERROR=ON "$@" >/dev/null
elif ! grep -q '^ZT_WERROR:' "$BUILD_DIR/CMakeCache.txt" 2>/dev/null; then
  cmake -S . -B "$BUILD_DIR" -DZT_WERROR=ON "$@" >/dev/null
fi
cmake --build "$BUILD_DIR" -j"${ZT_JOBS:-2}"
