#!/usr/bin/env bash
# Builds the Debian package zt-configurator_<version>_<arch>.deb from a
# Release build in build-release/ (or $ZT_RELEASE_DIR) and prints its path
# as the last line. Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
BUILD_DIR="${ZT_RELEASE_DIR:-build-release}"
# Warnings stay warnings here: a release compiler may warn where the
# developers' build does not.
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZT_WERROR=OFF \
  -DZT_BUILD_TESTS=OFF -DZT_BUILD_BENCH=OFF "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"${ZT_JOBS:-2}"
rm -f "$BUILD_DIR"/zt-configurator_*.deb
cpack --config "$BUILD_DIR/CPackConfig.cmake" -B "$BUILD_DIR" >/dev/null
rm -rf "$BUILD_DIR/_CPack_Packages"
ls "$BUILD_DIR"/zt-configurator_*.deb
